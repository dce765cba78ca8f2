#include "admin/blanklists.h"
#include "admin/prizeitemchoice.h"
#include "admin/settingsgrids.h"
#include "store/database.h"
#include "store/dberror.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_postedlist : public QObject {
    Q_OBJECT

private:
    static int stored(TempDb &t) { return t.scalar(u"select count(*) from AwardBlank"_s).toInt(); }

private Q_SLOTS:
    void rowsReachTheTableOnlyWhenPosted()
    {
        TempDb t;
        t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1', 'a', 'x')"_s);
        t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('2', 'b', 'x')"_s);
        ExclusionList list(t.db());
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.open();
        QCOMPARE(list.current(), 0);

        // An appended row nobody filled in is dropped when the operator moves on.
        list.append();
        QCOMPARE(list.rowCount(), 3);
        list.setCurrent(0);
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.state(), PostedList::State::Browse);

        // An edited row is posted by moving to another row.
        list.setField(u"sName"_s, u"changed"_s);
        QCOMPARE(t.scalar(u"select sName from AwardBlank where sNo = '1'"_s).toString(), u"a"_s);
        list.setCurrent(1);
        QCOMPARE(t.scalar(u"select sName from AwardBlank where sNo = '1'"_s).toString(), u"changed"_s);

        // Cancel restores the row as stored.
        list.setField(u"sName"_s, u"lost"_s);
        list.cancel();
        QCOMPARE(list.field(u"sName"_s).toString(), u"b"_s);

        // A filled-in new row is posted by append and gets its RecNo.
        list.append();
        list.setField(u"sNo"_s, u"3"_s);
        list.append();
        QCOMPARE(stored(t), 3);
        QVERIFY(list.value(2, u"RecNo"_s).toInt() > 0);
        list.deleteCurrent(); // the untouched new row
        QCOMPARE(list.rowCount(), 3);
        QCOMPARE(stored(t), 3);

        list.setCurrent(1);
        list.deleteCurrent();
        QCOMPARE(list.current(), 1);
        QCOMPARE(list.field(u"sNo"_s).toString(), u"3"_s);
        list.clear();
        QCOMPARE(stored(t), 0);
        QCOMPARE(list.current(), -1);
        list.deleteCurrent();
        QCOMPARE(list.rowCount(), 0);
    }

    // A new row lands where it was asked for; dropping an untouched one on the
    // way to another row still reaches the row the operator chose.
    void insertedRowsKeepTheirPlace()
    {
        TempDb t;
        for (const char *code : {"a", "b", "c"})
            t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?, 'n', 'x')"_s, {QString::fromLatin1(code)});
        ExclusionList list(t.db());
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.open();
        list.insert(1);
        QCOMPARE(list.current(), 1);
        QCOMPARE(list.value(2, u"sNo"_s).toString(), u"b"_s);
        list.setCurrent(3);
        QCOMPARE(list.rowCount(), 3);
        QCOMPARE(list.field(u"sNo"_s).toString(), u"c"_s);
        list.insert(0);
        list.setField(u"sNo"_s, u"d"_s);
        list.insert(99); // past the end: appended, after posting the first
        QCOMPARE(list.current(), 4);
        QCOMPARE(list.value(0, u"sNo"_s).toString(), u"d"_s);
        QCOMPARE(stored(t), 4);
    }

    // The roster grid reads a page at a time; a row it wrote itself is not
    // shown a second time when the page holding it is read.
    void pagedRosterShowsEveryRowOnce()
    {
        TempDb t;
        {
            Transaction tx(t.db());
            for (int i = 0; i < 600; ++i)
                t.addEmployee(QString::number(i), u"员工"_s, u"一厂"_s);
            tx.commit();
        }
        RosterGridList list(t.db());
        list.open();
        QVERIFY(list.rowCount() < 600);
        QVERIFY(list.canFetchMore({}));
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.append();
        list.setField(u"EmpCode"_s, u"new"_s);
        list.post();
        while (list.canFetchMore({}))
            list.fetchMore({});
        QCOMPARE(list.rowCount(), 601);
        int shownNew = 0;
        for (int r = 0; r < list.rowCount(); ++r)
            shownNew += list.value(r, u"EmpCode"_s).toString() == u"new"_s ? 1 : 0;
        QCOMPARE(shownNew, 1);
        QCOMPARE(t.scalar(u"select count(*) from EmpNo"_s).toInt(), 601);
    }

    // A new prize item is numbered after the rows shown and has no winners;
    // an emptied number cell stores NULL, not 0.
    void prizeRowDefaultsAndEmptiedNumbers()
    {
        TempDb t;
        t.addItem(7, u"A"_s, u"a"_s, 2, 1);
        PrizeGridList list(t.db());
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.open();
        list.append();
        QCOMPARE(list.field(u"iSeq"_s).toInt(), 2);
        list.setField(u"ItemName"_s, u"B"_s);
        list.post();
        QCOMPARE(t.scalar(u"select ExcNum * 10 + IsExec from AwardItem where ItemName = 'B'"_s).toInt(), 0);
        list.setData(list.index(list.current(), list.columnOf(u"SumNumber"_s)), u"12"_s);
        list.post();
        QCOMPARE(t.scalar(u"select typeof(SumNumber) from AwardItem where ItemName = 'B'"_s).toString(), u"integer"_s);
        list.setData(list.index(list.current(), list.columnOf(u"SumNumber"_s)), QString());
        list.post();
        QVERIFY(t.scalar(u"select SumNumber from AwardItem where ItemName = 'B'"_s).isNull());
    }

    // A total below the winners already drawn is refused with the drawn
    // count; the row keeps its edit and the table its value.
    void prizeTotalNeverBelowTheWinnersDrawn()
    {
        TempDb t;
        t.addItem(1, u"A"_s, u"a"_s, 60, 5, 5);
        PrizeGridList list(t.db());
        list.open();
        list.setData(list.index(0, list.columnOf(u"SumNumber"_s)), u"3"_s);
        try {
            list.post();
            QFAIL("a total below the drawn count was written");
        } catch (const DbError &e) {
            QVERIFY2(e.text().contains(u"（5人）"_s), qPrintable(e.text()));
        }
        QVERIFY(list.isEditing());
        QCOMPARE(t.scalar(u"select SumNumber from AwardItem"_s).toInt(), 60);
        list.setData(list.index(0, list.columnOf(u"SumNumber"_s)), u"5"_s);
        list.post();
        QCOMPARE(t.scalar(u"select SumNumber from AwardItem"_s).toInt(), 5);
    }

    void designationCellsShowTheItemNameAndKeepChecked()
    {
        TempDb t;
        const int item = t.addItem(1, u"一等奖"_s, u"电脑"_s, 1, 1);
        t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1', 'a', ?, 1, 'x')"_s, {item});
        PrizeItemChoice items;
        items.open(t.db());
        DesignationList list(t.db(), items);
        list.open();
        const QModelIndex cell = list.index(0, list.columnOf(u"sItemName"_s));
        QCOMPARE(cell.data().toString(), u"一等奖"_s);
        QCOMPARE(cell.data(Qt::EditRole).toInt(), item);
        list.setField(u"sNo"_s, u"9"_s);
        list.post();
        QCOMPARE(t.scalar(u"select Checked from Award"_s).toInt(), 1);
        t.exec(u"delete from AwardItem"_s);
        items.open(t.db());
        QCOMPARE(items.current(), 0);
        QCOMPARE(cell.data().toString(), QString());

        // A new row starts pending (Checked false); no item is stored as NULL.
        list.append();
        list.setField(u"sNo"_s, u"2"_s);
        list.post();
        QCOMPARE(t.scalar(u"select Checked from Award where sNo = '2'"_s).toInt(), 0);
        QVERIFY(t.scalar(u"select sTime from Award where sNo = '2'"_s).isNull());
    }
};

QTEST_MAIN(tst_postedlist)
#include "tst_postedlist.moc"
