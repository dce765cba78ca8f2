// Rules of prize items and the loop count, without widgets.
#include "admin/prizeitemrules.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAdminRules : public QObject {
    Q_OBJECT
    static constexpr int kAccepted = -1000;
private Q_SLOTS:
    // What the settings grid and the entry page accept as winners per press,
    // and what the grid stores instead of a refused count.
    void perPress_data()
    {
        QTest::addColumn<int>("sum");
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("replacement"); // kAccepted: the count is taken as entered
        QTest::addRow("1, the least") << 8 << 1 << kAccepted;
        QTest::addRow("equal to the total") << 8 << 8 << kAccepted;
        QTest::addRow("20 with total 30") << 30 << 20 << kAccepted;
        QTest::addRow("above total of 8") << 8 << 9 << 8;
        QTest::addRow("21 with total 30") << 30 << 21 << 20;
        QTest::addRow("21 with total 21") << 21 << 21 << 20;
        QTest::addRow("zero with total 5") << 5 << 0 << 5;
        QTest::addRow("negative") << 5 << -1 << 5;
        QTest::addRow("total 0") << 0 << 1 << 0;
        QTest::addRow("negative total") << -2 << 1 << -2;
    }
    void perPress()
    {
        QFETCH(int, sum);
        QFETCH(int, entered);
        QFETCH(int, replacement);
        const PerPressCheck check = checkPerPress(entered, sum);
        QCOMPARE(check.accepted, replacement == kAccepted);
        if (check.accepted)
            return;
        QCOMPARE(check.replacement, replacement);
        // The grid stores the replacement without asking again: where the
        // item has places at all, it must pass the rule itself.
        if (sum >= 1)
            QVERIFY(checkPerPress(check.replacement, sum).accepted);
    }

    void serviceable_data()
    {
        QTest::addColumn<int>("sum");
        QTest::addColumn<int>("per");
        QTest::addColumn<bool>("ok");
        QTest::addRow("defaults") << 1 << 1 << true;
        QTest::addRow("total 0") << 0 << 0 << false;
        QTest::addRow("negative total") << -3 << 1 << false;
        QTest::addRow("per above total") << 3 << 4 << false;
        QTest::addRow("per 21 of 100") << 100 << 21 << false;
        QTest::addRow("per 20 of 100") << 100 << 20 << true;
    }
    void serviceable()
    {
        QFETCH(int, sum);
        QFETCH(int, per);
        QFETCH(bool, ok);
        QCOMPARE(prizeItemServiceable(sum, per), ok);
    }

    void loopCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addRow("in range") << u"15"_s << 15;
        QTest::addRow("above") << u"100"_s << 50;
        QTest::addRow("below") << u"3"_s << 5;
        QTest::addRow("negative") << u"-20"_s << 5;
        QTest::addRow("letters") << u"abc"_s << 5;
        QTest::addRow("empty") << QString() << 5;
        QTest::addRow("half to even down") << u"12.5"_s << 12;
        QTest::addRow("half to even up") << u"13.5"_s << 14;
        QTest::addRow("huge") << u"1e300"_s << 50;
    }
    void loopCount()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(loopCountFromText(text), count);
    }

    void newItemDefaults()
    {
        const PrizeItem item = newPrizeItem(4);
        QCOMPARE(item.iSeq, 5);
        QCOMPARE(item.ItemName, u"特别奖"_s);
        QCOMPARE(item.Awards, u"现金1000元"_s);
        QCOMPARE(item.SumNumber, 1);
        QCOMPARE(item.iNumber, 1);
        QCOMPARE(item.ExcNum, 0);
        QVERIFY(!item.IsExec);
    }
};

QTEST_GUILESS_MAIN(TestAdminRules)
#include "tst_admin_rules.moc"
