#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// The five tables of the delivered file and the fields the program uses; a
// file without one of them is refused at start. Extra tables and fields are
// allowed.
struct DeliveredTable {
    QString name;
    QStringList fields;
};
const std::vector<DeliveredTable> &deliveredTables();

class Database;

// Writes a new database file with the five tables and the draw record, and no
// rows. Text fields refuse values longer than their size, integer fields
// refuse non-integers and booleans hold 0 or 1, so that the engine rejects
// what Jet rejected.
// Returns an error text, empty on success. An existing file is replaced.
QString createEmptyDatabase(const QString &path);

// The same, filled with a demo roster (several factories, a few hundred
// people) and three prize items, so a first Enter draws somebody.
QString createDemoDatabase(const QString &path);

// True when every table of the file is empty.
bool databaseHasNoRows(const QString &path);

// Adds the draw record (DrawLog), the one table the program creates, to a
// database of the system that lacks it (one written before the record
// existed). A file that is not the system's or cannot be written to is left
// as it is; nothing is thrown.
void addDrawLogWhenMissing(Database &db);
