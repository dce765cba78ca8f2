#include "admin/settingsgrids.h"

#include "store/dberror.h"
#include "store/gridstore.h"
#include "base/lookfiles.h"
#include "store/scopestore.h"

#include <algorithm>
#include <iterator>

#include <limits>

using namespace Qt::StringLiterals;

RosterGridList::RosterGridList(Database &db, QObject *parent)
    : PostedList({u"RecNo"_s, u"EmpCode"_s, u"EmpName"_s, u"CompCode"_s, u"DartNo"_s},
                 {{u"RecNo"_s, u"RecNo"_s},
                  {u"CompCode"_s, u"工厂名称"_s, {}, 100},
                  {u"DartNo"_s, u"部门"_s, {}, 50},
                  {u"EmpCode"_s, u"工号"_s, {}, 50},
                  {u"EmpName"_s, u"姓名"_s, {}, 50}},
                 parent),
      m_db(db)
{}

std::vector<PostedList::Row> RosterGridList::load() { return loadAfter(0, std::numeric_limits<int>::max()); }

std::vector<PostedList::Row> RosterGridList::loadAfter(int recNo, int limit)
{
    return GridStore::rosterPage(m_db, recNo, limit);
}

int RosterGridList::insertRecord(const Row &row) { return GridStore::insertEmployee(m_db, row); }

void RosterGridList::updateRecord(const Row &row) { GridStore::updateEmployee(m_db, row); }

void RosterGridList::deleteRecord(const Row &row) { GridStore::deleteEmployee(m_db, row[0].toInt()); }

namespace {
enum PrizeField { pRecNo, pSeq, pItemName, pAwards, pSumNumber, pNumber, pIsExec, pExcNum };
// The grid shows the start of a long scope; the whole is in its screen.
constexpr int kScopeColumnChars = 12;
} // namespace

PrizeGridList::PrizeGridList(Database &db, QObject *parent)
    : PostedList(
        {u"RecNo"_s, u"iSeq"_s, u"ItemName"_s, u"Awards"_s, u"SumNumber"_s, u"iNumber"_s, u"IsExec"_s, u"ExcNum"_s},
        {{u"iSeq"_s, u"排序"_s, {}, 0, true},
         {u"RecNo"_s, u"RecNo"_s},
         {u"ItemName"_s, u"奖项"_s, {}, 50},
         {u"Awards"_s, u"奖品"_s, {}, 50},
         {u"SumNumber"_s, u"中奖人数"_s, {}, 0, true},
         {u"iNumber"_s, u"每次几个"_s, {}, 0, true},
         {scopeField(), u"抽奖范围"_s},
         {pictureField(), u"奖品图片"_s}},
        parent),
      m_db(db)
{}

std::vector<PostedList::Row> PrizeGridList::load()
{
    m_scopes = ScopeStore::allScopes(m_db);
    return GridStore::prizeRows(m_db);
}

std::vector<ScopeRow> PrizeGridList::scopeOf(int recNo) const
{
    std::vector<ScopeRow> rows;
    std::copy_if(m_scopes.begin(), m_scopes.end(), std::back_inserter(rows),
                 [recNo](const ScopeRow &r) { return r.sTime == recNo; });
    return rows;
}

void PrizeGridList::setScope(int recNo, const std::vector<ScopeRow> &rows)
{
    ScopeStore::setItemScope(m_db, recNo, rows);
    m_scopes = ScopeStore::allScopes(m_db);
    refreshLookUps();
}

void PrizeGridList::setPicturesFolder(const QString &folder)
{
    m_picturesFolder = folder;
    refreshLookUps();
}

QVariant PrizeGridList::lookUp(const QString &field, const Row &row) const
{
    if (row[pRecNo].isNull())
        return {};
    if (field == pictureField())
        return m_picturesFolder.isEmpty() || prizePicturePath(m_picturesFolder, row[pRecNo].toInt()).isEmpty()
                   ? QString()
                   : u"有"_s;
    if (field != scopeField())
        return {};
    return ScopeStore::summary(scopeOf(row[pRecNo].toInt()), kScopeColumnChars);
}

int PrizeGridList::insertRecord(const Row &row) { return GridStore::insertPrizeRow(m_db, row); }

void PrizeGridList::updateRecord(const Row &row) { GridStore::updatePrizeRow(m_db, row); }

void PrizeGridList::deleteRecord(const Row &row)
{
    GridStore::deletePrizeRow(m_db, row[pRecNo].toInt());
    if (!m_picturesFolder.isEmpty())
        removePrizePicture(m_picturesFolder, row[pRecNo].toInt());
}

void PrizeGridList::newRecord(Row &row, int rowsBefore)
{
    row[pSeq] = rowsBefore + 1;
    row[pIsExec] = 0;
    row[pExcNum] = 0;
}

void PrizeGridList::checkRow(const Row &row) const
{
    const int drawn = row[pExcNum].toInt();
    if (!row[pSumNumber].isNull() && row[pSumNumber].toInt() < drawn)
        throw DbError(u"“中奖人数”不能小于此奖项已抽出的人数（%1人），本行没有保存。请改正后再离开本行，或按 Esc "
                      "取消本行的修改。"_s.arg(drawn));
}
