#include "store/database.h"

#include "store/dberror.h"
#include "store/dialect.h"
#include "store/schema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

using namespace Qt::StringLiterals;

QString engineErrorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (text.isEmpty())
        return driver;
    if (!driver.isEmpty() && !text.contains(driver))
        text += u" ("_s + driver + u')';
    return text;
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

bool Database::isOpen() const { return handle().isOpen(); }

void Database::close()
{
    QSqlDatabase db = handle();
    if (db.isOpen())
        db.close();
}

QString Database::open(const QString &path)
{
    close();
    m_path = path;
    QSqlDatabase db = handle();
    // mode=rw: an existing file is opened for reading and writing; a missing
    // one is an error instead of being created.
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) + u"?mode=rw"_s);
    db.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"_s);
    if (!db.open())
        return engineErrorText(db.lastError());

    // SQLite reads the file lazily: a probe makes a file that is no database
    // fail here rather than at the first statement.
    QSqlQuery probe(db);
    const bool ok = probe.exec(u"select count(*) from sqlite_master"_s)
                    && probe.exec(u"PRAGMA journal_mode=WAL"_s)
                    && probe.exec(u"PRAGMA synchronous=FULL"_s);
    if (!ok) {
        const QString text = engineErrorText(probe.lastError());
        probe = QSqlQuery();
        db.close();
        return text;
    }
    probe = QSqlQuery();
    addDrawLogWhenMissing(*this);
    return {};
}

void Database::ensureOpen()
{
    if (isOpen())
        return;
    if (m_path.isEmpty())
        throw DbError(u"数据库连接未建立"_s);
    const QString error = open(m_path);
    if (!error.isEmpty())
        throw DbError(error);
}

QSqlQuery Database::exec(const QString &statement, const QVariantList &values)
{
    ensureOpen();
    QSqlQuery query(handle());
    query.setForwardOnly(true);
    if (!query.prepare(toSqlite(statement)))
        throw DbError(engineErrorText(query.lastError()));
    for (const QVariant &v : values)
        query.addBindValue(bindable(v));
    if (!query.exec())
        throw DbError(engineErrorText(query.lastError()));
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

Transaction::Transaction(Database &db) : m_db(db)
{
    m_db.ensureOpen();
    if (!m_db.handle().transaction())
        throw DbError(engineErrorText(m_db.handle().lastError()));
}

Transaction::~Transaction()
{
    if (!m_done)
        m_db.handle().rollback();
}

void Transaction::commit()
{
    if (!m_db.handle().commit())
        throw DbError(engineErrorText(m_db.handle().lastError()));
    m_done = true;
}
