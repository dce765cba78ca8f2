#include "store/scopestore.h"

#include "store/database.h"
#include "store/dberror.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {
const QLatin1String AllScopes{"select RecNo, sTime, CompCode, DartNo from AwardScope order by sTime, RecNo"};
const QLatin1String ItemScope{"select RecNo, sTime, CompCode, DartNo from AwardScope where sTime = ? order by RecNo"};
const QLatin1String DeleteItemScope{"delete from AwardScope where sTime = ?"};
const QLatin1String InsertScope{"insert into AwardScope(sTime, CompCode, DartNo) values(?,?,?)"};
const QLatin1String RosterGroups{
    "select ifnull(CompCode, ''), ifnull(DartNo, ''), count(*) from EmpNo group by 1, 2 order by 1, 2"};
const QLatin1String StoredItem{"select CurrItemNo from DrawState where RecNo = 1"};
const QLatin1String StoreItem{"insert or replace into DrawState(RecNo, CurrItemNo) values(1, ?)"};

// Versions of the file that have the tables.
constexpr int kScopeVersion = 2;
constexpr int kStateVersion = 4;

std::vector<ScopeRow> readScopes(QSqlQuery q)
{
    std::vector<ScopeRow> rows;
    while (q.next())
        rows.push_back({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString(), q.value(3).toString()});
    return rows;
}

QString ruleText(const ScopeRow &row)
{
    if (row.CompCode.isEmpty())
        return row.DartNo.isEmpty() ? ScopeStore::everybody() : row.DartNo;
    return row.DartNo.isEmpty() ? row.CompCode : row.CompCode + u'·' + row.DartNo;
}
} // namespace

namespace ScopeStore {

QString everybody() { return u"全体"_s; }

std::vector<ScopeRow> allScopes(Database &db)
{
    if (db.schemaVersion() < kScopeVersion)
        return {};
    return readScopes(db.exec(AllScopes));
}

std::vector<ScopeRow> itemScope(Database &db, int item)
{
    if (db.schemaVersion() < kScopeVersion)
        return {};
    return readScopes(db.exec(ItemScope, {item}));
}

void setItemScope(Database &db, int item, const std::vector<ScopeRow> &rows)
{
    Transaction tx(db);
    db.exec(DeleteItemScope, {item});
    for (const ScopeRow &row : rows)
        db.exec(InsertScope, {item, row.CompCode, row.DartNo});
    tx.commit();
}

QString summary(const std::vector<ScopeRow> &rows, int maxChars)
{
    QStringList parts;
    for (const ScopeRow &row : rows)
        parts << ruleText(row);
    QString text = parts.isEmpty() ? everybody() : parts.join(u'；');
    if (maxChars > 0 && text.size() > maxChars)
        text = text.left(maxChars - 1) + u'…';
    return text;
}

std::vector<Group> rosterGroups(Database &db)
{
    std::vector<Group> groups;
    QSqlQuery q = db.exec(RosterGroups);
    while (q.next())
        groups.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt()});
    return groups;
}

int countInScope(const std::vector<Group> &groups, const std::vector<ScopeRow> &rows)
{
    int people = 0;
    for (const Group &g : groups) {
        const bool in = rows.empty() || std::any_of(rows.begin(), rows.end(), [&g](const ScopeRow &r) {
                            return r.matches(g.factory, g.department);
                        });
        if (in)
            people += g.people;
    }
    return people;
}

} // namespace ScopeStore

int storedCurrentItem(Database &db)
{
    if (db.schemaVersion() < kStateVersion)
        return 0;
    return db.scalar(StoredItem).toInt();
}

void storeCurrentItem(Database &db, int item)
{
    if (db.schemaVersion() < kStateVersion || db.isReadOnly())
        return;
    try {
        db.exec(StoreItem, {item});
    } catch (const DbError &) {
        // Only a convenience for the next start: the draw goes on without it.
    }
}
