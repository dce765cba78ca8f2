#pragma once
#include "store/rows.h"

#include <QString>
#include <vector>

class Database;

// The prize items by iSeq behind the prize-item drop-downs of the lists
// screen, and which of them is current: the one last shown or chosen in a
// drop-down, before that the first by iSeq. A designation filled in by the
// screen gets the current item.
class PrizeItemChoice {
public:
    void open(Database &db);
    const std::vector<PrizeItem> &items() const { return m_items; }
    int indexOf(int recNo) const; // -1 when no item has this RecNo
    QString nameOf(int recNo) const; // empty when there is none
    // RecNo of the current item; 0 when there are no items.
    int current() const { return m_current; }
    // Makes the item current if it exists; returns whether it does.
    bool follow(int recNo);

private:
    std::vector<PrizeItem> m_items;
    int m_current = 0;
};
