#pragma once
#include "admin/winnerslist.h"

#include <QAbstractTableModel>
#include <vector>

// Read-only rows of the winners list for the screen's grid.
class WinnersListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<ListedWinner> rows);
    const std::vector<ListedWinner> &rows() const { return m_rows; }
    // The row the indicator at the left points at; -1 for none.
    void setIndicatorRow(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<ListedWinner> m_rows;
    int m_indicatorRow = -1;
};
