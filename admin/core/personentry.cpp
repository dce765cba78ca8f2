#include "admin/core/personentry.h"

#include "admin/core/postedlist.h"
#include "admin/core/rostermodel.h"

using namespace Qt::StringLiterals;

namespace {

QVariant itemValue(int recNo) { return recNo == 0 ? QVariant() : QVariant(recNo); }

} // namespace

LookupOutcome lookUpCode(PostedList &list, RosterModel &roster, Database &db, const QString &code,
                         std::optional<int> item)
{
    if (code.isEmpty())
        return LookupOutcome::EmptyCode;
    roster.open(db);
    const int found = roster.find(code, list.field(u"sCompCode"_s).toString());
    if (found < 0)
        return LookupOutcome::NotFound;
    const Employee &person = roster.employee(found);
    list.edit();
    list.setField(u"sNo"_s, person.EmpCode);
    list.setField(u"sName"_s, person.EmpName);
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
