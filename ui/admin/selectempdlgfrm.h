#pragma once
#include <QDialog>

class ColumnFit;
class Database;
class QLabel;
class QPushButton;
class QTableView;
class RosterModel;

// The employee picker of the lists screen: the roster by code with the number
// of its rows in the footer. It shows the screen's own roster, so the chosen
// person is simply the roster row current when it closes with OK, and the
// next picker opens on the row this one was left on.
class TSelectEmpDlgFrm : public QDialog {
    Q_OBJECT
public:
    TSelectEmpDlgFrm(RosterModel &roster, Database &db, QWidget *parent = nullptr);

    // Row of the roster chosen; -1 when the roster is empty.
    int chosenRow() const;
    void selectRow(int row);

private:
    friend class tst_setupblankfrm;

    void FormShow();
    void dxDBGrid1DblClick();

    QTableView *dxDBGrid1 = nullptr;
    ColumnFit *columnFit = nullptr;
    QLabel *footer = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    RosterModel &m_roster;
    Database &m_db;
};
