#include "draw/prizeround.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_prizeround : public QObject {
    Q_OBJECT

    static void complete(TempDb &t, int item)
    {
        t.exec(u"update AwardItem set ExcNum = SumNumber, IsExec = 1 where RecNo = ?"_s, {item});
    }
    static int excNum(TempDb &t, int item)
    {
        return t.scalar(u"select ExcNum from AwardItem where RecNo = ?"_s, {item}).toInt();
    }

private Q_SLOTS:
    void itemsAreTakenByRecNoFirstThenByDrawOrder()
    {
        TempDb t;
        FakePacer pacer;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        const int a = t.addItem(2, u"A"_s, u"a"_s, 2, 1);
        const int b = t.addItem(1, u"B"_s, u"b"_s, 2, 1);
        const int c = t.addItem(3, u"C"_s, u"c"_s, 2, 1);
        PrizeRound round(t.db(), pacer);
        QVERIFY(round.ReloadDrawData());
        QCOMPARE(round.currItemNo(), a); // lowest RecNo at start, whatever its draw order
        QCOMPARE(round.data.itemRows.size(), size_t(3));

        // The current item stays while open, although B comes first by iSeq.
        QCOMPARE(round.PrepareCurrentPrize(), u"现在抽取:A, 奖品:a, 共:2人,准备抽取第:1位."_s);
        QCOMPARE(round.currItemNo(), a);
        QCOMPARE(round.data.itemRows.size(), size_t(1));

        complete(t, a);
        round.PrepareCurrentPrize();
        QCOMPARE(round.currItemNo(), b);
        complete(t, b);
        round.PrepareCurrentPrize();
        QCOMPARE(round.currItemNo(), c);
        complete(t, c);
        QCOMPARE(round.PrepareCurrentPrize(), PrizeRound::noItemLine());
        QVERIFY(round.data.itemRows.empty());
        QCOMPARE(round.currItemNo(), 0);
    }

    void fullItemIsFinishedAndTheNextOpenOneTaken()
    {
        TempDb t;
        FakePacer pacer;
        // Full with IsExec not yet set: its total was lowered below its winners.
        const int full = t.addItem(1, u"满"_s, u"x"_s, 2, 1, 5, false);
        const int alsoFull = t.addItem(2, u"也满"_s, u"x"_s, 1, 1, 1, false);
        const int open = t.addItem(3, u"开"_s, u"y"_s, 2, 1);
        PrizeRound round(t.db(), pacer);
        QCOMPARE(round.FirstUnexecutedItem(), full);
        QCOMPARE(round.PrepareCurrentPrize(), u"现在抽取:开, 奖品:y, 共:2人,准备抽取第:1位."_s);
        QCOMPARE(round.currItemNo(), open);
        QCOMPARE(t.scalar(u"select count(*) from AwardItem where IsExec = 1 and RecNo in (?, ?)"_s, {full, alsoFull})
                     .toInt(),
                 2);
    }

    void currentItemSurvivesARestart()
    {
        TempDb t;
        FakePacer pacer;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        const int first = t.addItem(1, u"A"_s, u"a"_s, 2, 1);
        const int chosen = t.addItem(2, u"B"_s, u"b"_s, 2, 1);
        {
            PrizeRound round(t.db(), pacer);
            QVERIFY(round.ReloadDrawData());
            round.setCurrItemNo(chosen); // F9
            round.PrepareCurrentPrize();
        }
        // The next start (after a crash or not) goes on with it while it is open.
        {
            PrizeRound round(t.db(), pacer);
            QVERIFY(round.ReloadDrawData());
            round.takeStoredItem();
            QCOMPARE(round.PrepareCurrentPrize(), u"现在抽取:B, 奖品:b, 共:2人,准备抽取第:1位."_s);
        }
        complete(t, chosen);
        PrizeRound round(t.db(), pacer);
        QVERIFY(round.ReloadDrawData());
        round.takeStoredItem();
        round.PrepareCurrentPrize();
        QCOMPARE(round.currItemNo(), first);
    }

    void deleteWinnerRecountsOnlyTheGivenItem()
    {
        TempDb t;
        FakePacer pacer;
        const int a = t.addItem(1, u"A"_s, u"a"_s, 3, 3, 3, true);
        const int b = t.addItem(2, u"B"_s, u"b"_s, 3, 3, 1, false);
        for (const auto &[code, factory, item] :
             {std::tuple{u"1"_s, u"一厂"_s, a}, {u"2"_s, u"一厂"_s, a}, {u"3"_s, u"一厂"_s, a}, {u"1"_s, u"二厂"_s, b}})
            t.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,'n',?,?)"_s, {code, item, factory});
        PrizeRound round(t.db(), pacer);

        QVERIFY(round.DeleteWinner(u"1"_s, u"一厂"_s, QString::number(a)));
        QCOMPARE(excNum(t, a), 2);
        QCOMPARE(t.scalar(u"select IsExec from AwardItem where RecNo = ?"_s, {a}).toInt(), 1);
        QCOMPARE(t.scalar(u"select count(*) from AwardList where sNo = '1'"_s).toInt(), 1); // other factory stays

        // A person never drawn: nothing deleted, no count written (B stays out of step).
        QVERIFY(!round.DeleteWinner(u"9"_s, u"一厂"_s, QString::number(b)));
        QCOMPARE(excNum(t, b), 1);

        // Rows of every item go, only the given item is recounted.
        QVERIFY(round.DeleteWinner(u"1"_s, u"二厂"_s, QString::number(a)));
        QCOMPARE(excNum(t, b), 1);
        QCOMPARE(round.CountWinners(QString::number(b)), 0);
        QVERIFY(round.SetDrawnCount(QString::number(b), u"0"_s));
        QCOMPARE(excNum(t, b), 0);
    }

    void reloadWithoutItemsGivesAnEmptyState()
    {
        TempDb t;
        FakePacer pacer;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        PrizeRound round(t.db(), pacer);
        const int item = t.addItem(1, u"A"_s, u"a"_s, 2, 1);
        QVERIFY(round.ReloadDrawData());
        QCOMPARE(round.perPress(), 1);
        t.exec(u"delete from AwardItem"_s);
        round.setCurrItemNo(item);
        QVERIFY(round.ReloadDrawData());
        QCOMPARE(round.currItemNo(), 0);
        QCOMPARE(round.perPress(), 0);
        QCOMPARE(round.drawingLine(), u"现在抽取:, 奖品:, 共:0人,正在抽取第1位."_s);
    }

    void emptyRosterKeepsState()
    {
        TempDb t;
        FakePacer pacer;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        t.addItem(1, u"A"_s, u"a"_s, 2, 1);
        PrizeRound round(t.db(), pacer);
        QVERIFY(round.ReloadDrawData());
        t.exec(u"delete from EmpNo"_s);
        t.exec(u"delete from AwardItem"_s);
        QVERIFY(!round.ReloadDrawData());
        QVERIFY(round.roster().empty());
        QCOMPARE(round.currItemName(), u"A"_s);
    }

    void reloadBuildsIndexAndSetsInRecNoOrder()
    {
        TempDb t;
        FakePacer pacer;
        {
            Transaction tx(t.db());
            for (int i = 0; i < 3000; ++i)
                t.addEmployee(QString::number(i), u"n"_s, i % 2 ? u"一厂"_s : u"二厂"_s);
            tx.commit();
        }
        t.exec(u"delete from EmpNo where RecNo = 5"_s);
        t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('7','n','二厂')"_s);
        t.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('8','n',1,'二厂')"_s);
        PrizeRound round(t.db(), pacer);
        QVERIFY(round.ReloadDrawData());
        const RosterTable &roster = round.roster();
        QCOMPARE(roster.size(), 2999);
        QCOMPARE(roster.recNo(4), 6);
        QCOMPARE(roster.code(roster.rowOfRecNo(6)), u"5"_s);
        QCOMPARE(roster.rowOfRecNo(5), -1);
        // The earlier winner may not be drawn; the exclusion names code 7 of
        // 二厂, who is not the 7 of the roster (一厂).
        const Eligibility &e = round.data.eligibility;
        QCOMPARE(e.left(0), 2998);
        QVERIFY(!e.eligible(roster.rowsOf(u"8"_s, u"二厂"_s).at(0), 0));
        QVERIFY(e.eligible(roster.rowsOf(u"7"_s, u"一厂"_s).at(0), 0));
        QVERIFY(pacer.pumps >= 1);
    }
};

QTEST_GUILESS_MAIN(tst_prizeround)
#include "tst_prizeround.moc"
