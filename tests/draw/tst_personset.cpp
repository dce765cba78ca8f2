// People are told apart by code and factory together, or without a code by
// factory and name, whatever the texts hold.
#include "draw/personset.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_personset : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codeAndFactoryTogether_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("factory");
        QTest::addColumn<QString>("otherCode");
        QTest::addColumn<QString>("otherFactory");
        QTest::addColumn<QString>("name"); // of the first person; the other is 李四
        QTest::addColumn<bool>("nameCounts");
        QTest::newRow("same code, other factory")
            << u"001"_s << u"一厂"_s << u"001"_s << u"二厂"_s << u"张三"_s << false;
        QTest::newRow("text moved across the border")
            << u"00"_s << u"1一厂"_s << u"001"_s << u"一厂"_s << u"张三"_s << false;
        QTest::newRow("blank factory") << u"001"_s << QString() << u"001"_s << u" "_s << u"张三"_s << false;
        QTest::newRow("letter case") << u"a1"_s << u"x"_s << u"A1"_s << u"x"_s << u"张三"_s << false;
        QTest::newRow("trailing space") << u"1"_s << u"x"_s << u"1 "_s << u"x"_s << u"张三"_s << false;
        // Without a code the name tells two people of one factory apart.
        QTest::newRow("no code, other name") << QString() << u"一厂"_s << QString() << u"一厂"_s << u"张三"_s << true;
        QTest::newRow("no code and a code") << QString() << u"一厂"_s << u"李四"_s << u"一厂"_s << u"张三"_s << true;
        QTest::newRow("no code, name moved across the border")
            << QString() << u"一厂张"_s << QString() << u"一厂"_s << u"三"_s << true;
    }
    void codeAndFactoryTogether()
    {
        QFETCH(QString, code);
        QFETCH(QString, factory);
        QFETCH(QString, otherCode);
        QFETCH(QString, otherFactory);
        QFETCH(QString, name);
        QFETCH(bool, nameCounts);
        const QString other = u"李四"_s;
        PersonSet set;
        set.insert(code, factory, name);
        QVERIFY(set.contains(code, factory, name));
        QVERIFY(set.containsKey(PersonSet::key(code, factory, name)));
        // A person with a code is the same person under another name.
        QCOMPARE(set.contains(code, factory, other), !nameCounts);
        QVERIFY(!set.contains(otherCode, otherFactory, other));
        set.insert(otherCode, otherFactory, other);
        QCOMPARE(set.size(), 2);
        const std::array<QString, 3> parts = PersonSet::parts(PersonSet::key(code, factory, name));
        QCOMPARE(parts[0], code);
        QCOMPARE(parts[1], factory);
        QCOMPARE(parts[2], code.isEmpty() ? name : QString());
        set.remove(code, factory, name);
        QVERIFY(!set.contains(code, factory, name));
        QVERIFY(set.contains(otherCode, otherFactory, other));
    }
};

QTEST_GUILESS_MAIN(tst_personset)
#include "tst_personset.moc"
