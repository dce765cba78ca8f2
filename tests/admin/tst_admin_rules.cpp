// The loop count as typed, without widgets. (The rule for winners per press
// is the draw's: tests/draw/tst_prizeround.cpp.)
#include "admin/prizeitemrules.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAdminRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loopCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addRow("in range") << u"15"_s << 15;
        QTest::addRow("above") << u"100"_s << 50;
        QTest::addRow("below") << u"3"_s << 5;
        QTest::addRow("negative") << u"-20"_s << 5;
        QTest::addRow("letters") << u"abc"_s << 5;
        QTest::addRow("empty") << QString() << 5;
        QTest::addRow("half to even down") << u"12.5"_s << 12;
        QTest::addRow("half to even up") << u"13.5"_s << 14;
        QTest::addRow("huge") << u"1e300"_s << 50;
    }
    void loopCount()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(loopCountFromText(text), count);
    }

    void newItemDefaults()
    {
        const PrizeItem item = newPrizeItem(4);
        QCOMPARE(item.iSeq, 5);
        QCOMPARE(item.ItemName, u"特别奖"_s);
        QCOMPARE(item.Awards, u"现金1000元"_s);
        QCOMPARE(item.SumNumber, 1);
        QCOMPARE(item.iNumber, 1);
        QCOMPARE(item.ExcNum, 0);
        QVERIFY(!item.IsExec);
    }
};

QTEST_GUILESS_MAIN(TestAdminRules)
#include "tst_admin_rules.moc"
