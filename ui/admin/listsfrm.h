#pragma once
#include "admin/winnerslist.h"

#include <QDialog>
#include <functional>
#include <optional>

class ColumnFit;
class QAction;
class QLabel;
class QMenu;
class QTableView;
class Database;
class Dialogs;
class PrizeRound;
class WinnersListModel;

// The winners list screen: every winner with the prize item won, on a page
// of its own. The operator exports the list or the draw record as a workbook,
// deletes a winner, whose place in the prize item then goes back to the draw,
// or takes a winner who is not in the room out of the draw for good.
//
// One implementation, two presentations: with one screen a full-screen page
// in the stage's design (F11), with a console a page of it laid out for the
// operator's screen, with buttons for the commands.
class TListsFrm : public QDialog {
    Q_OBJECT
public:
    enum class Presentation { Screen, ConsolePage };
    explicit TListsFrm(Database &db, Dialogs &dialogs, PrizeRound &round, QWidget *parent = nullptr,
                       Presentation presentation = Presentation::Screen);

    // Reads the list again (a console page, each time it is shown).
    void reload() { FormCreate(); }
    // A console page is never closed (QDialog would hide it on Esc).
    void reject() override;

    static QString exportFilter();

    // RecNo of the prize item of the last absent winner taken out while the
    // screen was open, 0 when none: the main screen draws its place next.
    int absentItem() const { return m_absentItem; }

Q_SIGNALS:
    // A winner was deleted or taken out as absent (the item's RecNo for an
    // absent one, else 0): a console page has no close after which the
    // stage would follow.
    void winnersChanged(int absentItem);
    // The seeds were revealed: the next press draws with a new one, whose
    // commitment the stage shows.
    void seedRevealed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildScreen();
    void buildCommands();
    void buildPage();
    // An error that escapes a command goes to the general error report and
    // the screen stays open.
    void guarded(const std::function<void()> &step);

    // Re-reads the list; the selection goes to the first row.
    void FormCreate();
    void ActCloseExecute();
    void ActExportExecute();
    void ActDelExecute();
    void ActAbsentExecute();
    void ActExportLogExecute();
    void ActRevealSeedExecute();
    void ActExportProofExecute();
    // The commitment line: the live seed's, or that none is live.
    void showCommitment();
    // The winner of the current row, after the operator has said yes.
    std::optional<ListedWinner> confirmedWinner(const QString &question);

    Database &m_db;
    Dialogs &m_dialogs;
    PrizeRound &m_round;
    const Presentation m_presentation;
    int m_absentItem = 0;

    // Reached by tests through their object names, which are these.
    QLabel *Image1 = nullptr;
    QTableView *dxDBGrid1 = nullptr;
    ColumnFit *columnFit = nullptr;
    WinnersListModel *AwardList = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *ActClose = nullptr;
    QAction *ActExport = nullptr;
    QAction *ActDel = nullptr;
    QAction *ActAbsent = nullptr;
    QAction *ActExportLog = nullptr;
    QAction *ActRevealSeed = nullptr;
    QAction *ActExportProof = nullptr;
    QLabel *commitLine = nullptr;
};

// The screen while it is open, else null.
extern TListsFrm *ListsFrm;
