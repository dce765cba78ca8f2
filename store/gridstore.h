#pragma once
#include <QVariantList>
#include <vector>

class Database;

// Row-by-row reads and writes of the settings screen's two grids: the roster
// (EmpNo) and the prize items (AwardItem). Rows are plain value lists in the
// field order given below, so that a NULL the grid shows stays NULL. Every
// call throws DbError.
namespace GridStore {

// RecNo, EmpCode, EmpName, CompCode, DartNo
inline constexpr int kRosterFields = 5;
// RecNo, iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum
inline constexpr int kPrizeFields = 8;

// Roster rows with a RecNo above `afterRecNo`, by RecNo, at most `limit`.
std::vector<QVariantList> rosterPage(Database &db, int afterRecNo, int limit);
// The inserts return the RecNo the database gave the new row; the RecNo in
// `row` is not written.
int insertEmployee(Database &db, const QVariantList &row);
void updateEmployee(Database &db, const QVariantList &row);
void deleteEmployee(Database &db, int recNo);

std::vector<QVariantList> prizeRows(Database &db); // by RecNo
int insertPrizeRow(Database &db, const QVariantList &row);
void updatePrizeRow(Database &db, const QVariantList &row);
void deletePrizeRow(Database &db, int recNo);

} // namespace GridStore
