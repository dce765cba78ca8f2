#pragma once
#include "draw/drawdata.h"

#include <QString>
#include <vector>

class Database;
class Pacer;

// The current prize item of the main screen, its counters, the description
// lines and the cached draw data. Knows no widget: the main screen shows what
// these operations return.
class PrizeRound {
public:
    PrizeRound(Database &db, Pacer &pacer);

    // Current prize state.
    int CurrItemNo = 0;
    QString CurrItemName;
    QString CurrAwards;
    int CurrSumNumber = 0;
    int CurrExcNum = 0;
    int PerPress = 0;
    // RecNo of every roster row, in RecNo order; the draw picks positions in it.
    std::vector<int> RosterIndex;

    DrawData data;

    // What qAwardItem and qAward hold: all items / all designations until the
    // first PrepareCurrentPrize / OpenDesignations replaces them.
    bool itemQueryHoldsAll = true;
    int designationItem = -1; // -1: every designation

    // Keeps the current item while it is open, else moves to the first item by
    // iSeq whose IsExec is false. Returns the ready line or the no-item line.
    QString PrepareCurrentPrize();
    int FirstUnexecutedItem();
    // Re-reads the five queries; false when the roster is empty, in which case
    // the state and RosterIndex keep their values. Music is the caller's.
    bool ReloadDrawData();
    // Deletes a person's winner rows and recounts the item's ExcNum, as one unit.
    // Each deleted row leaves a 删除 record.
    bool DeleteWinner(const QString &code, const QString &factory, const QString &item);
    // The same for a winner who is not in the room: the person also joins the
    // exclusions, and each row leaves a 弃奖 record instead.
    bool WinnerAbsent(const QString &code, const QString &factory, const QString &item);
    int CountWinners(const QString &item);
    bool SetDrawnCount(const QString &item, const QString &count);
    // Re-reads qAward on the item's pending designations.
    void OpenDesignations(int item);

    QString drawingLine() const;
    static QString readyLine(const PrizeItem &item);
    static QString noItemLine();

    Database &db() { return m_db; }

private:
    bool removeWinner(const QString &code, const QString &factory, const QString &item, bool absent);
    void reopenItemQuery();
    void reopenDesignations();
    void takeStateFrom(const PrizeItem &item);

    Database &m_db;
    Pacer &m_pacer;
};
