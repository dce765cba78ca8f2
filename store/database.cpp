#include "store/database.h"

#include "store/dberror.h"
#include "store/dbmessages.h"
#include "store/dialect.h"
#include "store/leftovers.h"
#include "store/schema.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <sqlite3.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

QString engineErrorText(const QSqlError &error)
{
    // The driver's part ("Unable to fetch row", translated) says nothing the
    // engine's own text does not.
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.driverText().trimmed() : text;
}

QVariant bindable(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QVariant(QString(u""_s));
    return value;
}

Database::Database(QString connectionName) : m_connectionName(std::move(connectionName))
{
    QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connectionName);
}

Database::~Database()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase Database::handle() const { return QSqlDatabase::database(m_connectionName, false); }

sqlite3 *Database::engine() const
{
    const QVariant v = handle().driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.constData());
}

bool Database::isOpen() const { return handle().isOpen(); }

void Database::close()
{
    QSqlDatabase db = handle();
    if (db.isOpen())
        db.close();
}

namespace {

bool canWrite(const QString &path)
{
    // Root may write anything, so the permission bits count as well: a file
    // marked read-only is treated as the operator meant it.
    // (WriteUser would ask access() for the current user, which root passes.)
    const QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (QFileInfo(path).permissions() & anyWrite) && ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// Checks what can be seen without the engine, which would otherwise turn an
// empty file into a database and write to a file that is none.
QString checkFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return DbMessages::missing(path);
    if (!info.isFile())
        return DbMessages::notADatabase(path);
    if (info.size() == 0)
        return DbMessages::empty(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DbMessages::forResultCode(SQLITE_CANTOPEN, file.errorString(), path);
    if (!file.read(16).startsWith(QByteArrayView("SQLite format 3", 16)))
        return DbMessages::notADatabase(path);
    return {};
}

} // namespace

QString Database::open(const QString &path) { return openFile(path, true); }

QString Database::openChecksLater(const QString &path) { return openFile(path, false); }

QString Database::checkWholeFile()
{
    QSqlQuery probe(handle());
    QString error;
    if (!probe.exec(u"PRAGMA quick_check(1)"_s))
        error = describe(probe.lastError());
    else if (!probe.next() || probe.value(0).toString() != u"ok"_s)
        error = DbMessages::damaged(m_path);
    probe = QSqlQuery();
    if (!error.isEmpty())
        close();
    return error;
}

QString Database::openFile(const QString &path, bool wholeFileNow)
{
    close();
    m_path = path;
    m_notices.clear();
    m_readOnly = false;
    if (QString error = checkFile(path); !error.isEmpty())
        return error;
    const LeftoverCheck leftovers = setAsideForeignLeftovers(path, QDateTime::currentDateTime());
    m_notices = leftovers.notices;
    if (!leftovers.error.isEmpty())
        return leftovers.error;
    if (!canWrite(path)) {
        m_readOnly = true;
        m_notices << DbMessages::readOnlyFile(path);
    } else if (!canWrite(QFileInfo(path).absolutePath())) {
        // The rollback journal is made in the folder; without it no write can be committed.
        m_readOnly = true;
        m_notices << DbMessages::readOnlyFolder(path);
    }

    QSqlDatabase db = handle();
    // mode=rw: an existing file is opened for reading and writing; a missing
    // one is an error instead of being created.
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                       + (m_readOnly ? u"?mode=ro"_s : u"?mode=rw"_s));
    db.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(m_busyTimeoutMs));
    if (!db.open())
        return describe(db.lastError());
    ++m_generation;
    const QString error = checkOpened(db, wholeFileNow);
    if (!error.isEmpty()) {
        db.close();
        return error;
    }
    try {
        m_schemaVersion = m_readOnly ? ::schemaVersion(*this) : upgradeSchema(*this);
    } catch (const DbError &) {
        m_schemaVersion = 0;
    }
    return {};
}

QString Database::openNew(const QString &path)
{
    close();
    m_path = path;
    m_notices.clear();
    m_readOnly = false;
    QSqlDatabase db = handle();
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                       + u"?mode=rwc"_s);
    db.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(m_busyTimeoutMs));
    if (!db.open())
        return engineErrorText(db.lastError());
    ++m_generation;
    QSqlQuery setup(db);
    if (!setup.exec(u"PRAGMA journal_mode=DELETE"_s) || !setup.exec(u"PRAGMA synchronous=FULL"_s))
        return engineErrorText(setup.lastError());
    return {};
}

QString Database::checkOpened(QSqlDatabase &db, bool wholeFileNow)
{
    QSqlQuery probe(db);
    // Reading the file plays back a journal that belongs to it; then the
    // whole file is read once, so that damage shows now and not in front of
    // the audience.
    if (wholeFileNow) {
        if (!probe.exec(u"PRAGMA quick_check(1)"_s))
            return describe(probe.lastError());
        if (!probe.next() || probe.value(0).toString() != u"ok"_s)
            return DbMessages::damaged(m_path);
        probe.finish();
    }

    for (const DeliveredTable &table : deliveredTables()) {
        if (!probe.prepare(u"select name from pragma_table_info(?)"_s))
            return describe(probe.lastError());
        probe.addBindValue(table.name);
        if (!probe.exec())
            return describe(probe.lastError());
        QStringList present;
        while (probe.next())
            present << probe.value(0).toString();
        if (present.isEmpty())
            return DbMessages::tableMissing(m_path, table.name);
        for (const QString &field : table.fields) {
            if (!present.contains(field, Qt::CaseInsensitive))
                return DbMessages::fieldMissing(m_path, table.name, field);
        }
    }

    // What the file would run by itself at a write (a trigger) or a read (a
    // view) is refused before the program runs a statement on it.
    if (!probe.exec(u"select type, name, tbl_name, sql from sqlite_master"_s))
        return describe(probe.lastError());
    std::vector<SchemaObject> objects;
    while (probe.next())
        objects.push_back({probe.value(0).toString(), probe.value(1).toString(), probe.value(2).toString(),
                           probe.value(3).toString()});
    if (!probe.exec(u"PRAGMA user_version"_s) || !probe.next())
        return describe(probe.lastError());
    if (const QString what = schemaMismatch(objects, probe.value(0).toInt()); !what.isEmpty())
        return DbMessages::foreignSchema(m_path, what);
    probe.finish();

    // A rollback journal with full synchronisation: at rest the database is
    // the one file, and every committed winner is on disk. Older builds left
    // their files in write-ahead mode; converting such a file (already
    // checked) writes it once.
    if (!m_readOnly && !probe.exec(u"PRAGMA journal_mode=DELETE"_s))
        return describe(probe.lastError());
    if (!probe.exec(u"PRAGMA synchronous=FULL"_s))
        return describe(probe.lastError());
    return {};
}

QString Database::describe(const QSqlError &error) const { return DbMessages::forEngineError(error, m_path); }

void Database::ensureOpen()
{
    if (isOpen())
        return;
    if (m_path.isEmpty())
        throw DbError(u"数据库连接未建立"_s);
    const QString error = open(m_path);
    if (!error.isEmpty())
        throw DbError(DbMessages::unusable(error));
}

QString Database::reconnect() { return m_path.isEmpty() ? DbMessages::missing(u"config.dll"_s) : open(m_path); }

QSqlQuery Database::exec(const QString &statement, const QVariantList &values)
{
    ensureOpen();
    QSqlQuery query(handle());
    query.setForwardOnly(true);
    if (!query.prepare(toSqlite(statement)))
        throw DbError(describe(query.lastError()));
    for (const QVariant &v : values)
        query.addBindValue(bindable(v));
    if (!query.exec())
        throw DbError(describe(query.lastError()));
    return query;
}

int Database::execAffected(const QString &statement, const QVariantList &values)
{
    return exec(statement, values).numRowsAffected();
}

QVariant Database::scalar(const QString &statement, const QVariantList &values)
{
    QSqlQuery query = exec(statement, values);
    return query.next() ? query.value(0) : QVariant();
}

Transaction::Transaction(Database &db) : m_db(db), m_outermost(db.m_openUnits == 0)
{
    if (m_outermost) {
        m_db.ensureOpen();
        if (!m_db.handle().transaction())
            throw DbError(m_db.describe(m_db.handle().lastError()));
    }
    ++m_db.m_openUnits;
}

Transaction::~Transaction()
{
    --m_db.m_openUnits;
    if (m_outermost && !m_done)
        m_db.handle().rollback();
}

void Transaction::commit()
{
    if (m_outermost && !m_db.handle().commit())
        throw DbError(m_db.describe(m_db.handle().lastError()));
    m_done = true;
}
