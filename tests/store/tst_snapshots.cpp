// Snapshots of the database before the actions that change it for good, and
// the restore from them, on real files in a temporary folder.
#include "store/dberror.h"
#include "store/drawlog.h"
#include "store/schema.h"
#include "store/setupstore.h"
#include "store/proofstore.h"
#include "store/snapshots.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// A small event: a roster, two items, a winner and a draw record.
void fill(TempDb &t)
{
    t.addEmployee(u"1001"_s, u"张三"_s, u"一厂"_s);
    t.addEmployee(u"1002"_s, u"李四"_s, u"二厂"_s);
    const int item = t.addItem(1, u"一等奖"_s, u"电视机"_s, 2, 1, 1, false);
    t.addItem(2, u"二等奖"_s, u"自行车"_s, 5, 1);
    t.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)"_s,
           {u"1001"_s, u"张三"_s, item, u"一厂"_s});
}

// Each record as event|item|prize, in the order written.
QStringList drawRecord(TempDb &t)
{
    QStringList rows;
    for (const DrawRecord &r : loadDrawRecords(t.db()))
        rows << r.sEvent + u'|' + r.sItemName + u'|' + r.sAwards;
    return rows;
}

QStringList snapshotNames(const TempDb &t)
{
    return QDir(Snapshots::folderFor(t.path())).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class tst_snapshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The store's destructive actions keep the data of before; a restore of
    // that snapshot brings it back, after keeping the data it replaces.
    void snapshotHoldsTheDataBeforeAndRestoresIt_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<std::function<void(TempDb &)>>("run");
        QTest::addRow("reset") << Snapshots::reset()
                               << std::function<void(TempDb &)>([](TempDb &t) { resetDraw(t.db()); });
        QTest::addRow("clear roster") << Snapshots::clearRoster()
                                      << std::function<void(TempDb &)>([](TempDb &t) { deleteAllEmployees(t.db()); });
    }
    void snapshotHoldsTheDataBeforeAndRestoresIt()
    {
        QFETCH(QString, action);
        QFETCH(std::function<void(TempDb &)>, run);
        TempDb t;
        fill(t);
        const QString before = databaseDump(t.path());
        run(t);
        const QString after = databaseDump(t.path());
        QVERIFY(after != before);

        const std::vector<Snapshots::Entry> taken = Snapshots::list(t.path());
        QCOMPARE(taken.size(), 1u);
        QCOMPARE(taken[0].action, action);
        QVERIFY(QFileInfo(taken[0].path).fileName().startsWith(u"config."_s));
        QCOMPARE(databaseDump(taken[0].path), before);
        QCOMPARE(taken[0].people, 2);
        QCOMPARE(taken[0].items, 2);
        QCOMPARE(taken[0].winners, 1);

        const QStringList recordBefore = drawRecord(t);
        Snapshots::restoreFrom(t.db(), taken[0].path);
        QCOMPARE(databaseDump(t.path(), {u"DrawLog"_s}), databaseDump(taken[0].path, {u"DrawLog"_s}));
        QVERIFY(t.db().isOpen());
        // The draw record only grows: the record of the action stays, and the
        // restore is recorded with the file it came from.
        QCOMPARE(drawRecord(t).mid(0, recordBefore.size()), recordBefore);
        QCOMPARE(drawRecord(t).size(), recordBefore.size() + 1);
        QCOMPARE(drawRecord(t).constLast(), u"恢复|%1|员工2 奖项2 中奖者1"_s.arg(QFileInfo(taken[0].path).fileName()));
        const std::vector<Snapshots::Entry> now = Snapshots::list(t.path());
        QCOMPARE(now.size(), 2u);
        QCOMPARE(now[0].action, Snapshots::restore());
        QCOMPARE(databaseDump(now[0].path), after);
    }

    // Nothing destructive runs without its snapshot: the action is refused
    // with the folder named, and no half-written copy is left behind.
    void failingSnapshotStopsTheAction_data()
    {
        QTest::addColumn<std::function<void(const QString &)>>("spoil");
        QTest::addRow("a file where the folder goes")
            << std::function<void(const QString &)>([](const QString &folder) {
                   QFile f(folder);
                   QVERIFY(f.open(QIODevice::WriteOnly));
               });
        QTest::addRow("folder marked read-only") << std::function<void(const QString &)>([](const QString &folder) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        });
        QTest::addRow("disk full") << std::function<void(const QString &)>({});
    }
    void failingSnapshotStopsTheAction()
    {
        QFETCH(std::function<void(const QString &)>, spoil);
        TempDb t;
        fill(t);
        const QString folder = Snapshots::folderFor(t.path());
        if (spoil)
            spoil(folder);
        const QString before = databaseDump(t.path());
        QString message;
        try {
            std::optional<FileSizeLimit> full;
            if (!spoil)
                full.emplace(2048);
            resetDraw(t.db());
        } catch (const DbError &error) {
            message = error.text();
        }
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY2(message.contains(QDir::toNativeSeparators(folder)), qPrintable(message));
        QVERIFY(message.contains(u"数据没有任何改动"_s));
        QCOMPARE(databaseDump(t.path()), before);
        if (QFileInfo(folder).isDir())
            QCOMPARE(snapshotNames(t), QStringList());
    }

    // The newest 30 stay, whatever their action; copies within one second
    // keep their order.
    void newestThirtyAreKept()
    {
        TempDb t;
        const QDateTime start(QDate(2026, 12, 9), QTime(20, 15, 3));
        for (int i = 0; i < 33; ++i)
            Snapshots::take(t.db(), i % 2 ? Snapshots::reset() : Snapshots::deleteWinner(), start.addSecs(i / 2));
        const std::vector<Snapshots::Entry> kept = Snapshots::list(t.path());
        QCOMPARE(int(kept.size()), Snapshots::kKept);
        QCOMPARE(snapshotNames(t).size(), Snapshots::kKept);
        QCOMPARE(QFileInfo(kept.front().path).fileName(), u"config.20261209-201519.删除中奖者.dll"_s);
        QCOMPARE(QFileInfo(kept[1].path).fileName(), u"config.20261209-201518-2.重置.dll"_s);
        QCOMPARE(QFileInfo(kept[2].path).fileName(), u"config.20261209-201518.删除中奖者.dll"_s);
        QCOMPARE(kept.back().when, start.addSecs(1));
        QCOMPARE(kept.back().action, Snapshots::reset());

        // Thirty stamped a day ahead (a clock set wrong, then corrected):
        // the copy just taken is kept all the same, the oldest of the others go.
        for (int i = 0; i < Snapshots::kKept; ++i)
            Snapshots::take(t.db(), Snapshots::reset(), start.addDays(1).addSecs(i));
        const QString taken = Snapshots::take(t.db(), Snapshots::reset(), start.addSecs(60));
        QVERIFY(QFileInfo::exists(taken));
        QCOMPARE(snapshotNames(t).size(), Snapshots::kKept);
        QVERIFY(!QFileInfo::exists(Snapshots::folderFor(t.path()) + u"/config.20261210-201503.重置.dll"_s));
    }

    // A link planted under the name of the copy being written (pointing at
    // another database, or at nothing) is never written through: the copy
    // gets a name of its own, the other file stays as it was and nothing is
    // made outside the folder.
    void plantedLinksAreNotWrittenThrough_data()
    {
        QTest::addColumn<bool>("dangling");
        QTest::addRow("link to another database") << false;
        QTest::addRow("dangling link") << true;
    }
    void plantedLinksAreNotWrittenThrough()
    {
        QFETCH(bool, dangling);
        TempDb t;
        fill(t);
        TempDb other;
        other.db().close();
        const QString otherBefore = databaseDump(other.path());
        const QString target = dangling ? other.folder() + u"made-here.dll"_s : other.path();
        const QString folder = Snapshots::folderFor(t.path());
        QVERIFY(QDir().mkpath(folder));
        const QDateTime when(QDate(2026, 12, 9), QTime(20, 15, 3));
        const QString name = folder + u"/config.20261209-201503.重置.dll"_s;
        QVERIFY(QFile::link(target, name + u".part"_s));
        QVERIFY(QFile::link(target, name + u".part-journal"_s));

        const QString taken = Snapshots::take(t.db(), Snapshots::reset(), when);
        QCOMPARE(QFileInfo(taken).fileName(), u"config.20261209-201503-2.重置.dll"_s);
        QVERIFY(!QFileInfo(taken).isSymLink());
        QCOMPARE(databaseDump(taken), databaseDump(t.path()));
        if (dangling)
            QVERIFY(!QFileInfo::exists(target));
        else
            QCOMPARE(databaseDump(other.path()), otherBefore);
    }

    // The draw record only grows: a restore keeps today's records, adds those
    // of the restored file that today's lacks (by content: equal records
    // count one for one, whatever their numbers) and records itself.
    void drawRecordOnlyGrows()
    {
        const auto record = [](TempDb &db, const QString &event, const QString &code) {
            db.exec(u"insert into DrawLog(sWhen, sEvent, sNo) values('2026-12-09 20:00:00', ?, ?)"_s, {event, code});
        };
        TempDb source;
        fill(source);
        record(source, u"中奖"_s, u"1001"_s);
        record(source, u"中奖"_s, u"1001"_s);
        record(source, u"中奖"_s, u"2002"_s);
        source.db().close();
        TempDb t;
        record(t, u"删除"_s, u"9"_s);
        record(t, u"中奖"_s, u"1001"_s);
        record(t, u"重置"_s, QString());
        Snapshots::restoreFrom(t.db(), source.path(), u"/media/stick/备份.dll"_s);
        QStringList rows;
        for (const DrawRecord &r : loadDrawRecords(t.db()))
            rows << u"%1 %2 %3"_s.arg(r.RecNo).arg(r.sEvent, r.sNo);
        QCOMPARE(rows, (QStringList{u"1 删除 9"_s, u"2 中奖 1001"_s, u"3 重置 "_s, u"4 中奖 1001"_s, u"5 中奖 2002"_s,
                                    u"6 恢复 "_s}));
        QCOMPARE(drawRecord(t).constLast(), u"恢复|备份.dll|员工2 奖项2 中奖者1"_s);
    }

    // The proof only grows too: a seed revealed since the snapshot stays
    // revealed (a revealed seed must never draw again) and today's presses
    // stay; a backup's own presses that today's file lacks come along.
    void proofOnlyGrows()
    {
        TempDb t;
        fill(t);
        const ProofStore::Seed first = ProofStore::liveSeed(t.db());
        ProofStore::appendPress(t.db(), {1, first.number, 0, u"2026-12-09 20:00:00"_s, 1, u"一等奖"_s, u"电视"_s,
                                         u"[]"_s, 1, 1, u"{}"_s, 0});
        const QString taken = Snapshots::take(t.db(), Snapshots::reset());
        ProofStore::appendPress(t.db(), {2, first.number, 0, u"2026-12-09 20:05:00"_s, 1, u"一等奖"_s, u"电视"_s,
                                         u"[]"_s, 1, 1, u"{}"_s, 0});
        ProofStore::reveal(t.db());

        TempDb other;
        fill(other);
        ProofStore::liveSeed(other.db());
        for (int n = 1; n <= 3; ++n) {
            ProofStore::appendPress(
                other.db(), {n, 1, 0, u"2026-12-09 19:00:00"_s, 1, u"其他"_s, u"其他"_s, u"[]"_s, 1, 1, u"{}"_s, 0});
        }
        other.db().close();

        Snapshots::restoreFrom(t.db(), taken);
        std::vector<ProofStore::Seed> seeds = ProofStore::allSeeds(t.db());
        QCOMPARE(seeds.size(), size_t(1));
        QVERIFY(!seeds[0].revealed.isEmpty());
        QVERIFY(ProofStore::liveCommitment(t.db()).isEmpty());
        QCOMPARE(ProofStore::allPresses(t.db()).size(), size_t(2));

        // Another event's backup: today's rows win where both have a number.
        Snapshots::restoreFrom(t.db(), other.path(), u"/media/stick/备份.dll"_s);
        const std::vector<ProofStore::Press> presses = ProofStore::allPresses(t.db());
        QCOMPARE(presses.size(), size_t(3));
        QCOMPARE(presses[1].itemName, u"一等奖"_s);
        QCOMPARE(presses[2].itemName, u"其他"_s);
        QVERIFY(!ProofStore::allSeeds(t.db())[0].revealed.isEmpty());
    }

    // A file of an older build is upgraded by the step list on restore; the
    // restored-from file itself is only read.
    void olderSchemaIsUpgradedOnRestore()
    {
        TempDb older;
        fill(older);
        for (const QString &statement :
             {u"drop trigger if exists AwardScopeFollowsItem"_s, u"drop table DrawState"_s, u"drop table AwardScope"_s,
              u"drop table DrawSeed"_s, u"drop table DrawRoster"_s, u"drop table DrawPress"_s,
              u"drop table DrawPressWinner"_s, u"drop table DrawLog"_s, u"PRAGMA user_version = 0"_s})
            older.exec(statement);
        older.db().close();
        const QString olderDump = databaseDump(older.path());

        TempDb t;
        Snapshots::restoreFrom(t.db(), older.path());
        QCOMPARE(t.db().schemaVersion(), latestSchemaVersion());
        QCOMPARE(t.scalar(u"select count(*) from EmpNo"_s).toInt(), 2);
        QCOMPARE(drawRecord(t), QStringList{u"恢复|config.dll|员工2 奖项2 中奖者1"_s});
        QCOMPARE(databaseDump(older.path()), olderDump);
        QCOMPARE(QDir(older.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"config.dll"_s});
    }

    // A file that is no database of ours is refused by its name; the data in
    // use, and the snapshots, stay as they are.
    void unusableFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("said");
        QTest::addRow("text") << QByteArray("工号\t姓名\n") << QString() << u"不是本程序的数据库文件"_s;
        QTest::addRow("empty") << QByteArray() << QString() << u"0 字节"_s;
        QTest::addRow("table missing") << QByteArray() << u"drop table AwardList"_s << u"缺少数据表 AwardList"_s;
        QTest::addRow("missing") << QByteArray("-") << QString() << u"无法读取文件"_s;
        // Statements of the file's own that would run at every write or read.
        QTest::addRow("trigger") << QByteArray()
                                 << u"create trigger Wipe after insert on AwardList begin delete from EmpNo; end"_s
                                 << u"含有不是本程序建立的触发器 Wipe"_s;
        QTest::addRow("our trigger's name, another body")
            << QByteArray()
            << u"drop trigger AwardScopeFollowsItem\ncreate trigger AwardScopeFollowsItem after delete on "
               u"AwardItem begin delete from EmpNo; end"_s
            << u"触发器 AwardScopeFollowsItem"_s;
        QTest::addRow("a view in place of a table")
            << QByteArray()
            << u"drop table AwardBlank\ncreate view AwardBlank as select RecNo, sNo, sName, sCompCode from AwardList"_s
            << u"含有视图 AwardBlank"_s;
        QTest::addRow("a later version without its tables")
            << QByteArray() << u"drop table DrawState\ndrop table AwardScope\nPRAGMA user_version = 9"_s
            << u"缺少它的版本（9）应有的数据表 AwardScope"_s;
    }
    void unusableFileIsRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, statement);
        QFETCH(QString, said);
        TempDb t;
        fill(t);
        TempDb other;
        const QString path = other.folder() + u"选中的.dll"_s;
        if (!statement.isEmpty()) {
            for (const QString &one : statement.split(u'\n'))
                other.exec(one);
            other.db().close();
            QVERIFY(QFile::copy(other.path(), path));
        } else if (content != "-") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QString before = databaseDump(t.path());
        QString message;
        try {
            Snapshots::restoreFrom(t.db(), path);
        } catch (const DbError &error) {
            message = error.text();
        }
        QVERIFY2(message.contains(said) && message.contains(QDir::toNativeSeparators(path))
                     && message.contains(u"现在的数据没有改动"_s),
                 qPrintable(message));
        QVERIFY(!message.contains(u".restore-"_s));
        QCOMPARE(databaseDump(t.path()), before);
        QVERIFY(Snapshots::list(t.path()).empty());
        QCOMPARE(QDir(t.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"config.dll"_s});
    }
};

QTEST_GUILESS_MAIN(tst_snapshots)
#include "tst_snapshots.moc"
