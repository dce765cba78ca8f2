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

// The rows of a "select *" query of DrawLog one at a time, for a record too
// long to hold. next() is false after the last row and after a failed read,
// which the query's lastError() tells.
class DrawRecordRows {
public:
    explicit DrawRecordRows(QSqlQuery &query);
    bool next(DrawRecord &record);

private:
    QSqlQuery &m_query;
    int m_recNo, m_when, m_event, m_time, m_item, m_awards, m_no, m_name, m_comp, m_how, m_scope;
};
