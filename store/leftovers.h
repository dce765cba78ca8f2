#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The files SQLite keeps beside a database (a rollback journal, or the log and
// index of write-ahead mode that older builds used) are applied to whatever
// file carries the database's name. One that does not belong to the file now
// in place must not alter it: it is set aside under a dated name, never
// deleted, and the operator is told.
struct LeftoverCheck {
    QStringList notices; // one per file set aside
    QString error; // a foreign file that could not be set aside
};

LeftoverCheck setAsideForeignLeftovers(const QString &databasePath, const QDateTime &now);

// Whether a rollback journal (its bytes) belongs to a database (its first
// page, at least the 100-byte header). A journal that SQLite would not play
// back (no header yet) counts as belonging: it cannot alter anything.
bool journalBelongsTo(const QByteArray &journal, const QByteArray &databasePage1);
