#pragma once
#include "store/rows.h"

#include <QAbstractTableModel>
#include <vector>

class Database;

// The roster ordered by EmpCode for the employee picker of the lists screen.
// Opening reads only the order (one RecNo per row); a row's fields are read
// when a view first asks for them, so a roster of 100,000 opens and scrolls
// at once.
class RosterModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RosterModel(QObject *parent = nullptr);

    void open(Database &db); // reads the order unless it is already read
    bool isOpen() const { return m_db != nullptr; }
    // Throws DbError when the row cannot be read.
    const Employee &employee(int row) const;
    // The row a view of this roster was left on, so that the next view opens
    // on it (0 until one moves).
    int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row) { m_currentRow = row; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Database *m_db = nullptr;
    std::vector<int> m_recNos;
    mutable std::vector<Employee> m_rows; // filled as rows are asked for
    mutable std::vector<bool> m_read;
    int m_currentRow = 0;
};
