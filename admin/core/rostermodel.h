#pragma once
#include "store/rows.h"

#include <QAbstractTableModel>
#include <vector>

class Database;

// The roster ordered by EmpCode, read once when first needed, for the code
// lookup and the employee picker of the lists screen. Views ask only for the
// rows they paint, so a roster of 100,000 opens and scrolls at once.
class RosterModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void open(Database &db); // reads the roster unless it is already read
    bool isOpen() const { return m_open; }
    const Employee &employee(int row) const { return m_rows[static_cast<size_t>(row)]; }
    // The first row with exactly this code, by preference one of this factory; -1 if none.
    int find(const QString &code, const QString &preferredFactory = {}) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<Employee> m_rows;
    bool m_open = false;
};
