#pragma once
#include "store/rows.h"

#include <QString>
#include <optional>

class Database;
class PostedList;

// Filling a row of the designated-winner or exclusion list with a person of
// the roster. `item` is the prize item a designation gets (the current one);
// it stays empty for the exclusion list.

enum class LookupOutcome { EmptyCode, NotFound, Filled };

// The code typed into a list's code edit and confirmed with Enter: the
// current row (a new one on an empty list) takes the roster person's code and
// name, and a designation the item. When the code exists in the factory
// typed on the row, that person is taken and the factory stays; otherwise the
// first person with the code is taken with their factory. The row is posted.
// An empty or unknown code changes nothing.
LookupOutcome lookUpCode(PostedList &list, Database &db, const QString &code, std::optional<int> item);

// A person chosen in the picker, appended with code, name and factory.
void appendPerson(PostedList &list, const Employee &person, std::optional<int> item);
