#pragma once
#include "draw/personset.h"
#include "draw/rostertable.h"
#include "store/rows.h"

#include <map>
#include <unordered_map>
#include <vector>

// Who may be drawn at random for an item: the one rule behind the random
// pick, the count of who is left, the roll and the replay of a proof file.
//
// The draw is of people, not rows. A person with a code is the code with the
// factory, one without a code the factory with the name; a person may stand
// in several rows. People are taken in one canonical order: their rows by
// factory, code, name and department, compared as UTF-8 bytes (a person's
// rows lie together in it). A person may be drawn for an item when he has not
// won, is not excluded and is not designated for any item (a designated person
// wins only through the designation), and when any of his rows lies in the
// item's scope. The state of every person is kept up to date from the changes
// (a winner, the lists read again), never recounted per press; so is the
// number of people left to draw for the roster and for each scoped item, by
// chunks, so that the n-th person who may be drawn is found at once among a
// million.
class Eligibility {
public:
    enum class Block : quint8 { Won = 1, Excluded = 2, Designated = 4 };

    // All people free; the scopes' own pools are indexed here. `scopes` holds
    // the rows of AwardScope by item; an item without rows is open to all.
    void rebuild(const RosterTable &roster, const std::vector<ScopeRow> &scopes);
    // New scopes over the same roster and people (an item added or its scope
    // changed): the pools are indexed again and counted from the people's state.
    void setScopes(const std::vector<ScopeRow> &scopes);

    // Makes the people of one kind exactly `people`: people who left the set
    // are freed, those who joined are blocked.
    void setPeople(Block kind, const PersonSet &people);
    // One more person of the kind (a winner just stored).
    void addPerson(Block kind, const QString &code, const QString &factory, const QString &name);

    bool has(Block kind, const QString &code, const QString &factory, const QString &name) const
    {
        const auto it = m_people.find(kind);
        return it != m_people.end() && it->second.contains(code, factory, name);
    }
    bool scoped(int item) const { return m_scopes.count(item) != 0; }
    // The person of the row may be drawn for the item.
    bool eligible(int row, int item) const;
    // The row itself lies in the item's scope.
    bool inScope(int row, int item) const;
    // The people a pick for the item draws from, by position in canonical
    // order: everybody, or the scope's own people; a position's row is the
    // person's first row.
    int poolSize(int item) const;
    int poolRow(int item, int position) const;
    // People who may still be drawn for the item.
    int left(int item) const;
    // The first row of the position-th (from 0, in canonical order) of the
    // people who may be drawn for the item; -1 when position >= left(item).
    int eligibleRow(int item, qint64 position) const;

    // The rows in canonical order.
    const std::vector<int> &canonicalRows() const { return m_canonical; }

private:
    // People counted by chunks of kChunk positions of the pool.
    struct Pool {
        std::vector<int> people; // ascending person numbers; the whole roster's pool leaves it empty
        std::vector<int> freeInChunk;
        int free = 0;
        int size = 0;
        int personAt(int position) const
        {
            return people.empty() && size > 0 ? position : people[static_cast<size_t>(position)];
        }
    };
    struct Scope {
        std::vector<ScopeRow> rules;
        // Whether a factory and department (by their ids) lie in the scope,
        // as ScopeRow::matches() says, asked once per pair the roster has.
        std::unordered_map<quint64, bool> groups;
        Pool pool;
    };
    static constexpr int kChunk = 1024;
    static quint64 groupKey(quint32 factory, quint32 department) { return (quint64(factory) << 32) | department; }
    void countPool(Pool &pool) const;
    int nthFree(const Pool &pool, qint64 position) const;
    const Pool &poolOf(int item) const;
    // The person of code, factory and name, or -1 when the roster has none.
    int personOf(const QString &code, const QString &factory, const QString &name) const;
    void change(int person, quint8 bit, bool on);

    const RosterTable *m_roster = &noRoster();
    static const RosterTable &noRoster();
    std::vector<int> m_canonical; // rows
    std::vector<int> m_personOfRow;
    std::vector<int> m_personStart; // each person's first position in m_canonical, and the end
    std::vector<quint8> m_blocks; // by person
    Pool m_all;
    std::map<int, Scope> m_scopes;
    std::map<Block, PersonSet> m_people;
};
