#pragma once
#include "store/rows.h"

#include <QString>
#include <vector>

class Database;

// Reads the whole roster straight from the engine, skipping the per-value
// conversions of the generic query layer: the main screen reloads rosters of
// 100,000 people and must stay quick. Throws DbError on failure.
std::vector<Employee> loadEmployees(Database &db, const QString &statement);
