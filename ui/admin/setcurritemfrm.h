#pragma once
#include "store/rows.h"

#include <QDialog>
#include <vector>

class Database;
class QStandardItemModel;
class QTableView;

// The current prize picker: the open prize items in draw order as large red
// rows; Enter or a double-click chooses the selected one.
class TSetCurrItemFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSetCurrItemFrm(Database &db, QWidget *parent = nullptr);

    // Reads the open items; the selection starts on the first.
    void open();
    // RecNo of the selected item, 0 when the list is empty.
    int selectedRecNo() const;
    int rowCount() const { return static_cast<int>(items.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class TestPrizeScreens;
    friend class TestDrawEngine;

    // The row indicator marks the selected row only.
    void markRow(int row);

    Database &m_db;
    QTableView *dxDBGrid1 = nullptr;
    std::vector<PrizeItem> items;
    QStandardItemModel *m_model = nullptr;
};
