// The store's list functions and prepared statements on a real database file.
#include "store/blankliststore.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/preparedstatement.h"
#include "store/setupstore.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_store_lists : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A statement prepared once runs again with new values, also after the
    // connection was closed and opened again underneath it.
    void preparedStatementRunsAgainAfterReopen()
    {
        TempDb t;
        PreparedStatement insert(t.db(), u"insert into AwardBlank(sNo, sName, sCompCode) values(?,?,?)"_s);
        insert.exec({u"1"_s, u"O'Neil"_s, u"一厂"_s});
        t.db().close();
        insert.exec({u"2"_s, u"\"牌\"; drop table AwardBlank"_s, u"二厂"_s});
        QCOMPARE(t.scalar(u"select count(*) from AwardBlank"_s).toInt(), 2);
        QCOMPARE(t.scalar(u"select sName from AwardBlank where sNo = ?"_s, {u"1"_s}).toString(), u"O'Neil"_s);
        QCOMPARE(t.scalar(u"select sName from AwardBlank where sNo = ?"_s, {u"2"_s}).toString(),
                 u"\"牌\"; drop table AwardBlank"_s);

        PreparedStatement select(t.db(), u"select sName from AwardBlank where sCompCode = ?"_s);
        for (const auto &[factory, name] :
             {std::pair{u"二厂"_s, u"\"牌\"; drop table AwardBlank"_s}, std::pair{u"一厂"_s, u"O'Neil"_s}}) {
            QSqlQuery &q = select.run({factory});
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), name);
            QVERIFY(!q.next());
            select.finish();
        }
    }

    void preparedStatementReportsTheEngine()
    {
        TempDb t;
        PreparedStatement bad(t.db(), u"select nosuchfield from AwardBlank"_s);
        QVERIFY_THROWS_EXCEPTION(DbError, bad.run({}));
        // A refused value (sNo is 50 characters at most) is an error, not a
        // silently shortened row.
        PreparedStatement insert(t.db(), u"insert into AwardBlank(sNo, sName, sCompCode) values(?,?,?)"_s);
        QVERIFY_THROWS_EXCEPTION(DbError, insert.exec({QString(51, u'9'), u"x"_s, u"y"_s}));
        QCOMPARE(t.scalar(u"select count(*) from AwardBlank"_s).toInt(), 0);
        insert.exec({u"1"_s, u"x"_s, u"y"_s});
        QCOMPARE(t.scalar(u"select count(*) from AwardBlank"_s).toInt(), 1);
    }

    void designationsAreWrittenRowByRow()
    {
        TempDb t;
        const int item = t.addItem(1, u"一等奖"_s, u"电视"_s, 3, 1);
        const int a = BlankListStore::insertDesignation(t.db(), {0, u"001"_s, u"张三"_s, item, false, u"一厂"_s});
        // No item is stored as NULL, as a blank edit leaves it.
        const int b = BlankListStore::insertDesignation(t.db(), {0, u"002"_s, {}, 0, false, {}});
        QVERIFY(b > a);
        QCOMPARE(t.scalar(u"select count(*) from Award where RecNo = ? and sTime is null"_s, {b}).toInt(), 1);

        // The draw's Checked flag survives an edit of the row.
        t.exec(u"update Award set Checked = 1 where RecNo = ?"_s, {a});
        BlankListStore::updateDesignation(t.db(), {a, u"003"_s, u"李四"_s, item, false, u"二厂"_s});
        const std::vector<Designation> rows = BlankListStore::loadDesignations(t.db());
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].RecNo, a);
        QCOMPARE(rows[0].sNo, u"003"_s);
        QCOMPARE(rows[0].sName, u"李四"_s);
        QCOMPARE(rows[0].sCompCode, u"二厂"_s);
        QVERIFY(rows[0].Checked);
        QCOMPARE(rows[1].sName, QString());

        BlankListStore::deleteDesignation(t.db(), a);
        QCOMPARE(BlankListStore::loadDesignations(t.db()).size(), size_t(1));
        QCOMPARE(BlankListStore::loadDesignations(t.db()).front().RecNo, b);
    }

    void exclusionsAreWrittenRowByRow()
    {
        TempDb t;
        const int a = BlankListStore::insertExclusion(t.db(), {0, u"001"_s, u"张三"_s, u"一厂"_s});
        const int b = BlankListStore::insertExclusion(t.db(), {0, u"001"_s, u"张三"_s, u"二厂"_s});
        BlankListStore::updateExclusion(t.db(), {b, u"002"_s, u"王五"_s, {}});
        BlankListStore::deleteExclusion(t.db(), a);
        const std::vector<Exclusion> rows = BlankListStore::loadExclusions(t.db());
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0].RecNo, b);
        QCOMPARE(rows[0].sNo, u"002"_s);
        QCOMPARE(rows[0].sName, u"王五"_s);
        QCOMPARE(rows[0].sCompCode, QString());
    }

    // Exact codes only ("01" is not "1", "1 " is not "1"), in import order;
    // the roster order is by code as text.
    void rosterLookups()
    {
        TempDb t;
        t.addEmployee(u"1"_s, u"甲"_s, u"二厂"_s);
        t.addEmployee(u"01"_s, u"乙"_s, u"一厂"_s);
        t.addEmployee(u"1"_s, u"丙"_s, u"一厂"_s, u"财务"_s);
        t.addEmployee(u"1 "_s, u"丁"_s, u"一厂"_s);
        const std::vector<Employee> ones = BlankListStore::employeesWithCode(t.db(), u"1"_s);
        QCOMPARE(ones.size(), size_t(2));
        QCOMPARE(ones[0].EmpName, u"甲"_s);
        QCOMPARE(ones[1].EmpName, u"丙"_s);
        QCOMPARE(ones[1].DartNo, u"财务"_s);
        QVERIFY(BlankListStore::employeesWithCode(t.db(), u"2"_s).empty());

        QStringList byCode;
        for (int recNo : BlankListStore::rosterRecNosByCode(t.db()))
            byCode << BlankListStore::employeeByRecNo(t.db(), recNo).EmpCode;
        QCOMPARE(byCode, (QStringList{u"01"_s, u"1"_s, u"1"_s, u"1 "_s}));
        // A row deleted meanwhile reads as empty, never as another row.
        QCOMPARE(BlankListStore::employeeByRecNo(t.db(), 9999).EmpCode, QString());
    }

    void prizeItemsAndCounts()
    {
        TempDb t;
        QCOMPARE(countPrizeItems(t.db()), 0);
        QCOMPARE(countEmployees(t.db()), 0);
        t.addItem(3, u"三等奖"_s, u"杯子"_s, 10, 5);
        t.addItem(1, u"一等奖"_s, u"电视"_s, 1, 1, 1, true); // drawn out
        const int second = insertPrizeItem(t.db(), {0, 2, u"二等奖"_s, u"O'Neil 牌冰箱"_s, 3, 1, false, 0});
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        QCOMPARE(countPrizeItems(t.db()), 3);
        QCOMPARE(countEmployees(t.db()), 1);

        const std::vector<PrizeItem> open = openPrizeItems(t.db());
        QCOMPARE(open.size(), size_t(2));
        QCOMPARE(open[0].RecNo, second);
        QCOMPARE(open[0].Awards, u"O'Neil 牌冰箱"_s);
        QCOMPARE(open[1].iSeq, 3);
        QStringList bySeq;
        for (const PrizeItem &p : BlankListStore::loadItemsBySeq(t.db()))
            bySeq << p.ItemName;
        QCOMPARE(bySeq, (QStringList{u"一等奖"_s, u"二等奖"_s, u"三等奖"_s}));

        deleteAllEmployees(t.db());
        QCOMPARE(countEmployees(t.db()), 0);
    }

    // One unit: counters, winners and designations back to the start, except
    // the items numbered 9999, which stay as they are.
    void resetDraw()
    {
        TempDb t;
        const int drawn = t.addItem(1, u"一等奖"_s, u"电视"_s, 1, 1, 1, true);
        const int kept = t.addItem(9999, u"纪念奖"_s, u"书"_s, 5, 1, 2, false);
        t.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('1', '甲', ?, '一厂')"_s, {drawn});
        t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1', '甲', ?, 1, '一厂')"_s, {drawn});
        ::resetDraw(t.db());
        QCOMPARE(t.scalar(u"select ExcNum + 10 * IsExec from AwardItem where RecNo = ?"_s, {drawn}).toInt(), 0);
        QCOMPARE(t.scalar(u"select ExcNum from AwardItem where RecNo = ?"_s, {kept}).toInt(), 2);
        QCOMPARE(t.scalar(u"select count(*) from AwardList"_s).toInt(), 0);
        QCOMPARE(t.scalar(u"select count(*) from Award where Checked = 0"_s).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_store_lists)
#include "tst_store_lists.moc"
