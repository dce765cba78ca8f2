// The backup file and the restore from it, on real data folders in temporary
// folders: restores killed at every step, failing half-way, through links,
// from damaged or hostile zips, and what they do to the password.
#include "admin/backupfile.h"
#include "admin/operatorpassword.h"
#include "base/errors.h"
#include "base/settings.h"
#include "base/textcodec.h"
#include "store/restorejournal.h"
#include "store/schema.h"
#include "store/snapshots.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// Every file under a folder with its bytes, links as links.
QString folderState(const QString &folder)
{
    QString state;
    const QFileInfo top(folder);
    if (top.isSymLink())
        return u"link to "_s + top.symLinkTarget();
    if (!top.exists())
        return u"(none)"_s;
    for (const QFileInfo &item :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        state += item.fileName() + u'='
                 + (item.isDir() && !item.isSymLink() ? u'[' + folderState(item.filePath()) + u']'
                                                      : QString::fromUtf8(bytesOf(item.filePath())))
                 + u';';
    return state;
}

// A data folder: the database, config.ini and the two picture folders.
struct Event {
    TempDb t;
    explicit Event(const QString &who, const QString &title)
    {
        t.addEmployee(u"1001"_s, who, u"一厂"_s);
        writeFile(t.folder() + u"config.ini"_s, "[config]\r\nATltle=" + Gbk::encode(title) + "\r\n");
        writeFile(t.folder() + u"pictures/background.jpg"_s, title.toUtf8());
        writeFile(t.folder() + u"photos/1001.jpg"_s, who.toUtf8());
    }
    // What a restore replaces, the draw record and the snapshots aside.
    QString state()
    {
        return databaseDump(t.path(), {u"DrawLog"_s}) + QString::fromUtf8(bytesOf(t.folder() + u"config.ini"_s))
               + folderState(t.folder() + u"pictures"_s) + folderState(t.folder() + u"photos"_s);
    }
    // What a restore may leave beside the data: nothing but the snapshots.
    QStringList leftovers()
    {
        QStringList found =
            QDir(t.folder())
                .entryList({u".restore-*"_s, u"*.restore-journal*"_s}, QDir::AllEntries | QDir::Hidden | QDir::System);
        found += QDir(Snapshots::folderFor(t.path()))
                     .entryList({u"*.part"_s, u"*.part-journal"_s}, QDir::AllEntries | QDir::Hidden | QDir::System);
        return found;
    }
};

// The backup of an event whose person is 李四 and whose title is "新的".
QString makeBackup(const QString &folder)
{
    Event from(u"李四"_s, u"新的"_s);
    const QString file = folder + u"/备份.zip"_s;
    BackupFile::save(from.t.db(), file);
    return file;
}

QString craft(const QString &mode, const QString &source)
{
    const QString target = source + u'.' + mode + u".zip"_s;
    const int exit = QProcess::execute(
        u"python3"_s, {QStringLiteral(PRIZEDRAW_SOURCE_DIR "/tests/admin/craft_backup.py"), mode, source, target});
    return exit == 0 ? target : QString();
}

QString restoreError(Database &db, const QString &file, const BackupFile::RestoreOptions &options = {})
{
    try {
        BackupFile::restore(db, file, options);
    } catch (const AppError &e) {
        return e.text();
    }
    return {};
}

} // namespace

class tst_backupfile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A restore killed after any of its steps is, at the next start, either
    // undone or complete across the database, config.ini and both folders,
    // and leaves nothing of its work behind.
    void killedRestoreIsAllOrNothing()
    {
        QTemporaryDir stick;
        const QString file = makeBackup(stick.path());
        QString restored;
        bool sawUndone = false;
        bool sawComplete = false;
        for (int step = 1;; ++step) {
            Event to(u"张三"_s, u"旧的"_s);
            const QString old = to.state();
            to.t.db().close();
            const pid_t child = ::fork();
            if (child == 0) {
                Database db(u"child"_s);
                if (!db.open(to.t.path()).isEmpty())
                    ::_exit(3);
                BackupFile::RestoreOptions options;
                options.afterStep = [step](int done) {
                    if (done == step)
                        ::_exit(9);
                };
                ::_exit(restoreError(db, file, options).isEmpty() ? 0 : 4);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            QVERIFY(WIFEXITED(status));
            const int exit = WEXITSTATUS(status);
            QVERIFY2(exit == 0 || exit == 9, qPrintable(QString::number(exit)));
            const RestoreJournal::Recovery recovery = RestoreJournal::recoverAtStart(to.t.path());
            QCOMPARE(to.leftovers(), QStringList());
            const QString now = to.state();
            if (exit == 0) {
                QCOMPARE(now, restored);
                QVERIFY(recovery.notices.isEmpty());
                break;
            }
            if (now == old) {
                QVERIFY(!sawComplete); // once complete, every later step is too
                QCOMPARE(recovery.notices.size(), 1);
                sawUndone = true;
            } else {
                QVERIFY2(now.contains(u"李四"_s) && !now.contains(u"张三"_s) && !now.contains(u"旧的"_s),
                         qPrintable(now));
                QVERIFY(restored.isEmpty() || now == restored);
                restored = now;
                sawComplete = true;
            }
            QVERIFY(step < 50);
        }
        QVERIFY(sawUndone);
        QVERIFY(sawComplete);
    }

    // A step that fails after others were done undoes them, and the message
    // says truly that nothing was replaced.
    void failedStepUndoesTheOthers()
    {
        QTemporaryDir stick;
        const QString file = makeBackup(stick.path());
        Event to(u"张三"_s, u"旧的"_s);
        const QString old = to.state();
        BackupFile::RestoreOptions options;
        options.afterStep = [&to](int step) {
            // config.ini and pictures/ are in place by then; photos/ cannot follow.
            if (step == 1) {
                const QStringList work = QDir(to.t.folder()).entryList({u".restore-*"_s}, QDir::Dirs | QDir::Hidden);
                QVERIFY(RestoreJournal::removeTree(to.t.folder() + work.value(0) + u"/new/photos"_s));
            }
        };
        const QString message = restoreError(to.t.db(), file, options);
        QVERIFY2(message.contains(u"没有恢复，现在的数据没有改动"_s) && message.contains(u"photos"_s),
                 qPrintable(message));
        QCOMPARE(to.state(), old);
        QCOMPARE(to.leftovers(), QStringList());
        QVERIFY(to.t.db().isOpen());
    }

    // A folder that is a link is replaced as a link: the folder it points to
    // keeps every file.
    void linkedFolderIsNotEmptied_data()
    {
        QTest::addColumn<QString>("linked");
        QTest::addRow("photos") << u"photos"_s;
        QTest::addRow("pictures") << u"pictures"_s;
    }
    void linkedFolderIsNotEmptied()
    {
        QFETCH(QString, linked);
        QTemporaryDir stick;
        const QString file = makeBackup(stick.path());
        Event to(u"张三"_s, u"旧的"_s);
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath(u"keep.jpg"_s), "kept");
        QVERIFY(RestoreJournal::removeTree(to.t.folder() + linked));
        QVERIFY(QFile::link(elsewhere.path(), to.t.folder() + linked));
        QCOMPARE(restoreError(to.t.db(), file), QString());
        QCOMPARE(folderState(elsewhere.path()), u"keep.jpg=kept;"_s);
        QVERIFY(!QFileInfo(to.t.folder() + linked).isSymLink());
        QVERIFY(folderState(to.t.folder() + linked).contains(linked == u"photos"_s ? u"李四"_s : u"新的"_s));
    }

    // A link inside photos/ that leads back up the tree is not followed: the
    // backup ends, and carries the photos themselves.
    void loopingLinkInsideIsNotFollowed()
    {
        Event from(u"李四"_s, u"新的"_s);
        QVERIFY(QFile::link(from.t.folder(), from.t.folder() + u"photos/loop"_s));
        QTemporaryDir stick;
        const QString file = stick.filePath(u"备份.zip"_s);
        BackupFile::save(from.t.db(), file);
        Event to(u"张三"_s, u"旧的"_s);
        QCOMPARE(restoreError(to.t.db(), file), QString());
        QCOMPARE(folderState(to.t.folder() + u"photos"_s), u"1001.jpg=李四;"_s);
    }

    // A backup is never written over the files it reads.
    void targetAmongTheDataIsRefused_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addRow("the database") << u"config.dll"_s;
        QTest::addRow("config.ini") << u"config.ini"_s;
        QTest::addRow("inside photos/") << u"photos/备份.zip"_s;
        QTest::addRow("a link to the database") << u"@config.dll"_s;
    }
    void targetAmongTheDataIsRefused()
    {
        QFETCH(QString, target);
        Event event(u"张三"_s, u"旧的"_s);
        QTemporaryDir elsewhere;
        QString path = event.t.folder() + target;
        if (target.startsWith(u'@')) {
            path = elsewhere.filePath(u"备份.zip"_s);
            QVERIFY(QFile::link(event.t.folder() + target.mid(1), path));
        }
        const QString before = event.state();
        QString message;
        try {
            BackupFile::save(event.t.db(), path);
        } catch (const AppError &e) {
            message = e.text();
        }
        QVERIFY2(message.startsWith(u"备份不能保存"_s)
                     && message.contains(QDir::toNativeSeparators(target == u"inside photos/"_s ? path : QString())),
                 qPrintable(message));
        QCOMPARE(event.state(), before);
        QVERIFY(!BackupFile::refusedTarget(event.t.db(), path).isEmpty());
        QVERIFY(BackupFile::refusedTarget(event.t.db(), elsewhere.filePath(u"另一个.zip"_s)).isEmpty());
    }

    // A name too long for the disk is said in Chinese, with the name.
    void overlongTargetIsNamedInChinese()
    {
        Event event(u"张三"_s, u"旧的"_s);
        QTemporaryDir elsewhere;
        const QString path = elsewhere.filePath(QString(300, u'备') + u".zip"_s);
        QString message;
        try {
            BackupFile::save(event.t.db(), path);
        } catch (const AppError &e) {
            message = e.text();
        }
        QVERIFY2(message.contains(u"文件名太长"_s) && message.contains(QDir::toNativeSeparators(path)),
                 qPrintable(message.right(60)));
    }

    // A backup that is damaged or claims more than it may hold is refused by
    // name before anything is written; the data stays and nothing is left.
    void damagedOrHostileBackupIsRefused_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("said");
        QTest::addRow("cut short") << u"truncate"_s << u"已损坏（可能没有复制完整）"_s;
        QTest::addRow("a photo claiming 3 GB") << u"huge"_s << u"photos/huge.jpg 有 3072 MB"_s;
    }
    void damagedOrHostileBackupIsRefused()
    {
        QFETCH(QString, mode);
        QFETCH(QString, said);
        QTemporaryDir stick;
        const QString file = craft(mode, makeBackup(stick.path()));
        QVERIFY(!file.isEmpty());
        Event to(u"张三"_s, u"旧的"_s);
        const QString before = to.state();
        const QString message = restoreError(to.t.db(), file);
        QVERIFY2(message.contains(said) && message.contains(QDir::toNativeSeparators(file))
                     && message.contains(u"现在的数据没有改动"_s),
                 qPrintable(message));
        QCOMPARE(to.state(), before);
        QCOMPARE(to.leftovers(), QStringList());
        QVERIFY(Snapshots::list(to.t.path()).empty());
    }

    // A disk that fills while the backup is unpacked is named as such, with
    // the folder; names a Chinese Windows wrote in GBK come out whole; the
    // unpacking reports its progress up to the whole.
    void unpackingNamesAFullDiskAndReadsGbkNames()
    {
        QTemporaryDir stick;
        const QString file = craft(u"gbk"_s, makeBackup(stick.path()));
        QVERIFY(!file.isEmpty());
        Event to(u"张三"_s, u"旧的"_s);
        const QString before = to.state();
        QString message;
        {
            const FileSizeLimit full(4096);
            message = restoreError(to.t.db(), file);
        }
        QVERIFY2(message.contains(u"磁盘空间不足"_s)
                     && message.contains(QDir::toNativeSeparators(QFileInfo(to.t.path()).absolutePath())),
                 qPrintable(message));
        QCOMPARE(to.state(), before);
        QCOMPARE(to.leftovers(), QStringList());

        std::vector<std::pair<qint64, qint64>> progress;
        BackupFile::RestoreOptions options;
        options.progress = [&progress](qint64 done, qint64 total) { progress.emplace_back(done, total); };
        QCOMPARE(restoreError(to.t.db(), file, options), QString());
        QCOMPARE(bytesOf(to.t.folder() + u"photos/张三.jpg"_s), QByteArray("gbk-named photo"));
        QVERIFY(!progress.empty());
        QCOMPARE(progress.back().first, progress.back().second);
    }

    // A backup larger than the free space is refused before a byte of it is
    // unpacked, with what it needs and the folder (on a small tmpfs; skipped
    // where one cannot be mounted).
    void backupLargerThanTheFreeSpaceIsRefused()
    {
        QTemporaryDir disk;
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=2m"_s, u"tmpfs"_s, disk.path()}) != 0)
            QSKIP("no tmpfs can be mounted here");
        const struct Unmount {
            QString path;
            ~Unmount() { QProcess::execute(u"umount"_s, {path}); }
        } unmount{disk.path()};
        QTemporaryDir stick;
        const QString file = stick.filePath(u"备份.zip"_s);
        {
            Event from(u"李四"_s, u"新的"_s);
            QByteArray noise(3 << 20, '\0');
            for (qsizetype i = 0; i < noise.size(); ++i)
                noise[i] = char((i * 2654435761u) >> 13);
            writeFile(from.t.folder() + u"photos/1002.jpg"_s, noise);
            BackupFile::save(from.t.db(), file);
        }
        const QString path = disk.filePath(u"config.dll"_s);
        QCOMPARE(createEmptyDatabase(path), QString());
        Database db(u"small-disk"_s);
        QCOMPARE(db.open(path), QString());
        const QString message = restoreError(db, file);
        QVERIFY2(message.startsWith(u"磁盘空间不足"_s) && message.contains(QDir::toNativeSeparators(disk.path())),
                 qPrintable(message));
        QCOMPARE(QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"config.dll"_s});
    }

    // The password in force stays through a restore; the backup's is taken
    // only by one who types the one in force or the backup's.
    void passwordInForceStays_data()
    {
        QTest::addColumn<QString>("inForce"); // empty: none set, "582" holds
        QTest::addColumn<QString>("inBackup");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("opens");
        QTest::addColumn<QString>("refused");
        QTest::addRow("backup without one") << u"secret"_s << QString() << QString() << u"secret"_s << u"582"_s;
        QTest::addRow("backup with another, nothing typed")
            << u"secret"_s << u"old"_s << QString() << u"secret"_s << u"old"_s;
        QTest::addRow("another, a wrong one typed") << u"secret"_s << u"old"_s << u"guess"_s << u"secret"_s << u"old"_s;
        QTest::addRow("the one in force typed") << u"secret"_s << u"old"_s << u"secret"_s << u"old"_s << u"secret"_s;
        QTest::addRow("the backup's typed") << u"secret"_s << u"old"_s << u"old"_s << u"old"_s << u"secret"_s;
        QTest::addRow("none here, one in the backup") << QString() << u"old"_s << QString() << u"582"_s << u"old"_s;
    }
    void passwordInForceStays()
    {
        QFETCH(QString, inForce);
        QFETCH(QString, inBackup);
        QFETCH(QString, typed);
        QFETCH(QString, opens);
        QFETCH(QString, refused);
        QTemporaryDir stick;
        const QString file = stick.filePath(u"备份.zip"_s);
        {
            Event from(u"李四"_s, u"新的"_s);
            if (!inBackup.isEmpty())
                SavePasswordHash(from.t.folder(), hashPassword(inBackup, 1000));
            BackupFile::save(from.t.db(), file);
        }
        Event to(u"张三"_s, u"旧的"_s);
        if (!inForce.isEmpty())
            SavePasswordHash(to.t.folder(), hashPassword(inForce, 1000));
        int asked = 0;
        BackupFile::RestoreOptions options;
        options.askPassword = [&] {
            ++asked;
            return typed;
        };
        QCOMPARE(restoreError(to.t.db(), file, options), QString());
        QCOMPARE(asked, 1);
        const QString stored = LoadSettings(to.t.folder()).passwordHash;
        QCOMPARE(matchPassword(opens, stored), PasswordMatch::Yes);
        QCOMPARE(matchPassword(refused, stored), PasswordMatch::No);
        QCOMPARE(LoadSettings(to.t.folder()).ATltle, u"新的"_s);
    }

    // The start removes what killed restores and snapshots left, links as
    // links, and leaves the work that another copy of the program holds.
    void startRemovesLeftovers()
    {
        Event event(u"张三"_s, u"旧的"_s);
        const QString folder = event.t.folder();
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath(u"keep.jpg"_s), "kept");
        writeFile(folder + u".restore-AbC123/new/config.dll"_s, QByteArray(1 << 20, 'x'));
        QVERIFY(QFile::link(elsewhere.path(), folder + u".restore-AbC123/new/photos"_s));
        writeFile(folder + u".restore-XyZ789.dll"_s, "half a database");
        writeFile(folder + u".restore-XyZ789.dll-journal"_s, "its journal");
        writeFile(Snapshots::folderFor(event.t.path()) + u"/config.20261209-201503.重置.dll.part"_s, "part");
        writeFile(Snapshots::folderFor(event.t.path()) + u"/config.20261209-201503.重置.dll.part-journal"_s, "j");
        writeFile(folder + u".restore-Held00/new/config.dll"_s, "in use");
        const QString before = event.state();
        {
            const RestoreJournal::WorkLock held(folder + u".restore-Held00"_s);
            QCOMPARE(RestoreJournal::recoverAtStart(event.t.path()).notices, QStringList());
            QCOMPARE(event.leftovers(), QStringList{u".restore-Held00"_s});
        }
        QCOMPARE(folderState(elsewhere.path()), u"keep.jpg=kept;"_s);
        QCOMPARE(event.state(), before);
        RestoreJournal::recoverAtStart(event.t.path());
        QCOMPARE(event.leftovers(), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_backupfile)
#include "tst_backupfile.moc"
