#include "admin/core/rostermodel.h"

#include "store/blankliststore.h"

using namespace Qt::StringLiterals;

void RosterModel::open(Database &db)
{
    if (m_open)
        return;
    std::vector<Employee> rows = BlankListStore::loadRosterByCode(db);
    beginResetModel();
    m_rows = std::move(rows);
    m_open = true;
    endResetModel();
}

int RosterModel::find(const QString &code, const QString &preferredFactory) const
{
    int first = -1;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].EmpCode != code)
            continue;
        if (preferredFactory.isEmpty() || m_rows[i].CompCode == preferredFactory)
            return static_cast<int>(i);
        if (first < 0)
            first = static_cast<int>(i);
    }
    return first;
}

int RosterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RosterModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 3; }

QVariant RosterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const Employee &e = m_rows[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return e.EmpCode;
    case 1:
        return e.EmpName;
    default:
        return e.CompCode;
    }
}

QVariant RosterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList titles = {u"员工工号"_s, u"姓名"_s, u"工厂名称"_s};
    return section >= 0 && section < titles.size() ? titles[section] : QVariant();
}
