// The employee picker's roster model on a real database, watched by Qt's
// model tester while it opens and is read.
#include "admin/rostermodel.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_rostermodel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensInCodeOrder_data()
    {
        QTest::addColumn<QStringList>("codes"); // in import order
        QTest::addColumn<QStringList>("shown"); // as the picker lists them
        QTest::newRow("empty roster") << QStringList{} << QStringList{};
        QTest::newRow("one employee") << QStringList{u"7"_s} << QStringList{u"7"_s};
        QTest::newRow("codes as text, same code twice")
            << QStringList{u"2"_s, u"10"_s, u"1"_s, u"10"_s} << QStringList{u"1"_s, u"10"_s, u"10"_s, u"2"_s};
    }
    void opensInCodeOrder()
    {
        QFETCH(QStringList, codes);
        QFETCH(QStringList, shown);
        TempDb t;
        for (const QString &code : codes)
            t.addEmployee(code, u"员工"_s + code, u"一厂"_s);
        RosterModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        model.open(t.db());
        QVERIFY(model.isOpen());
        QCOMPARE(model.rowCount(), shown.size());
        QCOMPARE(model.columnCount(), 3);
        QStringList seen;
        for (int row = 0; row < model.rowCount(); ++row) {
            seen << model.index(row, 0).data().toString();
            QCOMPARE(model.index(row, 1).data().toString(), u"员工"_s + seen.back());
            QCOMPARE(model.index(row, 2).data().toString(), u"一厂"_s);
            QCOMPARE(model.employee(row).EmpCode, seen.back());
        }
        QCOMPARE(seen, shown);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"员工工号"_s);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), u"工厂名称"_s);
        QVERIFY(!model.headerData(3, Qt::Horizontal).isValid());
    }

    // Rows are read when first shown; one deleted in between shows empty
    // cells and never another employee's.
    void rowDeletedBeforeItIsShown()
    {
        TempDb t;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        t.addEmployee(u"2"_s, u"乙"_s, u"一厂"_s);
        RosterModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.open(t.db());
        QCOMPARE(model.index(0, 1).data().toString(), u"甲"_s);
        t.exec(u"delete from EmpNo where EmpCode = '2'"_s);
        QCOMPARE(model.index(1, 1).data().toString(), QString());
        QCOMPARE(model.index(0, 1).data().toString(), u"甲"_s);
    }
};

QTEST_GUILESS_MAIN(tst_rostermodel)
#include "tst_rostermodel.moc"
