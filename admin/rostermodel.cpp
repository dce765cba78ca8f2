#include "admin/rostermodel.h"

#include "base/errors.h"
#include "store/blankliststore.h"

using namespace Qt::StringLiterals;

RosterModel::RosterModel(QObject *parent) : QAbstractTableModel(parent) {}

void RosterModel::open(Database &db)
{
    if (m_db)
        return;
    std::vector<int> recNos = BlankListStore::rosterRecNosByCode(db);
    beginResetModel();
    m_db = &db;
    m_recNos = std::move(recNos);
    m_rows.assign(m_recNos.size(), Employee{});
    m_read.assign(m_recNos.size(), false);
    endResetModel();
}

const Employee &RosterModel::employee(int row) const
{
    const auto at = static_cast<size_t>(row);
    if (!m_read[at]) {
        m_rows[at] = BlankListStore::employeeByRecNo(*m_db, m_recNos[at]);
        m_read[at] = true;
    }
    return m_rows[at];
}

int RosterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_recNos.size());
}

int RosterModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 3; }

QVariant RosterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    try {
        const Employee &e = employee(index.row());
        switch (index.column()) {
        case 0:
            return e.EmpCode;
        case 1:
            return e.EmpName;
        default:
            return e.CompCode;
        }
    } catch (const AppError &) {
        // A view cannot take an error while painting; the cell stays empty
        // and the next paint tries again.
        return {};
    }
}

QVariant RosterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList titles = {u"员工工号"_s, u"姓名"_s, u"工厂名称"_s};
    return section >= 0 && section < titles.size() ? titles[section] : QVariant();
}
