#pragma once
#include "store/rows.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

class Database;

// Reads the whole roster straight from the engine, skipping the per-value
// conversions of the generic query layer: the main screen reloads rosters of
// 100,000 people and must stay quick. Throws DbError on failure.
std::vector<Employee> loadEmployees(Database &db, const QString &statement);

// One roster row as the engine holds it: UTF-8 views valid during the call.
struct RosterRowView {
    int recNo = 0;
    QByteArrayView code;
    QByteArrayView name;
    QByteArrayView factory;
    QByteArrayView department;
};

// Every roster row in RecNo order, handed on without making a QString: a
// million rows are read in about a second. `row` returns false to stop early.
// Throws DbError on failure.
void readRoster(Database &db, const std::function<bool(const RosterRowView &)> &row);
