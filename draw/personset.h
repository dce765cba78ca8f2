#pragma once
#include <QSet>
#include <QString>
#include <array>

// People identified by code and factory (the same code under two factories is
// two people), or by factory and name when they have no code (two people of
// one factory without a code are two people). Answers membership in constant
// time.
class PersonSet {
public:
    static QChar separator() { return QChar(0x1F); }
    // code, separator(), factory; or without a code: separator(), factory,
    // separator(), name.
    static QString key(const QString &code, const QString &factory, const QString &name)
    {
        if (code.isEmpty())
            return separator() + factory + separator() + name;
        return code + separator() + factory;
    }
    // The three parts of a key: code, factory, name (empty for a person with a code).
    static std::array<QString, 3> parts(const QString &personKey);
    void insert(const QString &code, const QString &factory, const QString &name)
    {
        m_keys.insert(key(code, factory, name));
    }
    void remove(const QString &code, const QString &factory, const QString &name)
    {
        m_keys.remove(key(code, factory, name));
    }
    bool contains(const QString &code, const QString &factory, const QString &name) const
    {
        return m_keys.contains(key(code, factory, name));
    }
    // For walks over many people: the key is built once and looked up in several sets.
    bool containsKey(const QString &personKey) const { return m_keys.contains(personKey); }
    void clear() { m_keys.clear(); }
    qsizetype size() const { return m_keys.size(); }
    void reserve(qsizetype n) { m_keys.reserve(n); }
    // Each person's key, as key() makes it.
    const QSet<QString> &keys() const { return m_keys; }

private:
    QSet<QString> m_keys;
};

inline std::array<QString, 3> PersonSet::parts(const QString &personKey)
{
    const QChar sep = separator();
    if (personKey.startsWith(sep)) {
        const qsizetype cut = personKey.indexOf(sep, 1);
        return {QString(), personKey.mid(1, cut - 1), personKey.mid(cut + 1)};
    }
    const qsizetype cut = personKey.indexOf(sep);
    return {personKey.left(cut), personKey.mid(cut + 1), QString()};
}
