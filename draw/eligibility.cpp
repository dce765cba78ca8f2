#include "draw/eligibility.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>

const RosterTable &Eligibility::noRoster()
{
    static const RosterTable empty;
    return empty;
}

namespace {
// Each group's rank when the groups' names are ordered as UTF-8 bytes.
std::vector<int> byteRanks(int count, const std::function<QString(quint32)> &name)
{
    std::vector<QByteArray> names;
    names.reserve(static_cast<size_t>(count));
    for (int id = 0; id < count; ++id)
        names.push_back(name(static_cast<quint32>(id)).toUtf8());
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return names[static_cast<size_t>(a)] < names[static_cast<size_t>(b)]; });
    std::vector<int> rank(static_cast<size_t>(count));
    for (size_t i = 0; i < order.size(); ++i)
        rank[static_cast<size_t>(order[i])] = static_cast<int>(i);
    return rank;
}

int compareBytes(QByteArrayView a, QByteArrayView b)
{
    const int c = std::memcmp(a.data(), b.data(), static_cast<size_t>(std::min(a.size(), b.size())));
    return c != 0 ? c : (a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0));
}
} // namespace

void Eligibility::rebuild(const RosterTable &roster, const std::vector<ScopeRow> &scopes)
{
    m_roster = &roster;
    const int rows = roster.size();
    const std::vector<int> factoryRank =
        byteRanks(roster.factoryCount(), [&](quint32 id) { return roster.factoryName(id); });
    const std::vector<int> departmentRank =
        byteRanks(roster.departmentCount(), [&](quint32 id) { return roster.departmentName(id); });
    m_canonical.resize(static_cast<size_t>(rows));
    std::iota(m_canonical.begin(), m_canonical.end(), 0);
    std::sort(m_canonical.begin(), m_canonical.end(), [&](int a, int b) {
        if (const int fa = factoryRank[roster.factoryId(a)], fb = factoryRank[roster.factoryId(b)]; fa != fb)
            return fa < fb;
        if (const int c = compareBytes(roster.codeBytes(a), roster.codeBytes(b)); c != 0)
            return c < 0;
        if (const int c = compareBytes(roster.nameBytes(a), roster.nameBytes(b)); c != 0)
            return c < 0;
        if (const int da = departmentRank[roster.departmentId(a)], db = departmentRank[roster.departmentId(b)];
            da != db)
            return da < db;
        return a < b;
    });
    m_personOfRow.assign(static_cast<size_t>(rows), 0);
    m_personStart.clear();
    for (int i = 0; i < rows; ++i) {
        const int row = m_canonical[static_cast<size_t>(i)];
        const int before = i > 0 ? m_canonical[static_cast<size_t>(i - 1)] : -1;
        const bool samePerson =
            before >= 0 && roster.factoryId(row) == roster.factoryId(before)
            && roster.codeBytes(row) == roster.codeBytes(before)
            && (!roster.codeBytes(row).isEmpty() || roster.nameBytes(row) == roster.nameBytes(before));
        if (!samePerson)
            m_personStart.push_back(i);
        m_personOfRow[static_cast<size_t>(row)] = static_cast<int>(m_personStart.size()) - 1;
    }
    const int people = static_cast<int>(m_personStart.size());
    m_personStart.push_back(rows);
    m_blocks.assign(static_cast<size_t>(people), 0);
    m_all = Pool();
    m_all.size = people;
    countPool(m_all);
    m_people.clear();
    setScopes(scopes);
}

void Eligibility::countPool(Pool &pool) const
{
    pool.freeInChunk.assign(static_cast<size_t>((pool.size + kChunk - 1) / kChunk), 0);
    pool.free = 0;
    for (int position = 0; position < pool.size; ++position) {
        if (m_blocks[static_cast<size_t>(pool.personAt(position))] == 0) {
            ++pool.freeInChunk[static_cast<size_t>(position / kChunk)];
            ++pool.free;
        }
    }
}

void Eligibility::setScopes(const std::vector<ScopeRow> &scopes)
{
    const RosterTable &roster = *m_roster;
    m_scopes.clear();
    for (const ScopeRow &s : scopes)
        m_scopes[s.sTime].rules.push_back(s);
    const int people = m_all.size;
    for (auto &[item, scope] : m_scopes) {
        for (int row = 0; row < roster.size(); ++row) {
            const quint64 key = groupKey(roster.factoryId(row), roster.departmentId(row));
            if (scope.groups.count(key) == 0) {
                const QString factory = roster.factory(row), department = roster.department(row);
                scope.groups[key] = std::any_of(scope.rules.begin(), scope.rules.end(),
                                                [&](const ScopeRow &r) { return r.matches(factory, department); });
            }
        }
        // A person is in the scope when any of his rows is.
        for (int person = 0; person < people; ++person) {
            for (int i = m_personStart[static_cast<size_t>(person)]; i < m_personStart[static_cast<size_t>(person) + 1];
                 ++i) {
                const int row = m_canonical[static_cast<size_t>(i)];
                if (scope.groups.at(groupKey(roster.factoryId(row), roster.departmentId(row)))) {
                    scope.pool.people.push_back(person);
                    break;
                }
            }
        }
        scope.pool.size = static_cast<int>(scope.pool.people.size());
        countPool(scope.pool);
    }
}

const Eligibility::Pool &Eligibility::poolOf(int item) const
{
    const auto it = m_scopes.find(item);
    return it == m_scopes.end() ? m_all : it->second.pool;
}

bool Eligibility::inScope(int row, int item) const
{
    const auto it = m_scopes.find(item);
    return it == m_scopes.end()
           || it->second.groups.at(groupKey(m_roster->factoryId(row), m_roster->departmentId(row)));
}

bool Eligibility::eligible(int row, int item) const
{
    const int person = m_personOfRow[static_cast<size_t>(row)];
    if (m_blocks[static_cast<size_t>(person)] != 0)
        return false;
    const auto it = m_scopes.find(item);
    return it == m_scopes.end()
           || std::binary_search(it->second.pool.people.begin(), it->second.pool.people.end(), person);
}

int Eligibility::poolSize(int item) const { return poolOf(item).size; }

int Eligibility::poolRow(int item, int position) const
{
    const int person = poolOf(item).personAt(position);
    return m_canonical[static_cast<size_t>(m_personStart[static_cast<size_t>(person)])];
}

int Eligibility::left(int item) const { return poolOf(item).free; }

int Eligibility::nthFree(const Pool &pool, qint64 position) const
{
    if (position < 0 || position >= pool.free)
        return -1;
    size_t chunk = 0;
    while (position >= pool.freeInChunk[chunk])
        position -= pool.freeInChunk[chunk++];
    for (int at = static_cast<int>(chunk) * kChunk;; ++at) {
        const int person = pool.personAt(at);
        if (m_blocks[static_cast<size_t>(person)] == 0 && position-- == 0)
            return person;
    }
}

int Eligibility::eligibleRow(int item, qint64 position) const
{
    const int person = nthFree(poolOf(item), position);
    return person < 0 ? -1 : m_canonical[static_cast<size_t>(m_personStart[static_cast<size_t>(person)])];
}

int Eligibility::personOf(const QString &code, const QString &factory, const QString &name) const
{
    for (int row : m_roster->rowsOf(code, factory)) {
        if (!code.isEmpty() || m_roster->name(row) == name)
            return m_personOfRow[static_cast<size_t>(row)];
    }
    return -1;
}

void Eligibility::change(int person, quint8 bit, bool on)
{
    quint8 &blocks = m_blocks[static_cast<size_t>(person)];
    const bool wasFree = blocks == 0;
    blocks = static_cast<quint8>(on ? (blocks | bit) : (blocks & ~bit));
    const bool isFree = blocks == 0;
    if (wasFree == isFree)
        return;
    const int delta = isFree ? 1 : -1;
    const auto count = [&](Pool &pool, int position) {
        pool.free += delta;
        pool.freeInChunk[static_cast<size_t>(position / kChunk)] += delta;
    };
    count(m_all, person);
    for (auto &[item, scope] : m_scopes) {
        const std::vector<int> &people = scope.pool.people;
        const auto it = std::lower_bound(people.begin(), people.end(), person);
        if (it != people.end() && *it == person)
            count(scope.pool, static_cast<int>(it - people.begin()));
    }
}

void Eligibility::addPerson(Block kind, const QString &code, const QString &factory, const QString &name)
{
    PersonSet &people = m_people[kind];
    if (people.contains(code, factory, name))
        return;
    people.insert(code, factory, name);
    if (const int person = personOf(code, factory, name); person >= 0)
        change(person, static_cast<quint8>(kind), true);
}

void Eligibility::setPeople(Block kind, const PersonSet &wanted)
{
    PersonSet &people = m_people[kind];
    const auto apply = [&](const QString &key, bool on) {
        const std::array<QString, 3> parts = PersonSet::parts(key);
        if (const int person = personOf(parts[0], parts[1], parts[2]); person >= 0)
            change(person, static_cast<quint8>(kind), on);
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
