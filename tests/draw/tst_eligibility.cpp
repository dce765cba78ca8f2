// Who may be drawn for an item: the rule over the roster's factories and
// departments, and the counts kept up to date as people win, are excluded or
// designated and come back.
#include "draw/eligibility.h"
#include "draw/rostertable.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kItem = 7;

// Three factories of two departments, two people each: codes "F-D-n".
RosterTable makeRoster()
{
    RosterTable roster;
    int recNo = 0;
    for (const char *factory : {"一厂", "二厂", "三厂"}) {
        for (const char *department : {"财务部", "生产部"}) {
            for (int n = 1; n <= 2; ++n) {
                const QByteArray code = QByteArray(factory) + '-' + department + '-' + QByteArray::number(n);
                roster.append(++recNo, code, "员工", factory, department);
            }
        }
    }
    roster.finish();
    return roster;
}

// "一厂|财务部;|生产部" -> two scope rows of the item.
std::vector<ScopeRow> scope(const QString &text)
{
    std::vector<ScopeRow> rows;
    for (const QString &rule : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = rule.split(u'|');
        rows.push_back({0, kItem, parts.value(0), parts.value(1)});
    }
    return rows;
}

QStringList drawable(const RosterTable &roster, const Eligibility &e, int item)
{
    QStringList codes;
    for (int p = 0; p < e.poolSize(item); ++p) {
        const int row = e.poolRow(item, p);
        if (e.eligible(row, item))
            codes << roster.code(row);
    }
    codes.sort();
    return codes;
}

PersonSet people(std::initializer_list<const char16_t *> codes)
{
    PersonSet set;
    for (const char16_t *code : codes) {
        const QString c = QString::fromUtf16(code);
        set.insert(c, c.section(u'-', 0, 0), u"员工"_s);
    }
    return set;
}

} // namespace

class tst_eligibility : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scopeRule_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<int>("inScope");
        QTest::addColumn<QString>("sample"); // one code that must be in it, or empty
        QTest::addRow("no rows: everybody") << QString() << 12 << u"三厂-生产部-2"_s;
        QTest::addRow("a row of empty fields: everybody") << u"|"_s << 12 << u"一厂-财务部-1"_s;
        QTest::addRow("factory only") << u"二厂|"_s << 4 << u"二厂-生产部-1"_s;
        QTest::addRow("department only, across factories") << u"|财务部"_s << 6 << u"三厂-财务部-2"_s;
        QTest::addRow("factory and department") << u"一厂|生产部"_s << 2 << u"一厂-生产部-2"_s;
        QTest::addRow("several rows add up") << u"一厂|生产部;三厂|"_s << 6 << u"三厂-财务部-1"_s;
        QTest::addRow("overlapping rows count a person once") << u"二厂|;二厂|财务部"_s << 4 << u"二厂-财务部-1"_s;
        QTest::addRow("a factory nobody works in") << u"五厂|"_s << 0 << QString();
        QTest::addRow("text compared as stored") << u"一厂 |"_s << 0 << QString();
    }
    void scopeRule()
    {
        QFETCH(QString, rules);
        QFETCH(int, inScope);
        QFETCH(QString, sample);
        const RosterTable roster = makeRoster();
        Eligibility e;
        e.rebuild(roster, scope(rules));
        QCOMPARE(e.scoped(kItem), !rules.isEmpty());
        QCOMPARE(e.left(kItem), inScope);
        const QStringList codes = drawable(roster, e, kItem);
        QCOMPARE(codes.size(), inScope);
        if (!sample.isEmpty())
            QVERIFY(codes.contains(sample));
        // Another item has no scope: it draws from everybody.
        QCOMPARE(e.left(kItem + 1), 12);
    }

    void poolFollowsTheChanges()
    {
        const RosterTable roster = makeRoster();
        Eligibility e;
        e.rebuild(roster, scope(u"一厂|;二厂|财务部"_s));
        QCOMPARE(e.left(kItem), 6);
        e.addPerson(Eligibility::Block::Won, u"一厂-财务部-1"_s, u"一厂"_s, u"员工"_s);
        e.setPeople(Eligibility::Block::Excluded, people({u"一厂-生产部-1", u"三厂-生产部-1"}));
        e.setPeople(Eligibility::Block::Designated, people({u"二厂-财务部-2"}));
        QStringList expected{u"一厂-财务部-2"_s, u"一厂-生产部-2"_s, u"二厂-财务部-1"_s};
        expected.sort();
        QCOMPARE(drawable(roster, e, kItem), expected);
        QCOMPARE(e.left(kItem), 3);
        QCOMPARE(e.left(0), 8);
        // A person both excluded and designated comes back only when both end.
        e.setPeople(Eligibility::Block::Excluded, people({u"二厂-财务部-2"}));
        QCOMPARE(e.left(kItem), 4);
        e.setPeople(Eligibility::Block::Designated, {});
        QCOMPARE(e.left(kItem), 4);
        e.setPeople(Eligibility::Block::Excluded, {});
        QCOMPARE(e.left(kItem), 5);
        QCOMPARE(e.left(0), 11);
        // A person outside the roster changes nothing; one of another factory
        // is another person.
        e.addPerson(Eligibility::Block::Won, u"九厂-x-1"_s, u"九厂"_s, u"员工"_s);
        e.addPerson(Eligibility::Block::Won, u"一厂-财务部-2"_s, u"二厂"_s, u"员工"_s);
        QCOMPARE(e.left(0), 11);
    }

    void samePersonInSeveralRows()
    {
        RosterTable roster;
        roster.append(1, "001", "甲", "一厂", "财务部");
        roster.append(2, "001", "甲", "二厂", "财务部");
        roster.append(3, "001", "甲", "一厂", "生产部");
        roster.finish();
        QCOMPARE(roster.rowsOf(u"001"_s, u"一厂"_s), std::vector<int>({0, 2}));
        QCOMPARE(roster.rowsOf(u"001"_s, u"三厂"_s), std::vector<int>());
        Eligibility e;
        e.rebuild(roster, {{0, kItem, QString(), u"财务部"_s}});
        e.addPerson(Eligibility::Block::Won, u"001"_s, u"一厂"_s, u"甲"_s);
        // Both rows of the winner leave the roster's pool, one of them the scope's.
        QCOMPARE(e.left(0), 1);
        QCOMPARE(e.left(kItem), 1);
        QCOMPARE(roster.rowOfRecNo(3), 2);
        QCOMPARE(roster.rowOfRecNo(4), -1);
    }

    // The draw's people in canonical order (factory, code, name, department
    // as UTF-8 bytes), whatever the roster's order; people without a code are
    // told apart by name; the n-th person who may be drawn is found among
    // the blocked ones, in a pool of several chunks.
    void canonicalPeople()
    {
        RosterTable roster;
        int recNo = 0;
        // In reverse order, and more people than one chunk of the count.
        for (int n = 2999; n >= 0; --n)
            roster.append(++recNo, QByteArray::number(10000 + n), "员工", n % 2 ? "二厂" : "一厂", "生产部");
        roster.append(++recNo, "", "乙", "一厂", "生产部");
        roster.append(++recNo, "", "甲", "一厂", "财务部");
        roster.append(++recNo, "", "甲", "一厂", "生产部"); // the same person in another department
        // U+FF21 sorts after U+10000 as UTF-16 but before it as UTF-8.
        const QByteArray fullwidthA = QString(QChar(0xFF21)).toUtf8();
        const QByteArray linearB = QString::fromUcs4(U"\U00010000", 1).toUtf8();
        roster.append(++recNo, fullwidthA, "丙", "三厂", "生产部");
        roster.append(++recNo, linearB, "丁", "三厂", "生产部");
        roster.finish();
        Eligibility e;
        e.rebuild(roster, scope(u"一厂|"_s));
        const auto person = [&](int row) -> QString {
            return roster.factory(row) + u'/' + roster.code(row) + u'/' + roster.name(row);
        };
        QCOMPARE(e.left(0), 3000 + 2 + 2);
        QCOMPARE(e.left(kItem), 1500 + 2);
        // 一厂 < 三厂 < 二厂 as UTF-8 bytes (E4 B8 80, E4 B8 89, E4 BA 8C).
        QCOMPARE(person(e.eligibleRow(0, 0)), u"一厂//乙"_s);
        QCOMPARE(person(e.eligibleRow(0, 1)), u"一厂//甲"_s);
        QCOMPARE(person(e.eligibleRow(0, 2)), u"一厂/10000/员工"_s);
        QCOMPARE(person(e.eligibleRow(0, 1502)), u"三厂/"_s + QChar(0xFF21) + u"/丙"_s);
        QCOMPARE(person(e.eligibleRow(0, 3003)), u"二厂/12999/员工"_s);
        QCOMPARE(e.eligibleRow(0, 3004), -1);
        // One 甲 wins: both his rows leave, 乙 stays.
        e.addPerson(Eligibility::Block::Won, QString(), u"一厂"_s, u"甲"_s);
        QCOMPARE(e.left(kItem), 1501);
        QCOMPARE(person(e.eligibleRow(kItem, 1)), u"一厂/10000/员工"_s);
        // Blocked people across chunks are skipped; the count stays exact.
        PersonSet excluded;
        for (int n = 0; n < 2000; n += 2)
            excluded.insert(QString::number(10000 + n), u"一厂"_s, u"员工"_s);
        e.setPeople(Eligibility::Block::Excluded, excluded);
        QCOMPARE(e.left(kItem), 501);
        QCOMPARE(person(e.eligibleRow(kItem, 1)), u"一厂/12000/员工"_s);
        QCOMPARE(person(e.eligibleRow(kItem, 500)), u"一厂/12998/员工"_s);
        QCOMPARE(e.eligibleRow(kItem, 501), -1);
        QCOMPARE(e.left(0), 3003 - 1000);
    }
};

QTEST_GUILESS_MAIN(tst_eligibility)
#include "tst_eligibility.moc"
