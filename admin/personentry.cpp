#include "admin/personentry.h"

#include "admin/postedlist.h"
#include "store/blankliststore.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QVariant itemValue(int recNo) { return recNo == 0 ? QVariant() : QVariant(recNo); }

} // namespace

LookupOutcome lookUpCode(PostedList &list, Database &db, const QString &code, std::optional<int> item)
{
    if (code.isEmpty())
        return LookupOutcome::EmptyCode;
    const std::vector<Employee> found = BlankListStore::employeesWithCode(db, code);
    if (found.empty())
        return LookupOutcome::NotFound;
    const QString factory = list.field(u"sCompCode"_s).toString();
    auto person = std::find_if(found.begin(), found.end(), [&](const Employee &e) { return e.CompCode == factory; });
    if (person == found.end())
        person = found.begin();
    list.edit();
    list.setField(u"sNo"_s, person->EmpCode);
    list.setField(u"sName"_s, person->EmpName);
    // A factory where nobody has this code would name a person who does not exist.
    if (person->CompCode != factory)
        list.setField(u"sCompCode"_s, person->CompCode);
    if (item)
        list.setField(u"sTime"_s, itemValue(*item));
    list.post();
    return LookupOutcome::Filled;
}

void appendPerson(PostedList &list, const Employee &person, std::optional<int> item)
{
    list.append();
    list.setField(u"sNo"_s, person.EmpCode);
    list.setField(u"sName"_s, person.EmpName);
    list.setField(u"sCompCode"_s, person.CompCode);
    if (item)
        list.setField(u"sTime"_s, itemValue(*item));
    list.post();
}
