#include "store/catalogue.h"
#include "store/dberror.h"
#include "store/dialect.h"
#include "store/rowreaders.h"
#include "store/schema.h"
#include "store/scopestore.h"
#include "testsupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_catalogue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dialectRewritesTopN_data()
    {
        QTest::addColumn<QString>("jet");
        QTest::addColumn<QString>("sqlite");
        QTest::addRow("top 1 *")
            << u"select top 1 * from AwardItem where (ExcNum<SumNumber) and (RecNo = ?) order by iSeq"_s
            << u"select * from AwardItem where (ifnull(ExcNum,0)<SumNumber) and (RecNo = ?) order by iSeq limit 1"_s;
        QTest::addRow("top 1 column")
            << u"select top 1 RecNo from AwardItem where IsExec = 0 order by iSeq"_s
            << u"select RecNo from AwardItem where ifnull(IsExec,0) = 0 order by iSeq limit 1"_s;
        QTest::addRow("open items") << u"select * from AwardItem where ExcNum <SumNumber order by iSeq"_s
                                    << u"select * from AwardItem where ifnull(ExcNum,0) <SumNumber order by iSeq"_s;
        QTest::addRow("writes untouched") << u"update AwardItem set ExcNum = ? where [RecNo]=?"_s
                                          << u"update AwardItem set ExcNum = ? where [RecNo]=?"_s;
        QTest::addRow("null test untouched") << u"select RecNo from AwardItem where ExcNum is null"_s
                                             << u"select RecNo from AwardItem where ExcNum is null"_s;
        QTest::addRow("qualified names untouched") << u"select AwardItem.ExcNum from AwardItem where [ExcNum] = 1"_s
                                                   << u"select AwardItem.ExcNum from AwardItem where [ExcNum] = 1"_s;
        QTest::addRow("untouched") << u"select * from EmpNo order by RecNo"_s
                                   << u"select * from EmpNo order by RecNo"_s;
        QTest::addRow("top in a value") << u"select * from EmpNo where EmpName = 'top 5'"_s
                                        << u"select * from EmpNo where EmpName = 'top 5'"_s;
    }
    void dialectRewritesTopN()
    {
        QFETCH(QString, jet);
        QTEST(toSqlite(jet), "sqlite");
    }

    void everyStatementRunsOnARealFile()
    {
        TempDb t;
        Database &db = t.db();
        const QString quoteName = u"O'Neil"_s;
        const QString injection = u"'; delete from EmpNo --"_s;

        db.exec(Catalogue::InsertEmployee, {u"A001"_s, quoteName, injection, u"部门"_s});
        db.exec(Catalogue::InsertEmployee, {u"0002"_s, u"张三"_s, u"一厂"_s, QString()});
        QSqlQuery roster = db.exec(Catalogue::EmpNoByRecNo);
        const auto employees = readEmployees(roster);
        QCOMPARE(employees.size(), size_t(2));
        QCOMPARE(employees[0].EmpName, quoteName);
        QCOMPARE(employees[0].CompCode, injection);
        QSqlQuery byCode = db.exec(Catalogue::EmpNoByCode);
        QCOMPARE(readEmployees(byCode).front().EmpCode, u"0002"_s);

        const int a = t.addItem(2, u"一等奖"_s, u"电脑"_s, 2, 1);
        const int b = t.addItem(1, u"二等奖"_s, u"手机"_s, 3, 3, 3, false);
        QSqlQuery items = db.exec(Catalogue::AwardItemBySeq);
        QCOMPARE(readPrizeItems(items).front().RecNo, b);
        QSqlQuery open = db.exec(Catalogue::OpenAwardItems);
        const auto openItems = readPrizeItems(open);
        QCOMPARE(openItems.size(), size_t(1));
        QCOMPARE(openItems.front().RecNo, a);
        QSqlQuery current = db.exec(Catalogue::CurrentAwardItem, {a});
        QCOMPARE(readPrizeItems(current).size(), size_t(1));
        QSqlQuery full = db.exec(Catalogue::CurrentAwardItem, {b});
        QCOMPARE(readPrizeItems(full).size(), size_t(0));
        QCOMPARE(db.scalar(Catalogue::FirstUnexecutedItem).toInt(), b);

        db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?,?,?,0,?)"_s,
                {u"A001"_s, quoteName, a, injection});
        QCOMPARE(db.exec(Catalogue::IsDesignated, {u"A001"_s, injection}).next(), true);
        QCOMPARE(db.exec(Catalogue::IsDesignated, {u"A001"_s, u"一厂"_s}).next(), false);
        QSqlQuery pending = db.exec(Catalogue::OpenDesignations, {a});
        QCOMPARE(readDesignations(pending).size(), size_t(1));
        QVERIFY(db.exec(Catalogue::AwardByRecNo).next());
        QVERIFY(db.exec(Catalogue::AllAwards).next());
        QVERIFY(db.exec(Catalogue::AwardListScreen).next());
        QVERIFY(!db.exec(Catalogue::AwardBlankByRecNo).next());

        db.exec(Catalogue::Post::AppendWinner, {u"A001"_s, quoteName, a, injection});
        db.exec(Catalogue::Post::AppendWinner, {u"A001"_s, u"李四"_s, b, u"二厂"_s});
        QCOMPARE(db.scalar(Catalogue::CountWinners, {a}).toInt(), 1);
        QSqlQuery joined = db.exec(Catalogue::WinnersWithItems);
        QVERIFY(joined.next());
        QCOMPARE(joined.value(0).toString(), u"A001"_s);
        QCOMPARE(joined.value(4).toString(), injection);
        QCOMPARE(joined.value(5).toInt(), a);

        // Deleting by code and factory leaves the same code in another factory.
        QCOMPARE(db.execAffected(Catalogue::DeleteWinner, {u"A001"_s, injection, u"名字不问"_s}), 1);
        QSqlQuery left = db.exec(Catalogue::AwardListByRecNo);
        const auto winners = readWinners(left);
        QCOMPARE(winners.size(), size_t(1));
        QCOMPARE(winners.front().sCompCode, u"二厂"_s);
        QCOMPARE(db.execAffected(Catalogue::SetDrawnCount, {0, a}), 1);
        QCOMPARE(db.execAffected(Catalogue::SetDrawnCount, {0, 9999}), 0);

        db.exec(Catalogue::DeleteAllWinners);
        db.exec(Catalogue::DeleteAllEmployees);
        QCOMPARE(t.scalar(u"select count(*) from AwardList"_s).toInt(), 0);
        QCOMPARE(t.scalar(u"select count(*) from EmpNo"_s).toInt(), 0);
    }

    void fieldsRefuseWhatJetRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<bool>("accepted");
        const QString emp = u"insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?,?,?,?)"_s;
        const QString item = u"insert into AwardItem(iSeq, ItemName, SumNumber) values(?,?,?)"_s;
        QTest::addRow("50 characters fit") << emp << QVariantList{QString(50, u'码'), u"n"_s, u"f"_s, u"d"_s} << true;
        QTest::addRow("51 characters code") << emp << QVariantList{QString(51, u'1'), u"n"_s, u"f"_s, u"d"_s} << false;
        QTest::addRow("60 characters department")
            << emp << QVariantList{u"1"_s, u"n"_s, u"f"_s, QString(60, u'部')} << false;
        QTest::addRow("100 characters factory")
            << emp << QVariantList{u"1"_s, u"n"_s, QString(100, u'厂'), u"d"_s} << true;
        QTest::addRow("101 characters factory")
            << emp << QVariantList{u"1"_s, u"n"_s, QString(101, u'厂'), u"d"_s} << false;
        QTest::addRow("integer as text") << item << QVariantList{u"abc"_s, u"x"_s, 1} << false;
        QTest::addRow("integer beyond 32 bits") << item << QVariantList{1, u"x"_s, 5000000000LL} << false;
        QTest::addRow("numeric text becomes integer") << item << QVariantList{u"7"_s, u"x"_s, 1} << true;
        const QString record = u"insert into DrawLog(sWhen, sEvent, sTime, sHow) values(?,?,?,?)"_s;
        QTest::addRow("record") << record << QVariantList{u"2026-01-01 08:00:00"_s, u"中奖"_s, 3, u"随机"_s} << true;
        QTest::addRow("record event of 21") << record << QVariantList{u"t"_s, QString(21, u'事'), 3, u"h"_s} << false;
        QTest::addRow("record item as text") << record << QVariantList{u"t"_s, u"中奖"_s, u"一等奖"_s, u"h"_s} << false;
    }
    void fieldsRefuseWhatJetRefused()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QFETCH(bool, accepted);
        TempDb t;
        bool ok = true;
        try {
            t.db().exec(sql, values);
        } catch (const DbError &e) {
            ok = false;
            QVERIFY(!e.text().isEmpty());
        }
        QCOMPARE(ok, accepted);
    }

    void booleansDefaultToFalseAndRecNoIsNeverReused()
    {
        TempDb t;
        t.exec(u"insert into Award(sNo) values('1')"_s);
        QCOMPARE(t.scalar(u"select count(*) from Award where Checked =0"_s).toInt(), 1);
        t.addEmployee(u"1"_s, u"a"_s, u"f"_s);
        t.addEmployee(u"2"_s, u"b"_s, u"f"_s);
        t.exec(u"delete from EmpNo where RecNo = 2"_s);
        t.addEmployee(u"3"_s, u"c"_s, u"f"_s);
        QCOMPARE(t.scalar(u"select max(RecNo) from EmpNo"_s).toInt(), 3);
    }

    void openingNeverCreatesAndReportsInTheOperatorsWords()
    {
        QTemporaryDir dir;
        Database db(u"missing"_s);
        const QString missing = dir.path() + u"/config.dll"_s;
        QVERIFY(!db.open(missing).isEmpty());
        QVERIFY(!QFile::exists(missing));
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec(Catalogue::EmpNoByRecNo));

        QFile junk(missing);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        const QString error = db.open(missing);
        QVERIFY2(error.contains(u"不是本程序的数据库文件"_s), qPrintable(error));
        QVERIFY(!db.isOpen());
    }

    // Files of older builds (and of other tools) may hold no count for an
    // item; such an item has no winners and must be offered. A new item
    // starts at 0 by the field's default.
    void itemWithoutCountsIsOpen_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addRow("writable") << false;
        QTest::addRow("read-only") << true;
    }
    void itemWithoutCountsIsOpen()
    {
        QFETCH(bool, readOnly);
        TempDb t;
        t.exec(u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber) values(1, 'a', 'b', 3, 1)"_s);
        QCOMPARE(t.scalar(u"select ExcNum from AwardItem"_s).toInt(), 0);
        t.exec(
            u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, ExcNum) values(2, 'c', 'd', 3, 1, NULL)"_s);
        const int nullItem = t.scalar(u"select RecNo from AwardItem where ExcNum is null"_s).toInt();
        t.exec(u"update AwardItem set IsExec = 1 where RecNo <> ?"_s, {nullItem});
        if (readOnly) {
            t.db().close();
            QVERIFY(QFile::setPermissions(t.path(), QFile::ReadOwner | QFile::ReadGroup));
            QCOMPARE(t.db().open(t.path()), QString());
            QVERIFY(t.db().isReadOnly());
        }
        Database &db = t.db();
        QSqlQuery open = db.exec(Catalogue::OpenAwardItems);
        QCOMPARE(readPrizeItems(open).size(), size_t(2));
        QSqlQuery current = db.exec(Catalogue::CurrentAwardItem, {nullItem});
        const auto items = readPrizeItems(current);
        QCOMPARE(items.size(), size_t(1));
        QCOMPARE(items.front().ExcNum, 0);
        QCOMPARE(db.scalar(Catalogue::FirstUnexecutedItem).toInt(), nullItem);
        QFile::setPermissions(t.path(), QFile::ReadOwner | QFile::WriteOwner);
    }

    void closedConnectionIsOpenedAgainOnDemand()
    {
        TempDb t;
        t.db().close();
        QCOMPARE(t.scalar(u"select count(*) from EmpNo"_s).toInt(), 0);
        QVERIFY(t.db().isOpen());
    }

    void transactionRollsBackWhenNotCommitted()
    {
        TempDb t;
        try {
            Transaction tx(t.db());
            t.addEmployee(u"1"_s, u"a"_s, u"f"_s);
            t.addEmployee(QString(51, u'1'), u"b"_s, u"f"_s);
            tx.commit();
        } catch (const DbError &) {
        }
        QCOMPARE(t.scalar(u"select count(*) from EmpNo"_s).toInt(), 0);
    }

    // Every table and field with its type, and the triggers: the layout a
    // file of ours has.
    static QStringList layout(Database &db)
    {
        QStringList out;
        QSqlQuery tables = db.exec(u"select name, type from sqlite_master where type in ('table', 'trigger') "
                                   "and name not like 'sqlite%' order by name"_s);
        while (tables.next()) {
            out << tables.value(1).toString() + u' ' + tables.value(0).toString();
            QSqlQuery fields = db.exec(u"select name, type, dflt_value from pragma_table_info(?)"_s, {tables.value(0)});
            while (fields.next())
                out << u"  "_s + fields.value(0).toString() + u' ' + fields.value(1).toString() + u' '
                           + fields.value(2).toString();
        }
        return out;
    }

    // A database of an older build is brought to the layout of a new file by
    // the numbered steps, once; a file that is not the system's is never
    // written to.
    void olderDatabasesAreUpgradedByTheSteps_data()
    {
        QTest::addColumn<QStringList>("undo"); // what makes a new file look like the older one
        QTest::addColumn<int>("version"); // its user_version
        QTest::addColumn<bool>("hadRecord");
        const QString noScopes = u"drop table AwardScope"_s, noState = u"drop table DrawState"_s;
        const QStringList noProof{u"drop table DrawSeed"_s, u"drop table DrawRoster"_s, u"drop table DrawPress"_s,
                                  u"drop table DrawPressWinner"_s};
        QTest::addRow("before the draw record")
            << QStringList{u"drop table DrawLog"_s, noScopes, noState} + noProof << 0 << false;
        QTest::addRow("the build before the step list")
            << QStringList{u"alter table DrawLog drop column sScope"_s, noScopes, noState} + noProof << 0 << true;
        QTest::addRow("scopes but no kept item") << QStringList{noState} + noProof << 3 << true;
        QTest::addRow("no proof of the draw yet") << noProof << 4 << true;
    }
    void olderDatabasesAreUpgradedByTheSteps()
    {
        QFETCH(QStringList, undo);
        QFETCH(int, version);
        QFETCH(bool, hadRecord);
        QTemporaryDir dir;
        const QString older = dir.path() + u"/older.dll"_s;
        const QString foreign = dir.path() + u"/foreign.db"_s;
        QStringList fresh;
        QVERIFY(createEmptyDatabase(older).isEmpty());
        {
            Database db(u"older"_s);
            QVERIFY(db.open(older).isEmpty());
            QCOMPARE(db.schemaVersion(), latestSchemaVersion());
            fresh = layout(db);
            QVERIFY(fresh.contains(u"  sScope TEXT "_s));
            db.exec(u"insert into DrawLog(sWhen, sEvent) values('2026-01-01 20:00:00', '重置')"_s);
            for (const QString &statement : undo)
                db.exec(statement);
            if (version < 2)
                db.exec(u"drop trigger if exists AwardScopeFollowsItem"_s);
            db.exec(u"PRAGMA user_version = %1"_s.arg(version));
            db.exec(u"create table Other (x)"_s);
        }
        {
            // Another program's SQLite file.
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"foreign-maker"_s);
            other.setDatabaseName(foreign);
            QVERIFY(other.open());
            QSqlQuery(other).exec(u"create table Notes (x)"_s);
            other.close();
        }
        QSqlDatabase::removeDatabase(u"foreign-maker"_s);
        const QByteArray foreignBytes = [&] {
            QFile f(foreign);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!foreignBytes.isEmpty());

        Database db(u"reopened"_s);
        QVERIFY(db.open(older).isEmpty());
        QCOMPARE(db.schemaVersion(), latestSchemaVersion());
        QStringList upgraded = layout(db);
        upgraded.removeAll(u"table Other"_s);
        upgraded.removeAll(u"  x  "_s);
        QCOMPARE(upgraded, fresh);
        // The record's rows are kept where it existed.
        QCOMPARE(db.scalar(u"select count(*) from DrawLog"_s).toInt(), hadRecord ? 1 : 0);
        QVERIFY(db.open(older).isEmpty()); // opening again changes nothing
        QCOMPARE(db.schemaVersion(), latestSchemaVersion());
        // The start checks refuse a file without the system's tables, and it is left as it was.
        QVERIFY(!db.open(foreign).isEmpty());
        QFile f(foreign);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), foreignBytes);
    }

    // Deleting an item takes its scope with it, however it is deleted.
    void scopeRowsFollowTheirItem()
    {
        TempDb t;
        const int a = t.addItem(1, u"A"_s, u"a"_s, 2, 1);
        const int b = t.addItem(2, u"B"_s, u"b"_s, 2, 1);
        ScopeStore::setItemScope(t.db(), a, {{0, a, u"一厂"_s, QString()}, {0, a, QString(), u"财务部"_s}});
        ScopeStore::setItemScope(t.db(), b, {{0, b, u"二厂"_s, u"生产部"_s}});
        QCOMPARE(ScopeStore::summary(ScopeStore::itemScope(t.db(), a)), u"一厂；财务部"_s);
        QCOMPARE(ScopeStore::summary(ScopeStore::itemScope(t.db(), a), 4), u"一厂；…"_s);
        QCOMPARE(ScopeStore::summary({}), u"全体"_s);
        t.exec(u"delete from AwardItem where RecNo = ?"_s, {a});
        QCOMPARE(ScopeStore::allScopes(t.db()).size(), size_t(1));
        QCOMPARE(ScopeStore::allScopes(t.db()).front().CompCode, u"二厂"_s);
    }

    void demoDatabaseHasRosterAndItems()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/config.dll"_s;
        QVERIFY(createDemoDatabase(path).isEmpty());
        QVERIFY(!databaseHasNoRows(path));
        QVERIFY(createEmptyDatabase(path).isEmpty());
        QVERIFY(databaseHasNoRows(path));
    }
};

QTEST_GUILESS_MAIN(tst_catalogue)
#include "tst_catalogue.moc"
