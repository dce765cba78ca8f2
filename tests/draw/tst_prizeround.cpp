#include "draw/presslimit.h"
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
    // Winners per press as entered in the item screen and the settings grid:
    // 1 up to the draw's limit and up to the item's total.
    void perPress_data()
    {
        QTest::addColumn<int>("sum");
        QTest::addColumn<int>("entered");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("stored");
        QTest::addRow("within total") << 8 << 8 << true << 8;
        QTest::addRow("above total of 8") << 8 << 10 << false << 8;
        QTest::addRow("30 of 30") << 30 << 30 << true << 30;
        QTest::addRow("limit of 300") << 300 << kMaxWinnersPerPress << true << kMaxWinnersPerPress;
        QTest::addRow("above the limit with total 300")
            << 300 << kMaxWinnersPerPress + 1 << false << kMaxWinnersPerPress;
        QTest::addRow("zero with total 5") << 5 << 0 << false << 5;
        QTest::addRow("negative") << 5 << -1 << false << 5;
        QTest::addRow("total 0") << 0 << 1 << false << 0;
    }
    void perPress()
    {
        QFETCH(int, sum);
        QFETCH(int, entered);
        QFETCH(bool, accepted);
        QFETCH(int, stored);
        const PerPressCheck check = checkPerPress(entered, sum);
        QCOMPARE(check.accepted, accepted);
        QCOMPARE(accepted ? entered : check.replacement, stored);
        QCOMPARE(prizeItemServiceable(sum, entered), accepted && sum >= 1);
        QCOMPARE(perPressMessage(),
                 u"每次抽奖人数不能大于%1，也不能小于1,也不能大于此奖项的中奖总人数"_s.arg(kMaxWinnersPerPress));
    }

    // The pause after each winner: a full second up to twenty winners, then
    // shared so that a press of the limit with the usual loop count (iTime 5:
    // six shuffle steps of 10 ms) pauses well within half a minute.
    void winnerPause_data()
    {
        QTest::addColumn<int>("pressSize");
        QTest::addColumn<int>("pauseMs");
        QTest::addRow("1") << 1 << 1000;
        QTest::addRow("20") << 20 << 1000;
        QTest::addRow("21") << 21 << 476;
        QTest::addRow("50") << 50 << 200;
        QTest::addRow("100") << 100 << 100;
    }
    void winnerPause()
    {
        QFETCH(int, pressSize);
        QFETCH(int, pauseMs);
        QCOMPARE(winnerPauseMs(pressSize), pauseMs);
        // Pauses and shuffle steps of a whole press: never more than 30 s,
        // and a larger press never pauses longer per winner than a smaller.
        QVERIFY(pressSize * (winnerPauseMs(pressSize) + 6 * 10) <= 30000 || pressSize <= 20);
        QVERIFY(winnerPauseMs(pressSize + 1) <= winnerPauseMs(pressSize));
    }

    // An item stored with more winners per press than one press draws says
    // on the description line how many a press draws.
    void lineNamesThePressLimit_data()
    {
        QTest::addColumn<int>("per");
        QTest::addColumn<QString>("line");
        QTest::addRow("30") << 30 << u"现在抽取:幸运奖, 奖品:红包, 共:300人,准备抽取第:1位."_s;
        QTest::addRow("the limit") << kMaxWinnersPerPress << u"现在抽取:幸运奖, 奖品:红包, 共:300人,准备抽取第:1位."_s;
        QTest::addRow("above") << 150
                               << u"现在抽取:幸运奖, 奖品:红包, 共:300人,每次抽取%1人,准备抽取第:1位."_s.arg(
                                      kMaxWinnersPerPress);
    }
    void lineNamesThePressLimit()
    {
        QFETCH(int, per);
        QFETCH(QString, line);
        TempDb t;
        FakePacer pacer;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        t.addItem(1, u"幸运奖"_s, u"红包"_s, 300, per);
        PrizeRound round(t.db(), pacer);
        QVERIFY(round.ReloadDrawData());
        QCOMPARE(round.PrepareCurrentPrize(), line);
        QCOMPARE(round.drawingLine(), QString(line).replace(u"准备抽取第:"_s, u"正在抽取第"_s));
        QCOMPARE(winnersOfOnePress(round.perPress()), std::min(per, kMaxWinnersPerPress));
    }

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

        QVERIFY(round.DeleteWinner(u"1"_s, u"一厂"_s, u"n"_s, QString::number(a)));
        QCOMPARE(excNum(t, a), 2);
        QCOMPARE(t.scalar(u"select count(*) from AwardList where sNo = '1'"_s).toInt(), 1); // other factory stays
        // The finished item's place is open again and drawn in its turn: once
        // B is finished too, A is current, never "all drawn".
        QCOMPARE(t.scalar(u"select IsExec from AwardItem where RecNo = ?"_s, {a}).toInt(), 0);
        t.exec(u"update AwardItem set ExcNum = SumNumber, IsExec = 1 where RecNo = ?"_s, {b});
        round.ReloadDrawData(); // no roster: only the items matter here
        QCOMPARE(round.PrepareCurrentPrize(), u"现在抽取:A, 奖品:a, 共:3人,准备抽取第:3位."_s);
        t.exec(u"update AwardItem set ExcNum = 1, IsExec = 0 where RecNo = ?"_s, {b});

        // A person never drawn: nothing deleted, no count written (B stays out of step).
        QVERIFY(!round.DeleteWinner(u"9"_s, u"一厂"_s, u"n"_s, QString::number(b)));
        QCOMPARE(excNum(t, b), 1);

        // Rows of every item go, only the given item is recounted.
        QVERIFY(round.DeleteWinner(u"1"_s, u"二厂"_s, u"另一个名字"_s, QString::number(a)));
        QCOMPARE(excNum(t, b), 1);
        QCOMPARE(round.CountWinners(QString::number(b)), 0);
        QVERIFY(round.SetDrawnCount(QString::number(b), u"0"_s));
        QCOMPARE(excNum(t, b), 0);

        // Two winners of one factory without a code are two people: one found
        // absent is the one removed, excluded and recorded.
        for (const QString &name : {u"张三"_s, u"李四"_s})
            t.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('', ?, ?, '三厂')"_s, {name, a});
        QVERIFY(round.WinnerAbsent(QString(), u"三厂"_s, u"李四"_s, QString::number(a)));
        QCOMPARE(t.scalar(u"select group_concat(sName) from AwardList where sCompCode = '三厂'"_s).toString(),
                 u"张三"_s);
        QCOMPARE(t.scalar(u"select group_concat(sName) from AwardBlank"_s).toString(), u"李四"_s);
        QCOMPARE(t.scalar(u"select group_concat(sName) from DrawLog where sEvent = '弃奖'"_s).toString(), u"李四"_s);
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
