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

    // The cached draw data; the draw engine reads and advances it.
    DrawData data;

    // Current prize state.
    int currItemNo() const { return m_currItemNo; }
    // The choice of the current prize picker, or 0 at start; the next
    // PrepareCurrentPrize checks that it is open.
    void setCurrItemNo(int recNo) { m_currItemNo = recNo; }
    const QString &currItemName() const { return m_currItemName; }
    const QString &currAwards() const { return m_currAwards; }
    int currSumNumber() const { return m_currSumNumber; }
    int currExcNum() const { return m_currExcNum; }
    int perPress() const { return m_perPress; }
    // The draw has counted one more winner of the current item.
    void countDrawnWinner() { ++m_currExcNum; }
    // RecNo of every roster row, in RecNo order; the draw picks positions in it.
    const std::vector<int> &rosterIndex() const { return m_rosterIndex; }
    void clearRosterIndex() { m_rosterIndex.clear(); }

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
    // The drawing line, or the no-item line when no current item is left
    // (after the last item is drawn a reload leaves the state empty).
    QString currentLine() const;
    // The ready line of the current item as last read or stored, without
    // asking the database: for the screen after a failed write.
    QString cachedReadyLine();
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

    int m_currItemNo = 0;
    QString m_currItemName;
    QString m_currAwards;
    int m_currSumNumber = 0;
    int m_currExcNum = 0;
    int m_perPress = 0;
    std::vector<int> m_rosterIndex;
    // What qAwardItem and qAward hold: all items / all designations until the
    // first PrepareCurrentPrize / OpenDesignations replaces them.
    bool m_itemQueryHoldsAll = true;
    int m_designationItem = -1; // -1: every designation
};
