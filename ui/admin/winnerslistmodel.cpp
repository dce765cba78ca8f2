#include "ui/admin/winnerslistmodel.h"

void WinnersListModel::setRows(std::vector<ListedWinner> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_indicatorRow = -1;
    endResetModel();
}

void WinnersListModel::setIndicatorRow(int row)
{
    const int old = m_indicatorRow;
    m_indicatorRow = row;
    if (old >= 0 && old < rowCount())
        Q_EMIT headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rowCount())
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
}

int WinnersListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int WinnersListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(winnersListColumns().size());
}

QVariant WinnersListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const WinnersListColumn &column = winnersListColumns()[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return m_rows[static_cast<size_t>(index.row())].*column.field;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (column.centred ? Qt::AlignHCenter : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant WinnersListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        const WinnersListColumn &column = winnersListColumns()[static_cast<size_t>(section)];
        if (role == Qt::DisplayRole)
            return QString::fromUtf16(column.header);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    }
    // The row indicator carries no numbers, only a mark at the current row.
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section == m_indicatorRow ? QString(QChar(0x25B6)) : QString();
    if (orientation == Qt::Vertical && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return QAbstractTableModel::headerData(section, orientation, role);
}
