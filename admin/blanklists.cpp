#include "admin/blanklists.h"

#include "admin/prizeitemchoice.h"
#include "store/blankliststore.h"
#include "store/scopestore.h"

using namespace Qt::StringLiterals;

namespace {

// Field order of the rows of each list.
enum DesignationField { dRecNo, dNo, dName, dTime, dChecked, dCompCode };
enum ExclusionField { eRecNo, eNo, eName, eCompCode };

Designation toDesignation(const QVariantList &row)
{
    return {row[dRecNo].toInt(), row[dNo].toString(),    row[dName].toString(),
            row[dTime].toInt(),  row[dChecked].toBool(), row[dCompCode].toString()};
}

Exclusion toExclusion(const QVariantList &row)
{
    return {row[eRecNo].toInt(), row[eNo].toString(), row[eName].toString(), row[eCompCode].toString()};
}

QVariant optionalItem(int recNo) { return recNo == 0 ? QVariant() : QVariant(recNo); }

} // namespace

DesignationList::DesignationList(Database &db, const PrizeItemChoice &items, QObject *parent)
    : PostedList({u"RecNo"_s, u"sNo"_s, u"sName"_s, u"sTime"_s, u"Checked"_s, u"sCompCode"_s},
                 {{u"RecNo"_s, u"RecNo"_s},
                  {u"sCompCode"_s, u"工厂名称"_s, {}, 100},
                  {u"sNo"_s, u"号码"_s, {}, 50},
                  {u"sName"_s, u"姓名"_s, {}, 50},
                  {u"sItemName"_s, u"奖项"_s, u"sTime"_s, 0, true},
                  {u"Used"_s, u"状态"_s}},
                 parent),
      m_db(db), m_items(items)
{}

std::vector<PostedList::Row> DesignationList::load()
{
    std::vector<Row> rows;
    for (const Designation &d : BlankListStore::loadDesignations(m_db))
        rows.push_back({d.RecNo, d.sNo, d.sName, optionalItem(d.sTime), d.Checked, d.sCompCode});
    return rows;
}

int DesignationList::insertRecord(const Row &row)
{
    const int recNo = BlankListStore::insertDesignation(m_db, toDesignation(row));
    warnAbout(row);
    return recNo;
}

void DesignationList::updateRecord(const Row &row)
{
    BlankListStore::updateDesignation(m_db, toDesignation(row));
    warnAbout(row);
}

void DesignationList::warnAbout(const Row &row)
{
    const Designation d = toDesignation(row);
    if (d.Checked)
        return;
    if (const QString text = problem(m_db, d); !text.isEmpty())
        Q_EMIT warning(text);
}

QString DesignationList::problem(Database &db, const Designation &d)
{
    if (d.sNo.trimmed().isEmpty())
        return {};
    const QString who = d.sCompCode.isEmpty() ? d.sNo : d.sCompCode + u' ' + d.sNo;
    for (const Exclusion &e : BlankListStore::loadExclusions(db)) {
        if (e.sNo == d.sNo && e.sCompCode == d.sCompCode)
            return u"已保存。但“%1”也在排除名单中，不会中奖；请从排除名单中删除，或删除这条指定。"_s.arg(who);
    }
    const std::vector<ScopeRow> scope = ScopeStore::itemScope(db, d.sTime);
    if (scope.empty())
        return {};
    std::vector<ScopeStore::Group> groups;
    for (const Employee &e : BlankListStore::employeesWithCode(db, d.sNo)) {
        if (e.CompCode == d.sCompCode)
            groups.push_back({e.CompCode, e.DartNo, 1});
    }
    if (groups.empty() || ScopeStore::countInScope(groups, scope) > 0)
        return {};
    return u"已保存。但“%1”不在此奖项的抽奖范围（%2）内；指定的人仍会中此奖项。"_s.arg(who,
                                                                                       ScopeStore::summary(scope, 30));
}

void DesignationList::deleteRecord(const Row &row) { BlankListStore::deleteDesignation(m_db, row[dRecNo].toInt()); }

void DesignationList::newRecord(Row &row, int)
{
    row[dChecked] = false;
    row[dTime] = optionalItem(m_items.current());
}

QVariant DesignationList::lookUp(const QString &field, const Row &row) const
{
    if (field == u"sItemName"_s)
        return m_items.nameOf(row[dTime].toInt());
    if (field == u"Used"_s)
        return row[dChecked].toBool() ? u"已抽中"_s : QString();
    return {};
}

ExclusionList::ExclusionList(Database &db, QObject *parent)
    : PostedList({u"RecNo"_s, u"sNo"_s, u"sName"_s, u"sCompCode"_s},
                 {{u"RecNo"_s, u"RecNo"_s},
                  {u"sCompCode"_s, u"工厂名称"_s, {}, 100},
                  {u"sNo"_s, u"号码"_s, {}, 50},
                  {u"sName"_s, u"姓名"_s, {}, 50}},
                 parent),
      m_db(db)
{}

std::vector<PostedList::Row> ExclusionList::load()
{
    std::vector<Row> rows;
    for (const Exclusion &e : BlankListStore::loadExclusions(m_db))
        rows.push_back({e.RecNo, e.sNo, e.sName, e.sCompCode});
    return rows;
}

int ExclusionList::insertRecord(const Row &row) { return BlankListStore::insertExclusion(m_db, toExclusion(row)); }

void ExclusionList::updateRecord(const Row &row) { BlankListStore::updateExclusion(m_db, toExclusion(row)); }

void ExclusionList::deleteRecord(const Row &row) { BlankListStore::deleteExclusion(m_db, row[eRecNo].toInt()); }
