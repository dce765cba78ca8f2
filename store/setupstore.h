#pragma once
#include "store/rows.h"

#include <vector>

class Database;

// What the administration screens write and count outside their grids.

int countPrizeItems(Database &db);
int countEmployees(Database &db);
// Appends a prize item; returns its RecNo.
int insertPrizeItem(Database &db, const PrizeItem &item);
// The open items (ExcNum below SumNumber) in iSeq order.
std::vector<PrizeItem> openPrizeItems(Database &db);
// Removes every roster row.
void deleteAllEmployees(Database &db);
// Resets the draw as one unit: every item but those with iSeq 9999 back to
// not drawn, every winner removed, every designation pending again, and a 重置
// record added to the draw record, which keeps its rows.
void resetDraw(Database &db);
