// Snapshots, restore and the backup file as the operator reaches them: every
// destructive command of the settings screen and the winners list, 恢复数据
// and 备份数据, with scripted answers and real database files.
#include "listsfrmparts.h"
#include "screensupport.h"
#include "testsupport.h"

#include "draw/prizeround.h"
#include "store/schema.h"
#include "store/snapshots.h"
#include "ui/admin/listsfrm.h"
#include "ui/admin/restorefrm.h"
#include "ui/admin/setupfrm.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A small event: a roster, two items, a winner of each, an exclusion, the
// settings and the stage's pictures.
struct Fixture {
    TempDb db;
    TestServices ts{db};
    // What the restore screen does when it opens; default: the newest snapshot.
    std::function<int(TRestoreFrm &)> onRestoreScreen = [](TRestoreFrm &picker) {
        picker.findChild<QPushButton *>(u"RestoreButton"_s)->click();
        return picker.result();
    };
    bool dataWasReplaced = false;
    // Runs while the settings screen is open, before the button is pressed.
    std::function<void()> beforePress;

    Fixture()
    {
        db.addEmployee(u"1001"_s, u"张三"_s, u"一厂"_s);
        db.addEmployee(u"1002"_s, u"李四"_s, u"二厂"_s);
        db.addEmployee(u"1003"_s, u"王五"_s, u"一厂"_s);
        const int first = db.addItem(1, u"一等奖"_s, u"电视机"_s, 2, 1, 1, false);
        const int second = db.addItem(2, u"二等奖"_s, u"自行车"_s, 5, 1, 1, false);
        db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('1001', '张三', ?, '一厂')"_s, {first});
        db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('1002', '李四', ?, '二厂')"_s, {second});
        db.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1003', '王五', '一厂')"_s);
        write(u"config.ini"_s, "[config]\r\nATltle=年会抽奖\r\niTime=7\r\n");
    }
    void write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(db.folder() + name).absolutePath());
        QFile f(db.folder() + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Opens the settings screen, presses the button named `button` and closes it.
    void press(const QString &button)
    {
        ts.dialogs.onModal = [this, button](QDialog &d) {
            if (auto *picker = dynamic_cast<TRestoreFrm *>(&d))
                return onRestoreScreen(*picker);
            auto &screen = dynamic_cast<TSetupFrm &>(d);
            screen.show();
            if (beforePress)
                beforePress();
            screen.findChild<QPushButton *>(button)->click();
            dataWasReplaced = screen.dataWasReplaced();
            return int(QDialog::Rejected);
        };
        TSetupFrm screen(ts.settings, db.db(), ts.dialogs, ts.pacer);
        screen.FormShow();
        ts.dialogs.runModal(screen);
    }
    void inWinnersList(const std::function<void(ListsFrmParts &)> &step)
    {
        PrizeRound round(db.db(), ts.pacer);
        TListsFrm screen(db.db(), ts.dialogs, round);
        ListsFrmParts ui(screen);
        step(ui);
    }
    QString dump() { return databaseDump(db.path()); }
};

using Action = std::function<void(Fixture &)>;

void addActionRows()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<Action>("run");
    QTest::addRow("reset") << Snapshots::reset() << Action([](Fixture &f) { f.press(u"Button1"_s); });
    QTest::addRow("clear roster") << Snapshots::clearRoster() << Action([](Fixture &f) { f.press(u"Button2"_s); });
    QTest::addRow("delete prize item") << Snapshots::deletePrizeItem()
                                       << Action([](Fixture &f) { f.press(u"Button4"_s); });
    QTest::addRow("import, replacing") << Snapshots::importRoster() << Action([](Fixture &f) {
        f.write(u"roster.txt"_s, "三厂\t财务\t赵六\t2001\r\n");
        f.ts.dialogs.fileAnswers = {f.db.folder() + u"roster.txt"_s};
        f.ts.dialogs.chooseAnswers = {1};
        f.press(u"Button3"_s);
    });
    QTest::addRow("delete winner") << Snapshots::deleteWinner() << Action([](Fixture &f) {
        f.inWinnersList([](auto &ui) { ui.ActDel->trigger(); });
    });
    QTest::addRow("absent winner") << Snapshots::absentWinner() << Action([](Fixture &f) {
        f.inWinnersList([](auto &ui) { ui.ActAbsent->trigger(); });
    });
}

QStringList folderFiles(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (QFileInfo(folder + name).isDir())
            for (const QString &inner : folderFiles(folder + name + u'/'))
                files << name + u'/' + inner;
        else
            files << name;
    }
    return files;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

} // namespace

class TestSnapshotScreens : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each destructive command leaves a snapshot of the data before it, which
    // 恢复数据 lists with its counts and brings back.
    void eachActionKeepsASnapshotThatRestores_data() { addActionRows(); }
    void eachActionKeepsASnapshotThatRestores()
    {
        QFETCH(QString, action);
        QFETCH(Action, run);
        Fixture f;
        const QString before = f.dump();
        run(f);
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 0);
        const QString after = f.dump();
        QVERIFY(after != before);
        const std::vector<Snapshots::Entry> taken = Snapshots::list(f.db.path());
        QCOMPARE(taken.size(), 1u);
        QCOMPARE(taken[0].action, action);
        QCOMPARE(databaseDump(taken[0].path), before);

        QStringList listed;
        f.onRestoreScreen = [&listed](TRestoreFrm &picker) {
            const auto *grid = picker.findChild<QTableWidget *>(u"SnapshotGrid"_s);
            for (int c = 1; c < grid->columnCount(); ++c)
                listed << grid->item(0, c)->text();
            picker.findChild<QPushButton *>(u"RestoreButton"_s)->click();
            return picker.result();
        };
        f.ts.dialogs.calls.clear();
        f.press(u"RestoreButton"_s);
        QCOMPARE(listed, (QStringList{action, u"3"_s, u"2"_s, u"2"_s}));
        QVERIFY(f.ts.dialogs.texts(u"ask"_s).value(0).contains(u"“%1”之前的数据"_s.arg(action)));
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s), QStringList{u"数据已恢复。"_s});
        QVERIFY(f.dataWasReplaced);
        QCOMPARE(databaseDump(f.db.path(), {u"DrawLog"_s}), databaseDump(taken[0].path, {u"DrawLog"_s}));
        // What the restore replaced is a snapshot in its turn.
        const std::vector<Snapshots::Entry> now = Snapshots::list(f.db.path());
        QCOMPARE(now.size(), 2u);
        QCOMPARE(now[0].action, Snapshots::restore());
        QCOMPARE(databaseDump(now[0].path), after);
        // The draw record keeps the record of the action undone, and the restore's own.
        const QString record = tableDump(f.db.path(), u"DrawLog"_s);
        QVERIFY(record.startsWith(tableDump(now[0].path, u"DrawLog"_s)));
        QCOMPARE(f.db.scalar(u"select sEvent || ' ' || sItemName from DrawLog order by RecNo desc"_s).toString(),
                 u"恢复 "_s + QFileInfo(taken[0].path).fileName());
    }

    // A snapshot that cannot be written stops the command: the folder is
    // named and nothing is changed.
    void failingSnapshotStopsEachAction_data() { addActionRows(); }
    void failingSnapshotStopsEachAction()
    {
        QFETCH(Action, run);
        Fixture f;
        const QString folder = Snapshots::folderFor(f.db.path());
        f.write(u"backups"_s, "not a folder");
        const QString before = f.dump();
        run(f);
        const QStringList errors = f.ts.dialogs.texts(u"error"_s);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QDir::toNativeSeparators(folder)), qPrintable(errors[0]));
        QCOMPARE(f.dump(), before);
    }

    // One file carries the data, config.ini and the pictures to another data
    // folder; a database of an older build gets the schema steps it lacks.
    void backupFileCarriesTheEventToAnotherFolder()
    {
        Fixture from;
        from.write(u"pictures/back.jpg"_s, "picture");
        from.write(u"photos/一厂/1001.jpg"_s, "photo");
        // As a build before the step list left it; the screen has read its grids.
        from.beforePress = [&from] {
            for (const QString &statement :
                 {u"drop trigger if exists AwardScopeFollowsItem"_s, u"drop table DrawState"_s,
                  u"drop table AwardScope"_s, u"drop table DrawLog"_s, u"drop table DrawSeed"_s,
                  u"drop table DrawRoster"_s, u"drop table DrawPress"_s, u"drop table DrawPressWinner"_s,
                  u"PRAGMA user_version = 0"_s})
                from.db.exec(statement);
        };
        QTemporaryDir stick;
        const QString file = stick.filePath(u"年会备份.zip"_s);
        from.ts.dialogs.fileAnswers = {file};
        from.press(u"BackupButton"_s);
        QCOMPARE(from.ts.dialogs.count(u"error"_s), 0);
        QCOMPARE(from.ts.dialogs.texts(u"save"_s), QStringList{u"抽奖数据备份|*.zip"_s});
        QCOMPARE(QDir(stick.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"年会备份.zip"_s});

        Fixture to;
        to.write(u"config.ini"_s, "[config]\r\nATltle=旧标题\r\n");
        to.write(u"pictures/old.jpg"_s, "old");
        to.onRestoreScreen = [](TRestoreFrm &picker) {
            picker.findChild<QPushButton *>(u"FileButton"_s)->click();
            return picker.result();
        };
        to.ts.dialogs.fileAnswers = {file};
        to.press(u"RestoreButton"_s);
        QCOMPARE(to.ts.dialogs.texts(u"error"_s), QStringList());
        QVERIFY(to.dataWasReplaced);
        QCOMPARE(to.db.db().schemaVersion(), latestSchemaVersion());
        QCOMPARE(to.db.scalar(u"select group_concat(EmpName) from EmpNo"_s).toString(), u"张三,李四,王五"_s);
        QCOMPARE(to.db.scalar(u"select count(*) from AwardList"_s).toInt(), 2);
        QCOMPARE(bytesOf(to.db.folder() + u"config.ini"_s), bytesOf(from.db.folder() + u"config.ini"_s));
        QCOMPARE(bytesOf(to.db.folder() + u"photos/一厂/1001.jpg"_s), QByteArray("photo"));
        QCOMPARE(folderFiles(to.db.folder() + u"pictures/"_s), QStringList{u"back.jpg"_s});
        QCOMPARE(Snapshots::list(to.db.path()).size(), 1u);
        // Nothing of the work is left beside the data.
        QCOMPARE(QDir(to.db.folder()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{u"backups"_s, u"config.dll"_s, u"config.ini"_s, u"photos"_s, u"pictures"_s}));
    }

    // A file that is not such a backup is refused by name before anything is
    // changed or kept.
    void nonBackupFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("zipped");
        QTest::addColumn<QString>("said");
        QTest::addRow("text file") << QByteArray("工号\t姓名\n") << QString() << u"不是本程序的数据备份"_s;
        QTest::addRow("another zip") << QByteArray() << u"config.dll"_s << u"不是本程序的数据备份"_s;
        QTest::addRow("a database, not zipped")
            << QByteArray("SQLite format 3") << QString() << u"不是本程序的数据备份"_s;
        QTest::addRow("missing") << QByteArray("-") << QString() << u"无法读取备份文件"_s;
    }
    void nonBackupFileIsRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, zipped);
        QFETCH(QString, said);
        Fixture f;
        QTemporaryDir elsewhere;
        const QString file = elsewhere.filePath(u"备份.zip"_s);
        if (!zipped.isEmpty()) {
            QCOMPARE(QProcess::execute(u"python3"_s, {u"-c"_s,
                                                      u"import sys, zipfile; zipfile.ZipFile(sys.argv[1], 'w')"
                                                      u".write(sys.argv[2], sys.argv[3])"_s,
                                                      file, f.db.path(), zipped}),
                     0);
        } else if (content != "-") {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        const QString before = f.dump();
        f.onRestoreScreen = [](TRestoreFrm &picker) {
            picker.findChild<QPushButton *>(u"FileButton"_s)->click();
            return picker.result();
        };
        f.ts.dialogs.fileAnswers = {file};
        f.press(u"RestoreButton"_s);
        const QStringList errors = f.ts.dialogs.texts(u"error"_s);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(said) && errors[0].contains(QDir::toNativeSeparators(file)), qPrintable(errors[0]));
        QVERIFY(!f.dataWasReplaced);
        QCOMPARE(f.dump(), before);
        QVERIFY(Snapshots::list(f.db.path()).empty());
        QCOMPARE(QDir(f.db.folder()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{u"config.dll"_s, u"config.ini"_s}));
    }
};

QTEST_MAIN(TestSnapshotScreens)
#include "tst_snapshot_screens.moc"
