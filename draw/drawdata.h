#pragma once
#include "draw/eligibility.h"
#include "draw/personset.h"
#include "draw/rostertable.h"
#include "store/rows.h"

#include <vector>

// The main screen's cached copies of its queries, re-read by ReloadDrawData.
// Writes go to the database first, then to these copies.
struct DrawData {
    RosterTable roster; // qEmpNoList, by RecNo
    std::vector<Winner> winners; // qAwardList
    PersonSet winnerSet;
    std::vector<Designation> designations; // qAward
    std::vector<PrizeItem> itemRows; // qAwardItem: all items at start, the current one later
    std::vector<ScopeRow> scopes; // every item's scope rows
    // Who may still be drawn, kept up to date from the changes.
    Eligibility eligibility;

    // The row of qAwardItem with the given RecNo, or null.
    PrizeItem *itemRow(int recNo)
    {
        for (PrizeItem &item : itemRows) {
            if (item.RecNo == recNo)
                return &item;
        }
        return nullptr;
    }
    // The scope rows of one item.
    std::vector<ScopeRow> scopeOf(int item) const
    {
        std::vector<ScopeRow> rows;
        for (const ScopeRow &s : scopes) {
            if (s.sTime == item)
                rows.push_back(s);
        }
        return rows;
    }
};
