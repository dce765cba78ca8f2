#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

struct sqlite3;

// The one connection of the program (ADOConnection1) to config.dll.
//
// The file is opened shared with other programs, never created, and checked
// before use: a missing, empty, foreign, damaged or incomplete file is refused
// without a single byte written to it. A read-only file (or folder) is opened
// for reading and reported. SQLite offers no database password, so the
// classic password has no counterpart here. Once a path has been given, every
// statement first tries to open the connection again when it is closed.
class Database {
public:
    explicit Database(QString connectionName = QStringLiteral("ADOConnection1"));
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens and checks the file; returns the operator's message (naming the
    // file and what to do), empty on success.
    QString open(const QString &path);
    // The same with the reading of the whole file left for checkWholeFile():
    // the start shows its window first, a large file takes a moment to read.
    QString openChecksLater(const QString &path);
    // Reads the whole file once (PRAGMA quick_check), so that damage shows
    // before the draw and not in front of the audience; a damaged file is
    // closed and its message returned, empty when the file is sound.
    QString checkWholeFile();
    // Opens a new, empty file that the database tool is about to fill; no
    // start checks. Returns the engine's error text, empty on success.
    QString openNew(const QString &path);
    void close();
    bool isOpen() const;
    // Open and past the start checks; statements may run.
    bool isUsable() const { return isOpen(); }
    // Opened for reading only (the file or its folder cannot be written).
    bool isReadOnly() const { return m_readOnly; }
    const QString &path() const { return m_path; }
    QSqlDatabase handle() const;
    // The engine's own connection, for the bulk paths that bind UTF-8 values
    // straight; null when the driver is not SQLite's.
    sqlite3 *engine() const;
    // Raised each time the connection is opened anew, so that a prepared
    // statement knows when it must be prepared again.
    int generation() const { return m_generation; }
    // How many of the schema steps the open file has had (see schema.h): a
    // read-only file of an older build may lack the newer tables.
    int schemaVersion() const { return m_schemaVersion; }
    // What the last open found that the operator must know although the file
    // is used: read-only, leftover files set aside.
    const QStringList &notices() const { return m_notices; }
    // How long a statement waits for another program's lock, once.
    void setBusyTimeout(int ms) { m_busyTimeoutMs = ms; }

    // Opens the connection again when it is closed; throws DbError with the
    // operator's message on failure.
    void ensureOpen();
    // Opens the file of the last open() again; the message, empty on success.
    QString reconnect();

    // Runs one statement of the catalogue with bound values; throws DbError.
    // The returned query is positioned before its first row.
    QSqlQuery exec(const QString &statement, const QVariantList &values = {});
    // Runs a statement and returns the number of rows it changed.
    int execAffected(const QString &statement, const QVariantList &values = {});
    // The first column of the first row, or an invalid value without rows.
    QVariant scalar(const QString &statement, const QVariantList &values = {});

    // The operator's message for a failed statement on this file.
    QString describe(const QSqlError &error) const;

private:
    friend class Transaction;
    QString openFile(const QString &path, bool wholeFileNow);
    QString checkOpened(QSqlDatabase &db, bool wholeFileNow);
    int m_openUnits = 0;

    QString m_connectionName;
    QString m_path;
    QStringList m_notices;
    bool m_readOnly = false;
    int m_generation = 0;
    int m_schemaVersion = 0;
    int m_busyTimeoutMs = 5000;
};

// One unit of work: committed by commit(), rolled back when left without it.
// A unit opened inside another is part of it: only the outermost commits, and
// a failure anywhere inside rolls the whole back.
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
    bool m_outermost = true;
};

// A value ready for binding: a null text is bound as empty text, so that text
// written by the program is never NULL and always matches an empty value.
QVariant bindable(const QVariant &value);

// Text of a query's last error as the engine gave it.
QString engineErrorText(const QSqlError &error);
