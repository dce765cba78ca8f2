#pragma once
#include "store/rows.h"

#include <vector>

class Database;

// Reads and row-by-row writes of the designated-winner list (Award) and the
// exclusion list (AwardBlank) as their screen edits them, with the roster and
// prize items that screen looks things up in. Every call throws DbError.
namespace BlankListStore {

std::vector<Designation> loadDesignations(Database &db); // by RecNo
std::vector<Exclusion> loadExclusions(Database &db); // by RecNo
std::vector<PrizeItem> loadItemsBySeq(Database &db);
// RecNo of every roster row in EmpCode order; a view reads the rows it shows
// one by one with employeeByRecNo.
std::vector<int> rosterRecNosByCode(Database &db);
Employee employeeByRecNo(Database &db, int recNo);
// Roster rows whose code equals `code` exactly, in the order they were imported.
std::vector<Employee> employeesWithCode(Database &db, const QString &code);

// Inserts return the RecNo the database gave the new row. Empty texts and an
// sTime of 0 are written as NULL, as an edit left blank leaves the field.
int insertDesignation(Database &db, const Designation &row);
// Writes code, name, item and factory; Checked belongs to the draw and stays.
void updateDesignation(Database &db, const Designation &row);
void deleteDesignation(Database &db, int recNo);

int insertExclusion(Database &db, const Exclusion &row);
void updateExclusion(Database &db, const Exclusion &row);
void deleteExclusion(Database &db, int recNo);

} // namespace BlankListStore
