#pragma once
#include <QDialog>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTableView;
class PrizeRound;
struct Services;
class WinnersListModel;

// The winners list screen: every winner with the prize item won, on a page
// of its own. The operator exports the list as a workbook or deletes a winner,
// whose place in the prize item then goes back to the draw.
class TListsFrm : public QDialog {
    Q_OBJECT
public:
    TListsFrm(Services &services, PrizeRound &round, QWidget *parent = nullptr);

    // Re-reads the list; the selection goes to the first row.
    void FormCreate();
    void ActCloseExecute();
    void ActExportExecute();
    void ActDelExecute();

    static QString exportFilter();

    QLabel *Image1 = nullptr;
    QTableView *dxDBGrid1 = nullptr;
    WinnersListModel *AwardList = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *ActClose = nullptr;
    QAction *ActExport = nullptr;
    QAction *ActDel = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildScreen();
    void buildCommands();
    void stretchColumns();
    // An error that escapes a command goes to the general error report and
    // the screen stays open.
    void guarded(const std::function<void()> &step);

    Services &m_services;
    PrizeRound &m_round;
};

// The screen while it is open, else null.
extern TListsFrm *ListsFrm;
