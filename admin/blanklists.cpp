#include "admin/blanklists.h"

#include "admin/prizeitemchoice.h"
#include "store/blankliststore.h"

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
                  {u"sItemName"_s, u"奖项"_s, u"sTime"_s, 0, true}},
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
    return BlankListStore::insertDesignation(m_db, toDesignation(row));
}

void DesignationList::updateRecord(const Row &row) { BlankListStore::updateDesignation(m_db, toDesignation(row)); }

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
