#pragma once
#include "store/rows.h"

#include <QString>
#include <vector>

class Database;

// Who may win which prize item (table AwardScope), and the current item kept
// across a restart (table DrawState). Files of older builds opened read-only
// lack these tables: they read as "everybody" and "no item chosen".
namespace ScopeStore {

// Every scope row, by item and RecNo.
std::vector<ScopeRow> allScopes(Database &db);
std::vector<ScopeRow> itemScope(Database &db, int item);
// Replaces the item's rows in one transaction; an empty list opens the item
// to everybody.
void setItemScope(Database &db, int item, const std::vector<ScopeRow> &rows);

// The scope as the screens and the draw record name it: "全体" for no rows,
// else each row's factory and department ("第1分厂·财务部"), joined by "；";
// cut to at most `maxChars` characters with "…" (0: whole).
QString summary(const std::vector<ScopeRow> &rows, int maxChars = 0);
QString everybody();

// A factory and department of the roster and its head count.
struct Group {
    QString factory;
    QString department;
    int people = 0;
};
// Every (factory, department) of the roster, by factory and department.
std::vector<Group> rosterGroups(Database &db);
// How many roster rows of the groups a scope holds (all of them for no rows).
int countInScope(const std::vector<Group> &groups, const std::vector<ScopeRow> &rows);

} // namespace ScopeStore

// The item the operator chose or the draw reached, or 0.
int storedCurrentItem(Database &db);
// Keeps it; a file that cannot be written is left as it is.
void storeCurrentItem(Database &db, int item);
