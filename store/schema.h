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

// Writes a new database file with the five tables and every later step (the
// draw record among them), and no rows. Text fields refuse values longer than their size, integer fields
// refuse non-integers and booleans hold 0 or 1, so that the engine rejects
// what Jet rejected.
// Returns an error text, empty on success. An existing file is replaced.
QString createEmptyDatabase(const QString &path);

// The same, filled with a demo roster (four factories of five departments,
// 400 people unless told otherwise) and three prize items, so a first Enter
// draws somebody.
QString createDemoDatabase(const QString &path, int people = 400);

// True when every table of the file is empty.
bool databaseHasNoRows(const QString &path);

// Our file's layout beyond the five tables changes only through one numbered
// list of steps; PRAGMA user_version says how many a file has had.
int latestSchemaVersion();
int schemaVersion(Database &db);
// Runs the steps a file of ours has not had yet, in one transaction, and
// returns the version the file is at afterwards. A file that is not the
// system's, or that cannot be written to, is left as it is (a read-only file
// keeps its version: what it lacks reads as empty); throws only when even
// the version cannot be read.
int upgradeSchema(Database &db);

// One row of a file's sqlite_master.
struct SchemaObject {
    QString type; // table, index, view, trigger
    QString name;
    QString table;
    QString sql;
};
// A database runs the statements its triggers and views hold at every write
// and read: a file of ours holds only the triggers of the step list, no
// views, and every table its version claims, as a table. Extra tables and
// indexes run nothing and are allowed (other tools add them). Returns what is
// wrong in the operator's words (the object's kind and name), empty when the
// file holds what it should.
QString schemaMismatch(const std::vector<SchemaObject> &objects, int version);
