#pragma once
#include "draw/services.h"

#include <QDialog>

class LoopCountSpinBox;
class PostingTableModel;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSqlRecord;
class QTableView;

// The system settings screen: the four settings, the roster grid and the prize
// grid, and the commands that clear the roster, import it, reset the draw and
// delete a prize item. Grids and commands write at once; the settings are
// taken back by the main screen only on OK.
class TSetupFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSetupFrm(Services &services, QWidget *parent = nullptr);
    ~TSetupFrm() override;

    // Fills the screen from the settings in memory and opens both grids.
    void FormShow();
    void RzButtonEdit2ButtonClick();
    void ActClearExecute();
    void ActImportExecute();
    void ActIniExecute();
    void ActDelExecute();
    bool DeleteAllEmployees();
    void BitBtn2Click();

    // Re-opens the roster grid's query and its row count.
    void reopenRoster();
    void reopenPrizeItems();
    // Appends a row to the prize grid (its defaults come from ADOQuery2NewRecord).
    void appendPrizeRow();
    int rosterCount() const { return m_rosterCount; }

    // Values the main screen takes back on OK.
    QString musicPath() const;
    QString title() const;
    int loopCount() const;
    bool showNo() const;

    void reject() override;

    Services &services;
    bool Importing = false;
    bool CancelImport = false;

    QLabel *Label1 = nullptr; // status line
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *RzButtonEdit2 = nullptr;
    QAction *RzButtonEdit2Button = nullptr;
    QLineEdit *Edit1 = nullptr;
    LoopCountSpinBox *RzSpinEdit1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
    QTableView *dxDBGrid1 = nullptr; // roster
    QLabel *dxDBGrid1Footer = nullptr;
    QTableView *dxDBGrid2 = nullptr; // prize items
    QCheckBox *CheckBox1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QMenu *PopupMenu1 = nullptr;

    QAction *ActClear = nullptr;
    QAction *ActImport = nullptr;
    QAction *ActIni = nullptr;
    QAction *ActDel = nullptr;

    PostingTableModel *ADOQuery1 = nullptr; // EmpNo
    PostingTableModel *ADOQuery2 = nullptr; // AwardItem

    // Column numbers of the prize grid's fields.
    int iSeqColumn = -1;
    int sumNumberColumn = -1;
    int iNumberColumn = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildRosterGrid();
    void buildPrizeGrid();
    void ADOQuery2NewRecord(int row, QSqlRecord &record);
    void ADOQuery2iNumberChange(const QModelIndex &index);
    void placeFooter();
    void guarded(const std::function<void()> &step);

    int m_rowsBeforeInsert = 0;
    int m_rosterCount = 0;
};

// The screen while it is open, null otherwise: the global the classic program
// had. Nothing reaches the screen through it; the import reports through the
// screen's own members.
extern TSetupFrm *SetupFrm;
