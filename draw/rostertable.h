#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <string>
#include <unordered_map>
#include <vector>

// The roster as the draw needs it, compact enough for a million people: the
// rows in RecNo order with their codes and names as UTF-8 in one block, the
// factories and departments counted once each, and an index that finds a
// person's rows by code and factory. Texts become QStrings only when a row is
// shown.
class RosterTable {
public:
    // A group id of no row: a factory or department the roster does not have.
    static constexpr quint32 kNoGroup = 0xFFFFFFFFu;

    void clear();
    void reserve(qsizetype rows);
    // Rows come in RecNo order.
    void append(int recNo, QByteArrayView code, QByteArrayView name, QByteArrayView factory, QByteArrayView department);
    // Builds the person index; call once after the last append.
    void finish();

    int size() const { return static_cast<int>(m_recNo.size()); }
    bool empty() const { return m_recNo.empty(); }
    int recNo(int row) const { return m_recNo[static_cast<size_t>(row)]; }
    // The row holding a RecNo, or -1.
    int rowOfRecNo(int recNo) const;
    QString code(int row) const;
    QString name(int row) const;
    QString factory(int row) const { return m_factories.names[m_factory[static_cast<size_t>(row)]]; }
    QString department(int row) const { return m_departments.names[m_department[static_cast<size_t>(row)]]; }
    // A row's code and name as stored, UTF-8.
    QByteArrayView codeBytes(int row) const
    {
        const Text &t = m_text[static_cast<size_t>(row)];
        return QByteArrayView(m_bytes.constData() + t.start, t.codeBytes);
    }
    QByteArrayView nameBytes(int row) const
    {
        const Text &t = m_text[static_cast<size_t>(row)];
        return QByteArrayView(m_bytes.constData() + t.start + t.codeBytes, t.nameBytes);
    }
    // The factories and departments by id (0 .. count - 1).
    int factoryCount() const { return static_cast<int>(m_factories.names.size()); }
    int departmentCount() const { return static_cast<int>(m_departments.names.size()); }
    QString factoryName(quint32 id) const { return m_factories.names[id]; }
    QString departmentName(quint32 id) const { return m_departments.names[id]; }
    quint32 factoryId(int row) const { return m_factory[static_cast<size_t>(row)]; }
    quint32 departmentId(int row) const { return m_department[static_cast<size_t>(row)]; }
    // kNoGroup when no row has that text.
    quint32 factoryIdOf(const QString &text) const { return m_factories.idOf(text); }
    quint32 departmentIdOf(const QString &text) const { return m_departments.idOf(text); }

    // Every row of the person (code and factory as stored; the same code under
    // two factories is two people, and a person may stand in several rows).
    std::vector<int> rowsOf(const QString &code, const QString &factory) const;

private:
    struct Text {
        quint32 start;
        quint16 codeBytes;
        quint16 nameBytes;
    };
    struct Groups {
        QStringList names;
        std::unordered_map<std::string, quint32> ids;
        std::string probe; // reused, so that a lookup allocates nothing
        quint32 intern(QByteArrayView text);
        quint32 idOf(const QString &text) const;
    };
    quint64 personKey(QByteArrayView code, quint32 factory) const;

    std::vector<int> m_recNo;
    std::vector<Text> m_text;
    QByteArray m_bytes;
    std::vector<quint32> m_factory;
    std::vector<quint32> m_department;
    Groups m_factories;
    Groups m_departments;
    // Rows by person key, for rowsOf; keys are checked against the texts.
    std::vector<quint64> m_key;
    std::vector<int> m_byKey;
};
