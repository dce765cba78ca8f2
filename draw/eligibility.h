#pragma once
#include "draw/personset.h"
#include "draw/rostertable.h"
#include "store/rows.h"

#include <map>
#include <vector>

// Who may be drawn at random for an item: the one rule behind the random
// pick, the count of who is left, the walk over the roster and the roll.
//
// A roster row may be drawn for an item when its person has not won, is not
// excluded and is not designated for any item (a designated person wins only
// through the designation), and when the row lies in the item's scope. The
// state of every row is kept up to date from the changes (a winner, the lists
// read again), never recounted per press; so is the number of rows left to
// draw for the roster and for each scoped item.
class Eligibility {
public:
    enum class Block : quint8 { Won = 1, Excluded = 2, Designated = 4 };

    // All rows free; the scopes' own pools are indexed here. `scopes` holds
    // the rows of AwardScope by item; an item without rows is open to all.
    void rebuild(const RosterTable &roster, const std::vector<ScopeRow> &scopes);
    // New scopes over the same roster and people (an item added or its scope
    // changed): the pools are indexed again and counted from the rows' state.
    void setScopes(const std::vector<ScopeRow> &scopes);

    // Makes the people of one kind exactly `people`: the rows of people who
    // left the set are freed, those of people who joined are blocked.
    void setPeople(Block kind, const PersonSet &people);
    // One more person of the kind (a winner just stored).
    void addPerson(Block kind, const QString &code, const QString &factory);

    bool has(Block kind, const QString &code, const QString &factory) const
    {
        const auto it = m_people.find(kind);
        return it != m_people.end() && it->second.contains(code, factory);
    }
    bool scoped(int item) const { return m_scopes.count(item) != 0; }
    // The rule itself.
    bool eligible(int row, int item) const { return m_blocks[static_cast<size_t>(row)] == 0 && inScope(row, item); }
    bool inScope(int row, int item) const;
    // The rows a pick for the item draws from, by position: the whole roster,
    // or the scope's own rows.
    int poolSize(int item) const;
    int poolRow(int item, int position) const;
    // Rows that may still be drawn for the item.
    int left(int item) const;

private:
    struct Rule {
        quint32 factory; // kAny: any factory
        quint32 department;
    };
    struct Scope {
        std::vector<Rule> rules;
        std::vector<int> rows; // the pool, in roster order
        int left = 0;
    };
    static constexpr quint32 kAny = RosterTable::kNoGroup - 1;
    static bool matches(const std::vector<Rule> &rules, quint32 factory, quint32 department);
    void change(int row, quint8 bit, bool on);

    const RosterTable *m_roster = &noRoster();
    static const RosterTable &noRoster();
    std::vector<quint8> m_blocks;
    int m_free = 0;
    std::map<int, Scope> m_scopes;
    std::map<Block, PersonSet> m_people;
};
