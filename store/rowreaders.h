#pragma once
#include "store/rows.h"

#include <QSqlQuery>
#include <vector>

// Reads every row of a "select *" query into plain rows. Fields are found by
// name, without regard to case.
std::vector<Employee> readEmployees(QSqlQuery &query);
std::vector<PrizeItem> readPrizeItems(QSqlQuery &query);
std::vector<Designation> readDesignations(QSqlQuery &query);
std::vector<Exclusion> readExclusions(QSqlQuery &query);
std::vector<Winner> readWinners(QSqlQuery &query);
std::vector<DrawRecord> readDrawRecords(QSqlQuery &query);
