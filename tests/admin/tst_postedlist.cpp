#include "admin/blanklists.h"
#include "admin/prizeitemchoice.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_postedlist : public QObject
{
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
