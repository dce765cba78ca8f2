#pragma once
#include "draw/drawdata.h"

#include <QJsonObject>
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
    // The roster in RecNo order (RosterIndex): the draw picks positions in it.
    const RosterTable &roster() const { return data.roster; }

    // Keeps the current item while it is open, else moves to the first item by
    // iSeq whose IsExec is false; an item found full there (its total lowered
    // below its drawn count) is marked finished and passed over. The item is
    // kept in the database for the next start. Returns the ready line or the
    // no-item line.
    QString PrepareCurrentPrize();
    int FirstUnexecutedItem();
    // The item kept by the last run, for the start: PrepareCurrentPrize then
    // checks that it is still open.
    void takeStoredItem();
    // Re-reads the queries and the roster; false when the roster is empty, in
    // which case the current item keeps its state. Music is the caller's.
    bool ReloadDrawData();
    // Re-reads the exclusions, designations and scopes into who may be
    // drawn: they change outside the draw (F2, an absent winner, F8).
    void RefreshLists();
    // Deletes a person's winner rows and recounts the item's ExcNum, as one unit.
    // Each deleted row leaves a 删除 record.
    // A person without a code is told by the name (two of one factory are two people).
    bool DeleteWinner(const QString &code, const QString &factory, const QString &name, const QString &item);
    // The same for a winner who is not in the room: the person also joins the
    // exclusions, and each row leaves a 弃奖 record instead.
    bool WinnerAbsent(const QString &code, const QString &factory, const QString &name, const QString &item);
    int CountWinners(const QString &item);
    // The items still open (places left), in draw order.
    std::vector<PrizeItem> openItems();
    bool SetDrawnCount(const QString &item, const QString &count);
    // Re-reads qAward on the item's pending designations.
    void OpenDesignations(int item);

    // The roster for the proof: its rows' texts in canonical order and their
    // SHA-256 (hex), made once after each reload.
    const QByteArray &rosterRows();
    const QByteArray &rosterSha256();
    // Who is excluded or is designated, and with `withWinners` who has won,
    // as stored now (JSON).
    QString listsJson(bool withWinners);

    QString drawingLine() const;
    // The line of the idle screen: the current item's ready line, as at the
    // start, or the no-item line when no current item is left.
    QString currentLine();
    // The ready line of the current item as last read or stored, without
    // asking the database: for the screen after a failed write.
    QString cachedReadyLine();
    // A scoped item's name is followed by its scope in a few characters.
    static QString readyLine(const PrizeItem &item, const QString &scope = {});
    // The short scope of an item, empty for an item open to everybody.
    QString scopeText(int item) const;
    static QString scopeMark(const QString &scope);
    static QString noItemLine();

    Database &db() { return m_db; }

private:
    bool removeWinner(const QString &code, const QString &factory, const QString &name, const QString &item,
                      bool absent);
    void reopenItemQuery();
    void reopenDesignations();
    void takeStateFrom(const PrizeItem &item);

    Database &m_db;
    Pacer &m_pacer;
    QByteArray m_rosterRows; // empty until asked for after a reload
    QByteArray m_rosterSha;
    // Counts the readings of the lists; listsJson() keeps the JSON of the
    // one it made.
    int m_listsVersion = 0;
    std::vector<Exclusion> m_exclusionRows;
    std::vector<Designation> m_designationRows;
    int m_listsJsonVersion = -1;
    QJsonObject m_listsJson;
    QString m_listsJsonText;

    int m_currItemNo = 0;
    QString m_currItemName;
    QString m_currAwards;
    int m_currSumNumber = 0;
    int m_currExcNum = 0;
    int m_perPress = 0;
    int m_storedItem = -1; // as last read from or written to the database
    // What qAwardItem and qAward hold: all items / all designations until the
    // first PrepareCurrentPrize / OpenDesignations replaces them.
    bool m_itemQueryHoldsAll = true;
    int m_designationItem = -1; // -1: every designation
};
