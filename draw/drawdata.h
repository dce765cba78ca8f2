#pragma once
#include "draw/personset.h"
#include "store/rows.h"

#include <QHash>
#include <vector>

// The main screen's cached copies of its five queries, re-read by
// ReloadDrawData. Writes go to the database first, then to these copies.
struct DrawData {
    std::vector<Employee> roster; // qEmpNoList, by RecNo
    QHash<int, int> rosterRowByRecNo; // RecNo -> position in roster
    std::vector<Winner> winners; // qAwardList
    PersonSet winnerSet;
    std::vector<Exclusion> exclusions; // qAwardBlank
    PersonSet excludedSet;
    std::vector<Designation> designations; // qAward
    std::vector<PrizeItem> itemRows; // qAwardItem: all items at start, the current one later

    const Employee *rosterEntry(int recNo) const
    {
        const auto it = rosterRowByRecNo.constFind(recNo);
        return it == rosterRowByRecNo.constEnd() ? nullptr : &roster[static_cast<size_t>(*it)];
    }
    // The row of qAwardItem with the given RecNo, or null.
    PrizeItem *itemRow(int recNo)
    {
        for (PrizeItem &item : itemRows) {
            if (item.RecNo == recNo)
                return &item;
        }
        return nullptr;
    }
};
