#pragma once
#include "store/preparedstatement.h"
#include "store/proofstore.h"
#include "store/rows.h"

#include "draw/presslimit.h"
#include "draw/pressstate.h"

#include <QString>
#include <optional>
#include <utility>

class DrawView;
class Pacer;
class PrizeRound;
class RandomPosition;
struct Settings;

// The rolling draw and the choice of winners of the main screen: the start and
// stop press, the roll, the shuffle before each winner, designated winners and
// the recording of each winner. Knows no widget: it talks to the screen
// through DrawView and lets events through Pacer.
//
// A press draws at most kMaxWinnersPerPress winners, whatever an item's
// iNumber says; further winners of the item are drawn by the next press.
// A press never runs without end: a start press is refused with a notice when
// the roster locates nobody, or when nobody may be drawn at random and no
// pending designation of the item may win; a press that runs out of eligible
// people ends after its last winner with a notice. An iTime below 0 counts as
// 0. From the start press to the end of the press the screens stay shut (the
// screen's handlers ask busy()), so no table changes under a running press;
// the stop press (Enter, the start picture) and the close command keep their
// roles. The close command (and a close of the window) also ends a shuffle at
// once, so that no iTime can make a press endless.
//
// The engine owns the state and counters of a press; the screen reads them and
// gives the close request through requestClose(). Everything the engine shows,
// each change of the state among it, goes through DrawView.
class DrawEngine {
public:
    // A person who may win: from a roster row or from a designation.
    struct Candidate {
        QString code;
        QString name;
        QString factory;
    };

    static QString noItemText();
    static QString emptyRosterText();
    static QString nobodyEligibleText();
    static QString allDrawnText();
    // The scope of the item holds nobody who may still be drawn.
    static QString scopeExhaustedText(const QString &itemName);

    DrawEngine(PrizeRound &round, Pacer &pacer, RandomPosition &random, const Settings &settings, DrawView &view);

    // Start press (roll until the stop press, then draw the winners) or stop
    // press while a press rolls or draws.
    void ActStartExecute();
    // Draws the winners of one press for the item; the roll has stopped.
    void DrawWinners(int item);

    PressState state() const { return m_state; }
    // From the start press until its last winner is finished.
    bool busy() const { return m_state != PressState::Idle; }
    // While the digits roll and while the winners of a press are drawn,
    // until a close command or a full item ends the press.
    bool rolling() const { return m_state == PressState::Rolling || m_state == PressState::Drawing; }
    // The roll has been stopped (by Enter or a close command).
    bool stopRequested() const { return m_state == PressState::Drawing || m_state == PressState::Ending; }
    // 1-based number of the winner being drawn; also its board label's number.
    int winnerIndex() const { return m_winnerIndex; }
    int rollStep() const { return m_rollStep; }
    // The close command while a press rolls or draws: a roll ends and its
    // winners are drawn; a drawing ends after its current winner (a running
    // shuffle ends with the candidate it has). Returns false when no press
    // was rolling, so that the caller may act as when idle.
    bool requestClose();

    // Whether the person is designated for any item: asks the lists as they
    // are now, so a designation made anywhere counts at once.
    bool IsDesignated(const QString &code, const QString &factory, const QString &name);
    void OpenDesignations(int item);
    // Counts and stores one winner in one transaction; false when the person
    // has already won.
    bool RecordWinner(const QString &code, const QString &name, const QString &factory, const QString &itemText);

    void ShowCandidate(const QString &code, const QString &line);
    static QString PadCode(const QString &text, int width, bool rightSide);

private:
    // The start checks of a press; false after telling the operator why not.
    bool startChecksPass();
    void roll();
    // The row the roll shows next: any roster row, or with the setting only
    // one that may win the item.
    int rollRow(int item);
    // iTime + 1 eligible candidates; the last is the random winner. None when
    // nobody eligible is left.
    std::optional<Candidate> shuffle(int item);
    // The eligible person the seed gives at a step of the press.
    std::optional<Candidate> pickEligible(int item, quint64 step);
    // The press's number, seed and what it starts from, for the proof; stored
    // with its first winner.
    void beginPressRecord(int item, int places);
    // The first eligible row of the item's pool from a position on, walking
    // round; -1 when nobody is left.
    int walkToEligible(int item, int start);
    Candidate candidateAt(int row) const;
    void showRow(int row);
    // Brings who may be drawn up to date when any table has changed since the
    // last look (an exclusion or designation made with F2 counts at once), at
    // the cost of one small statement.
    void syncLists();
    std::pair<qint64, qint64> changeStamp();
    // The first pending designation of the item whose person has neither
    // been excluded nor won.
    std::optional<Candidate> designatedWinner(int item);
    // Tells the operator that nobody is left to draw for the item.
    void notifyNobodyLeft(int item, bool atStart);
    void endPressAfterFailure();
    void setState(PressState state);
    // Shows the last winner stored in this press, or nobody.
    void showLastStoredWinner();

    PrizeRound &m_round;
    Pacer &m_pacer;
    RandomPosition &m_random;
    const Settings &m_settings;
    DrawView &m_view;
    PressState m_state = PressState::Idle;
    int m_winnerIndex = 0;
    int m_rollStep = 0;
    // Run for every candidate and every winner: prepared once.
    PreparedStatement m_changeStamp;
    std::optional<std::pair<qint64, qint64>> m_listsStamp;
    PreparedStatement m_recordDrawnCount;
    PreparedStatement m_appendWinner;
    PreparedStatement m_markDesignationUsed;
    PreparedStatement m_appendPressWinner;
    std::optional<Candidate> m_lastStored; // of the press in progress
    ProofStore::Seed m_seed;
    ProofStore::Press m_press; // number 0 outside a press
    bool m_pressStored = false;
};
