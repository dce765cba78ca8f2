#pragma once
#include <QSet>
#include <QString>

// People identified by (code, factory): the same code under two factories is
// two people. Answers membership in constant time.
class PersonSet {
public:
    static QChar separator() { return QChar(0x1F); }
    static QString key(const QString &code, const QString &factory) { return code + separator() + factory; }
    void insert(const QString &code, const QString &factory) { m_keys.insert(key(code, factory)); }
    void remove(const QString &code, const QString &factory) { m_keys.remove(key(code, factory)); }
    bool contains(const QString &code, const QString &factory) const { return m_keys.contains(key(code, factory)); }
    // For walks over many people: the key is built once and looked up in several sets.
    bool containsKey(const QString &personKey) const { return m_keys.contains(personKey); }
    void clear() { m_keys.clear(); }
    qsizetype size() const { return m_keys.size(); }
    void reserve(qsizetype n) { m_keys.reserve(n); }
    // Each person's key: code, separator(), factory.
    const QSet<QString> &keys() const { return m_keys; }

private:
    QSet<QString> m_keys;
};
