#include "draw/eligibility.h"

const RosterTable &Eligibility::noRoster()
{
    static const RosterTable empty;
    return empty;
}

void Eligibility::rebuild(const RosterTable &roster, const std::vector<ScopeRow> &scopes)
{
    m_roster = &roster;
    m_blocks.assign(static_cast<size_t>(roster.size()), 0);
    m_free = roster.size();
    m_people.clear();
    setScopes(scopes);
}

void Eligibility::setScopes(const std::vector<ScopeRow> &scopes)
{
    const RosterTable &roster = *m_roster;
    m_scopes.clear();
    for (const ScopeRow &s : scopes) {
        m_scopes[s.sTime].rules.push_back({s.CompCode.isEmpty() ? kAny : roster.factoryIdOf(s.CompCode),
                                           s.DartNo.isEmpty() ? kAny : roster.departmentIdOf(s.DartNo)});
    }
    for (auto &[item, scope] : m_scopes) {
        for (int row = 0; row < roster.size(); ++row) {
            if (matches(scope.rules, roster.factoryId(row), roster.departmentId(row))) {
                scope.rows.push_back(row);
                if (m_blocks[static_cast<size_t>(row)] == 0)
                    ++scope.left;
            }
        }
    }
}

bool Eligibility::matches(const std::vector<Rule> &rules, quint32 factory, quint32 department)
{
    for (const Rule &r : rules) {
        if ((r.factory == kAny || r.factory == factory) && (r.department == kAny || r.department == department))
            return true;
    }
    return false;
}

bool Eligibility::inScope(int row, int item) const
{
    const auto it = m_scopes.find(item);
    return it == m_scopes.end() || matches(it->second.rules, m_roster->factoryId(row), m_roster->departmentId(row));
}

int Eligibility::poolSize(int item) const
{
    const auto it = m_scopes.find(item);
    return it == m_scopes.end() ? static_cast<int>(m_blocks.size()) : static_cast<int>(it->second.rows.size());
}

int Eligibility::poolRow(int item, int position) const
{
    const auto it = m_scopes.find(item);
    return it == m_scopes.end() ? position : it->second.rows[static_cast<size_t>(position)];
}

int Eligibility::left(int item) const
{
    const auto it = m_scopes.find(item);
    return it == m_scopes.end() ? m_free : it->second.left;
}

void Eligibility::change(int row, quint8 bit, bool on)
{
    quint8 &blocks = m_blocks[static_cast<size_t>(row)];
    const bool wasFree = blocks == 0;
    blocks = static_cast<quint8>(on ? (blocks | bit) : (blocks & ~bit));
    const bool isFree = blocks == 0;
    if (wasFree == isFree)
        return;
    const int delta = isFree ? 1 : -1;
    m_free += delta;
    for (auto &[item, scope] : m_scopes) {
        if (matches(scope.rules, m_roster->factoryId(row), m_roster->departmentId(row)))
            scope.left += delta;
    }
}

void Eligibility::addPerson(Block kind, const QString &code, const QString &factory)
{
    PersonSet &people = m_people[kind];
    if (people.contains(code, factory))
        return;
    people.insert(code, factory);
    for (int row : m_roster->rowsOf(code, factory))
        change(row, static_cast<quint8>(kind), true);
}

void Eligibility::setPeople(Block kind, const PersonSet &wanted)
{
    PersonSet &people = m_people[kind];
    const auto apply = [&](const QString &key, bool on) {
        const qsizetype cut = key.indexOf(PersonSet::separator());
        for (int row : m_roster->rowsOf(key.left(cut), key.mid(cut + 1)))
            change(row, static_cast<quint8>(kind), on);
    };
    for (const QString &key : people.keys()) {
        if (!wanted.containsKey(key))
            apply(key, false);
    }
    for (const QString &key : wanted.keys()) {
        if (!people.containsKey(key))
            apply(key, true);
    }
    people = wanted;
}
