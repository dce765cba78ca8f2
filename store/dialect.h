#pragma once
#include <QString>

// Turns the catalogue's Jet forms into SQLite: "select top N ..." becomes
// "select ... limit N", and a select's condition reads a NULL ExcNum or
// IsExec as 0. Brackets, Count(*) and boolean = 0 need no change.
QString toSqlite(const QString &statement);
