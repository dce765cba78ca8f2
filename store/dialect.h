#pragma once
#include <QString>

// Turns the catalogue's Jet forms into SQLite: "select top N ..." becomes
// "select ... limit N". Brackets, Count(*) and boolean = 0 need no change.
QString toSqlite(const QString &statement);
