#include "testsupport.h"
#include <QtTest>
class tst_smoke : public QObject { Q_OBJECT
private Q_SLOTS:
    void opens() { TempDb t; QCOMPARE(t.scalar(QStringLiteral("select count(*) from EmpNo")).toInt(), 0); }
};
QTEST_MAIN(tst_smoke)
#include "tst_smoke.moc"
