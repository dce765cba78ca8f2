// People are told apart by code and factory together, whatever the texts hold.
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
        QTest::newRow("same code, other factory") << u"001"_s << u"一厂"_s << u"001"_s << u"二厂"_s;
        QTest::newRow("text moved across the border") << u"00"_s << u"1一厂"_s << u"001"_s << u"一厂"_s;
        QTest::newRow("blank factory") << u"001"_s << QString() << u"001"_s << u" "_s;
        QTest::newRow("letter case") << u"a1"_s << u"x"_s << u"A1"_s << u"x"_s;
        QTest::newRow("trailing space") << u"1"_s << u"x"_s << u"1 "_s << u"x"_s;
    }
    void codeAndFactoryTogether()
    {
        QFETCH(QString, code);
        QFETCH(QString, factory);
        QFETCH(QString, otherCode);
        QFETCH(QString, otherFactory);
        PersonSet set;
        set.insert(code, factory);
        QVERIFY(set.contains(code, factory));
        QVERIFY(set.containsKey(PersonSet::key(code, factory)));
        QVERIFY(!set.contains(otherCode, otherFactory));
        set.insert(otherCode, otherFactory);
        QCOMPARE(set.size(), 2);
        set.remove(code, factory);
        QVERIFY(!set.contains(code, factory));
        QVERIFY(set.contains(otherCode, otherFactory));
    }
};

QTEST_GUILESS_MAIN(tst_personset)
#include "tst_personset.moc"
