#include "draw/rostertable.h"

#include <QHashFunctions>
#include <algorithm>

namespace {
QString fromUtf8(const QByteArray &bytes, quint32 start, quint16 size)
{
    return QString::fromUtf8(QByteArrayView(bytes.constData() + start, size));
}

quint16 clampedSize(QByteArrayView text) { return static_cast<quint16>(std::min<qsizetype>(text.size(), 0xFFFF)); }
} // namespace

quint32 RosterTable::Groups::intern(QByteArrayView text)
{
    probe.assign(text.data(), static_cast<size_t>(text.size()));
    const auto it = ids.find(probe);
    if (it != ids.end())
        return it->second;
    const auto id = static_cast<quint32>(names.size());
    names.append(QString::fromUtf8(text));
    ids.emplace(probe, id);
    return id;
}

quint32 RosterTable::Groups::idOf(const QString &text) const
{
    const auto it = ids.find(text.toStdString());
    return it == ids.end() ? kNoGroup : it->second;
}

void RosterTable::clear() { *this = RosterTable(); }

void RosterTable::reserve(qsizetype rows)
{
    const auto n = static_cast<size_t>(rows);
    m_recNo.reserve(n);
    m_text.reserve(n);
    m_factory.reserve(n);
    m_department.reserve(n);
    m_bytes.reserve(rows * 16);
}

void RosterTable::append(int recNo, QByteArrayView code, QByteArrayView name, QByteArrayView factory,
                         QByteArrayView department)
{
    const Text text{static_cast<quint32>(m_bytes.size()), clampedSize(code), clampedSize(name)};
    m_bytes.append(code.first(text.codeBytes)).append(name.first(text.nameBytes));
    m_recNo.push_back(recNo);
    m_text.push_back(text);
    m_factory.push_back(m_factories.intern(factory));
    m_department.push_back(m_departments.intern(department));
}

quint64 RosterTable::personKey(QByteArrayView code, quint32 factory) const { return qHashMulti(0, code, factory); }

void RosterTable::finish()
{
    m_key.resize(m_recNo.size());
    m_byKey.resize(m_recNo.size());
    for (size_t row = 0; row < m_recNo.size(); ++row) {
        const Text &t = m_text[row];
        m_key[row] = personKey(QByteArrayView(m_bytes.constData() + t.start, t.codeBytes), m_factory[row]);
        m_byKey[row] = static_cast<int>(row);
    }
    std::sort(m_byKey.begin(), m_byKey.end(), [this](int a, int b) {
        const quint64 ka = m_key[static_cast<size_t>(a)], kb = m_key[static_cast<size_t>(b)];
        return ka != kb ? ka < kb : a < b;
    });
}

int RosterTable::rowOfRecNo(int recNo) const
{
    const auto it = std::lower_bound(m_recNo.begin(), m_recNo.end(), recNo);
    return it != m_recNo.end() && *it == recNo ? static_cast<int>(it - m_recNo.begin()) : -1;
}

QString RosterTable::code(int row) const
{
    const Text &t = m_text[static_cast<size_t>(row)];
    return fromUtf8(m_bytes, t.start, t.codeBytes);
}

QString RosterTable::name(int row) const
{
    const Text &t = m_text[static_cast<size_t>(row)];
    return fromUtf8(m_bytes, t.start + t.codeBytes, t.nameBytes);
}

std::vector<int> RosterTable::rowsOf(const QString &code, const QString &factory) const
{
    std::vector<int> rows;
    const quint32 factoryId = factoryIdOf(factory);
    if (factoryId == kNoGroup)
        return rows;
    const QByteArray codeBytes = code.toUtf8();
    const quint64 key = personKey(codeBytes, factoryId);
    auto it = std::lower_bound(m_byKey.begin(), m_byKey.end(), key,
                               [this](int row, quint64 k) { return m_key[static_cast<size_t>(row)] < k; });
    for (; it != m_byKey.end() && m_key[static_cast<size_t>(*it)] == key; ++it) {
        const Text &t = m_text[static_cast<size_t>(*it)];
        // Equal keys of different people are told apart by their texts.
        if (m_factory[static_cast<size_t>(*it)] == factoryId
            && QByteArrayView(m_bytes.constData() + t.start, t.codeBytes) == codeBytes)
            rows.push_back(*it);
    }
    return rows;
}
