#include "store/catalogue.h"
#include "store/dberror.h"
#include "store/preparedstatement.h"
#include "store/schema.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QtTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Names beside the database other than the database itself.
QStringList besideFiles(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files);
    names.removeAll(u"config.dll"_s);
    return names;
}

sqlite3 *engine(Database &db) { return *static_cast<sqlite3 *const *>(db.handle().driver()->handle().constData()); }

// A second program on the same file, with SQL of its own.
class OtherProgram {
public:
    explicit OtherProgram(const QString &path)
    {
        static int n = 0;
        m_name = u"other-%1"_s.arg(++n);
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~OtherProgram()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(sql);
    }

private:
    QString m_name;
};

struct Folder {
    QTemporaryDir dir;
    QString path() const { return dir.path() + u"/config.dll"_s; }
};

int busyEpisodes = 0;
int countBusy(void *, int tries)
{
    if (tries == 0)
        ++busyEpisodes;
    return 0; // give up at once: the test need not wait
}

} // namespace

class tst_database : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A file that fails the start checks is refused with words naming it and
    // what to do, and not a byte of it (nor anything beside it) is written.
    void badFilesAreRefusedUntouched_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("words");
        QTest::addRow("missing") << u"missing"_s << u"找不到数据库文件"_s;
        QTest::addRow("empty") << u"empty"_s << u"是空文件"_s;
        QTest::addRow("not a database") << u"junk"_s << u"不是本程序的数据库文件"_s;
        QTest::addRow("damaged") << u"damaged"_s << u"已损坏"_s;
        QTest::addRow("table missing") << u"drop table AwardBlank"_s << u"缺少数据表 AwardBlank"_s;
        QTest::addRow("field missing") << u"alter table EmpNo rename column EmpName to Name2"_s
                                       << u"数据表 EmpNo 缺少字段 EmpName"_s;
        // Statements of its own that the file would run at every press.
        QTest::addRow("foreign trigger")
            << u"create trigger Wipe after insert on AwardList begin delete from EmpNo; end"_s
            << u"含有不是本程序建立的触发器 Wipe"_s;
        QTest::addRow("view for a table")
            << u"drop table AwardBlank\ncreate view AwardBlank as select RecNo, EmpCode sNo, EmpName sName, CompCode sCompCode from EmpNo"_s
            << u"含有视图 AwardBlank"_s;
    }
    void badFilesAreRefusedUntouched()
    {
        QFETCH(QString, damage);
        QFETCH(QString, words);
        Folder f;
        QVERIFY(createDemoDatabase(f.path()).isEmpty());
        if (damage == u"missing"_s) {
            QFile::remove(f.path());
        } else if (damage == u"empty"_s) {
            writeBytes(f.path(), {});
        } else if (damage == u"junk"_s) {
            writeBytes(f.path(), QByteArray(8192, '\x07'));
        } else if (damage == u"damaged"_s) {
            QByteArray bytes = fileBytes(f.path());
            QVERIFY(bytes.size() > 8 * 4096);
            bytes.replace(3 * 4096, 4096, QByteArray(4096, '\xff'));
            writeBytes(f.path(), bytes);
        } else {
            OtherProgram other(f.path());
            for (const QString &statement : damage.split(u'\n'))
                QVERIFY(other.exec(statement));
        }
        const QByteArray before = fileBytes(f.path());

        Database db(u"checked"_s);
        const QString error = db.open(f.path());
        QVERIFY2(error.contains(words), qPrintable(error));
        QVERIFY(error.contains(QDir::toNativeSeparators(f.path())));
        QVERIFY(error.endsWith(u"。"_s));
        QVERIFY(!db.isUsable());
        QCOMPARE(fileBytes(f.path()), before);
        QCOMPARE(QFile::exists(f.path()), damage != u"missing"_s);
        QCOMPARE(besideFiles(f.dir.path()), QStringList());

        // Every later statement says the database cannot be used, and tries again.
        try {
            db.exec(Catalogue::EmpNoByRecNo);
            QFAIL("a statement ran on a refused file");
        } catch (const DbError &e) {
            QVERIFY(e.text().startsWith(u"数据库无法使用。"_s));
            QVERIFY(e.text().contains(words));
        }
        QVERIFY(createEmptyDatabase(f.path()).isEmpty());
        QCOMPARE(db.scalar(u"select count(*) from EmpNo"_s).toInt(), 0);
        QVERIFY(db.isUsable());
    }

    void extraTablesAndFieldsAreAllowed()
    {
        Folder f;
        QVERIFY(createEmptyDatabase(f.path()).isEmpty());
        {
            OtherProgram other(f.path());
            QVERIFY(other.exec(u"create table Notes(RecNo integer primary key, sNo text)"_s));
            QVERIFY(other.exec(u"alter table EmpNo add column Phone text"_s));
        }
        Database db(u"extra"_s);
        QCOMPARE(db.open(f.path()), QString());
        QCOMPARE(db.notices(), QStringList());
    }

    // Root may write a file whatever its mode, so the mode itself is what
    // marks a file (or folder) read-only; the file is then opened for reading
    // only, so a write really fails.
    void readOnlyFileOrFolderIsReportedAndStillRead_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addRow("file") << false;
        QTest::addRow("folder") << true;
    }
    void readOnlyFileOrFolderIsReportedAndStillRead()
    {
        QFETCH(bool, folder);
        Folder f;
        QVERIFY(createDemoDatabase(f.path()).isEmpty());
        const QString target = folder ? f.dir.path() : f.path();
        const QFile::Permissions writable = QFile::permissions(target);
        QVERIFY(QFile::setPermissions(
            target, writable & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther)));
        const QByteArray before = fileBytes(f.path());

        Database db(u"readonly"_s);
        const QString error = db.open(f.path());
        QCOMPARE(error, QString());
        QVERIFY(db.isReadOnly());
        QCOMPARE(db.notices().size(), 1);
        QVERIFY2(db.notices().front().contains(folder ? u"文件夹"_s : u"是只读的"_s), qPrintable(db.notices().front()));
        QCOMPARE(db.scalar(u"select count(*) from EmpNo"_s).toInt(), 400);
        QCOMPARE(db.exec(Catalogue::OpenAwardItems).next(), true);
        try {
            db.exec(Catalogue::Post::AppendWinner, {u"1"_s, u"n"_s, 1, u"f"_s});
            QFAIL("a read-only file was written");
        } catch (const DbError &e) {
            QVERIFY2(e.text().contains(u"只读"_s), qPrintable(e.text()));
        }
        QVERIFY(QFile::setPermissions(target, writable));
        QCOMPARE(fileBytes(f.path()), before);
    }

    // Another program holds a write transaction: the write waits for the
    // lock once (not once more for a retry) and says who is in the way.
    void lockedFileIsWaitedForOnceAndNamed()
    {
        TempDb t;
        OtherProgram other(t.path());
        QVERIFY(other.exec(u"begin immediate"_s));
        sqlite3_busy_handler(engine(t.db()), countBusy, nullptr);
        busyEpisodes = 0;
        PreparedStatement append(t.db(), Catalogue::Post::AppendWinner);
        try {
            append.exec({u"1"_s, u"n"_s, 1, u"f"_s});
            QFAIL("the write passed the other program's lock");
        } catch (const DbError &e) {
            QVERIFY2(e.text().contains(u"另一个程序正占用数据库文件"_s), qPrintable(e.text()));
        }
        QCOMPARE(busyEpisodes, 1);
        busyEpisodes = 0;
        QVERIFY_THROWS_EXCEPTION(DbError, t.db().exec(Catalogue::Post::AppendWinner, {u"1"_s, u"n"_s, 1, u"f"_s}));
        QCOMPARE(busyEpisodes, 1);

        QVERIFY(other.exec(u"rollback"_s));
        append.exec({u"1"_s, u"n"_s, 1, u"f"_s});
        QCOMPARE(t.scalar(u"select count(*) from AwardList"_s).toInt(), 1);
    }

    void preparedStatementOutlivesAReconnect()
    {
        TempDb t;
        PreparedStatement append(t.db(), Catalogue::Post::AppendWinner);
        append.exec({u"1"_s, u"n"_s, 1, u"f"_s});
        QCOMPARE(t.db().reconnect(), QString());
        append.exec({u"2"_s, u"n"_s, 1, u"f"_s});
        t.db().close();
        append.exec({u"3"_s, u"n"_s, 1, u"f"_s});
        QCOMPARE(t.scalar(u"select count(*) from AwardList"_s).toInt(), 3);
    }

    void fullDiskIsNamed()
    {
        TempDb t;
        QSqlQuery limit(t.db().handle());
        QVERIFY(limit.exec(u"PRAGMA max_page_count = "_s + QString::number(t.scalar(u"PRAGMA page_count"_s).toInt())));
        try {
            for (int i = 0; i < 1000; ++i)
                t.db().exec(Catalogue::InsertEmployee,
                            {QString::number(i), QString(50, u'名'), QString(100, u'厂'), QString(50, u'部')});
            QFAIL("the file grew beyond its limit");
        } catch (const DbError &e) {
            QVERIFY2(e.text().contains(u"磁盘空间已满"_s), qPrintable(e.text()));
            QVERIFY(e.text().contains(QDir::toNativeSeparators(t.path())));
        }
    }

    // A crash inside a write leaves a hot journal. Beside its own database it
    // is played back; beside a different file copied in later it is set
    // aside, and that file stays exactly as copied.
    void hotJournalIsPlayedBackOnlyOnItsOwnDatabase()
    {
        Folder crashed, own, foreign;
        QVERIFY(createDemoDatabase(crashed.path()).isEmpty());
        const QByteArray committed = fileBytes(crashed.path());
        {
            OtherProgram writer(crashed.path());
            // A tiny cache makes the writer spill changed pages into the file
            // before commit, as a long write does.
            QVERIFY(writer.exec(u"PRAGMA cache_size=1"_s));
            QVERIFY(writer.exec(u"begin"_s));
            QVERIFY(writer.exec(u"delete from AwardItem"_s));
            for (int i = 0; i < 20; ++i)
                QVERIFY(
                    writer.exec(u"insert into EmpNo(EmpCode, EmpName) values('x', '"_s + QString(40, u'x') + u"')"_s));
            QVERIFY(writer.exec(u"update EmpNo set DartNo = 'changed'"_s));
            // What a kill leaves on disk now.
            QVERIFY(QFile::copy(crashed.path(), own.path()));
            QVERIFY(QFile::copy(crashed.path() + u"-journal"_s, own.path() + u"-journal"_s));
            QVERIFY(writer.exec(u"rollback"_s));
        }
        QVERIFY(fileBytes(own.path()) != committed);

        QVERIFY(createEmptyDatabase(foreign.path()).isEmpty());
        const QByteArray copiedIn = fileBytes(foreign.path());
        QVERIFY(QFile::copy(own.path() + u"-journal"_s, foreign.path() + u"-journal"_s));

        const QByteArray journal = fileBytes(own.path() + u"-journal"_s);
        Database ownDb(u"own"_s);
        QCOMPARE(ownDb.open(own.path()), QString());
        QCOMPARE(ownDb.notices(), QStringList());
        QCOMPARE(ownDb.scalar(u"select count(*) from AwardItem"_s).toInt(), 3);
        QCOMPARE(ownDb.scalar(u"select count(*) from EmpNo where DartNo = 'changed'"_s).toInt(), 0);
        ownDb.close();
        QCOMPARE(besideFiles(own.dir.path()), QStringList());

        Database foreignDb(u"foreign"_s);
        QCOMPARE(foreignDb.open(foreign.path()), QString());
        QCOMPARE(foreignDb.notices().size(), 1);
        QVERIFY(foreignDb.notices().front().contains(u"config.dll-journal"_s));
        QCOMPARE(foreignDb.scalar(u"select count(*) from AwardItem"_s).toInt(), 0);
        foreignDb.close();
        QCOMPARE(fileBytes(foreign.path()), copiedIn);
        const QStringList aside = besideFiles(foreign.dir.path());
        QCOMPARE(aside.size(), 1);
        QVERIFY2(QRegularExpression(u"^config\\.dll-journal\\.\\d{8}-\\d{6}\\.bak$"_s).match(aside.front()).hasMatch(),
                 qPrintable(aside.front()));
        QCOMPARE(fileBytes(foreign.dir.path() + u'/' + aside.front()), journal);
    }

    // A journal of a program writing right now is no leftover: opening the
    // file leaves it in place, and the other program commits.
    void liveJournalOfAnotherWriterIsLeftAlone()
    {
        Folder f;
        QVERIFY(createDemoDatabase(f.path()).isEmpty());
        OtherProgram writer(f.path());
        QVERIFY(writer.exec(u"PRAGMA cache_size=1"_s));
        QVERIFY(writer.exec(u"begin"_s));
        for (int i = 0; i < 20; ++i)
            QVERIFY(writer.exec(u"insert into EmpNo(EmpCode, EmpName) values('x', '"_s + QString(40, u'x') + u"')"_s));
        QVERIFY(fileBytes(f.path() + u"-journal"_s).startsWith("\xd9\xd5\x05\xf9"));

        Database db(u"beside-a-writer"_s);
        db.setBusyTimeout(0);
        db.open(f.path()); // may find the file busy; it must not take the journal away
        QCOMPARE(db.notices(), QStringList());
        QVERIFY(QFile::exists(f.path() + u"-journal"_s));
        db.close();
        QVERIFY(writer.exec(u"commit"_s));
        QCOMPARE(besideFiles(f.dir.path()), QStringList());
    }

    // Older builds ran in write-ahead mode. Their log is recovered into its
    // own file, which then becomes one file again; beside a file of this
    // build it is set aside.
    void writeAheadLeftoversOfOlderBuilds()
    {
        Folder old, own, foreign;
        QVERIFY(createDemoDatabase(old.path()).isEmpty());
        {
            OtherProgram older(old.path());
            QVERIFY(older.exec(u"PRAGMA journal_mode=WAL"_s));
            QVERIFY(older.exec(u"PRAGMA wal_autocheckpoint=0"_s));
            QVERIFY(older.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('1', '甲', 1, '一厂')"_s));
            for (const char *suffix : {"", "-wal", "-shm"})
                QVERIFY(QFile::copy(old.path() + QLatin1String(suffix), own.path() + QLatin1String(suffix)));
        }
        QVERIFY(createEmptyDatabase(foreign.path()).isEmpty());
        const QByteArray copiedIn = fileBytes(foreign.path());
        for (const char *suffix : {"-wal", "-shm"})
            QVERIFY(QFile::copy(own.path() + QLatin1String(suffix), foreign.path() + QLatin1String(suffix)));

        Database ownDb(u"own-wal"_s);
        QCOMPARE(ownDb.open(own.path()), QString());
        QCOMPARE(ownDb.scalar(u"select count(*) from AwardList"_s).toInt(), 1);
        QCOMPARE(ownDb.scalar(u"PRAGMA journal_mode"_s).toString(), u"delete"_s);
        ownDb.close();
        QCOMPARE(besideFiles(own.dir.path()), QStringList());

        Database foreignDb(u"foreign-wal"_s);
        QCOMPARE(foreignDb.open(foreign.path()), QString());
        QCOMPARE(foreignDb.notices().size(), 2);
        QCOMPARE(foreignDb.scalar(u"select count(*) from EmpNo"_s).toInt(), 0);
        foreignDb.close();
        QCOMPARE(fileBytes(foreign.path()), copiedIn);
        QCOMPARE(besideFiles(foreign.dir.path()).size(), 2);
        QVERIFY(!QFile::exists(foreign.path() + u"-wal"_s));
    }
};

QTEST_GUILESS_MAIN(tst_database)
#include "tst_database.moc"
