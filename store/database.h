#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The one connection of the program (ADOConnection1) to config.dll.
//
// The file is opened read-write and shared with other programs, never created.
// SQLite offers no database password, so the classic password has no
// counterpart here. Once a path has been given, every statement first tries to
// open the connection again when it is closed; the second failure is thrown.
class Database {
public:
    explicit Database(QString connectionName = QStringLiteral("ADOConnection1"));
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens the file; returns the engine's error text, empty on success.
    QString open(const QString &path);
    void close();
    bool isOpen() const;
    const QString &path() const { return m_path; }
    QSqlDatabase handle() const;

    // Opens the connection again when it is closed; throws DbError on failure.
    void ensureOpen();

    // Runs one statement of the catalogue with bound values; throws DbError.
    // The returned query is positioned before its first row.
    QSqlQuery exec(const QString &statement, const QVariantList &values = {});
    // Runs a statement and returns the number of rows it changed.
    int execAffected(const QString &statement, const QVariantList &values = {});
    // The first column of the first row, or an invalid value without rows.
    QVariant scalar(const QString &statement, const QVariantList &values = {});

private:
    QString m_connectionName;
    QString m_path;
};

// One unit of work: committed by commit(), rolled back when left without it.
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &m_db;
    bool m_done = false;
};

// A value ready for binding: a null text is bound as empty text, so that text
// written by the program is never NULL and always matches an empty value.
QVariant bindable(const QVariant &value);

// Text of a query's last error as the engine gave it.
QString engineErrorText(const QSqlError &error);
