// The rolling draw on the main screen: presses run against a real database
// file with scripted positions, a pacer that never sleeps and recorded sounds.
#include "screensupport.h"
#include "startfrmfixture.h"

#include "base/counterrandom.h"
#include "draw/drawengine.h"
#include "store/scopestore.h"
#include "draw/presslimit.h"
#include "ui/admin/setcurritemfrm.h"
#include "ui/main/picturebutton.h"
#include "ui/main/startfrm.h"
#include "startfrmprobe.h"

#include <QAction>
#include <QLabel>
#include <QTableView>
#include <QSqlQuery>
#include <QtTest>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

struct Draw {
    TempDb tmp;
    std::unique_ptr<TestServices> ts;
    std::unique_ptr<TStartFrm> frm;

    void open(int iTime = 0)
    {
        ts = std::make_unique<TestServices>(tmp);
        frm = makeStartFrm(*ts);
        ts->settings.iTime = iTime;
    }
    void positions(std::vector<int> p)
    {
        ts->random.positions = std::move(p);
        ts->random.next = 0;
    }
    // Enter, then Enter again at the second pump of the roll (one roll step,
    // one position used), then the winners are drawn. `during` sees every
    // later pump, counted from the start press.
    void press(const std::function<void(int)> &during = {}, int stopAtPump = 2)
    {
        const int base = ts->pacer.pumps;
        ts->pacer.onPump = [this, base, during, stopAtPump](int n) {
            if (n - base == stopAtPump)
                probe(frm).ActStart->trigger();
            if (during)
                during(n - base);
        };
        probe(frm).ActStart->trigger();
        ts->pacer.onPump = nullptr;
    }
    QStringList winners()
    {
        QStringList out;
        QSqlQuery q = tmp.db().exec(u"select sNo, sCompCode, sTime from AwardList order by RecNo"_s);
        while (q.next())
            out << q.value(0).toString() + u'/' + q.value(1).toString() + u'@' + q.value(2).toString();
        return out;
    }
    int field(const QString &column, int item)
    {
        return tmp.scalar(u"select "_s + column + u" from AwardItem where RecNo = ?"_s, {item}).toInt();
    }
    void designate(const QString &code, const QString &name, const QString &factory, int item, bool checked = false)
    {
        tmp.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?,?,?,?,?)"_s,
                 {code, name, item, checked ? 1 : 0, factory});
    }
    void exclude(const QString &code, const QString &factory)
    {
        tmp.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?,'x',?)"_s, {code, factory});
    }
    void earlierWinner(const QString &code, const QString &factory, int item)
    {
        tmp.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,'x',?,?)"_s, {code, item, factory});
    }
    int designationChecked(const QString &code, const QString &factory)
    {
        return tmp.scalar(u"select Checked from Award where sNo = ? and sCompCode = ?"_s, {code, factory}).toInt();
    }
    int pauses(int ms) const
    {
        return static_cast<int>(std::count(ts->pacer.pauses.begin(), ts->pacer.pauses.end(), ms));
    }
    bool idle() const
    {
        return !frm->engine().rolling() && !frm->engine().stopRequested() && !frm->pressInProgress()
               && probe(frm).ActSetup->isEnabled() && probe(frm).ActClose->isEnabled()
               && probe(frm).ActSetBlank->isEnabled();
    }
    QString digits() const
    {
        QString s;
        for (QLabel *l : probe(frm).numbers)
            s += l->text();
        return s;
    }
};

void addRoster(Draw &d, int count, const QString &factory = u"一厂"_s)
{
    for (int i = 1; i <= count; ++i)
        d.tmp.addEmployee(QString::number(i), u"员工"_s + QString::number(i), factory);
}

} // namespace

class TestDrawEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void randomPositionFollowsTheGenerator();
    void shuffleStepsAndPressSize_data();
    void shuffleStepsAndPressSize();
    void pressOnCompleteItemPreparesTheNext();
    void lastWinnersCompleteTheItem();
    void designatedWinnersTakePrecedence();
    void designatedPeopleNeverWinAtRandom();
    void blockedFirstDesignationLetsTheNextWin_data();
    void blockedFirstDesignationLetsTheNextWin();
    void randomWinnerLeavesOtherFactorysDesignation();
    void excludedAndEarlierWinnersNeverWin();
    void fewerEligibleThanWanted();
    void exclusionsAndDesignationsCountAtOnce();
    void padCode_data();
    void padCode();
    void longCodeKeptWholeInStore();
    void refusedPresses_data();
    void refusedPresses();
    void enterStopsRollAndKeepsScreensShut();
    void closeDuringRollStillDraws();
    void closeDuringDrawingEndsAfterCurrentWinner();
    void databaseFailureLeavesNoHalfWinner_data();
    void databaseFailureLeavesNoHalfWinner();
    void enterDuringRefreshWaitsForIt_data();
    void enterDuringRefreshWaitsForIt();
    void winnersListAfterLastItemSaysAllDrawn();
};

void TestDrawEngine::randomPositionFollowsTheGenerator()
{
    // seed * 134775813 + 1 modulo 2^32, then the high half of seed * n.
    QCOMPARE(CounterRandom::positionFromSeed(0, 7), 0);
    QCOMPARE(CounterRandom::positionFromSeed(0xFFFFFFFFu, 10), 9);
    QCOMPARE(CounterRandom::positionFromSeed(12345, 1000), 385);
    QCOMPARE(CounterRandom::positionFromSeed(12345, 0), 0);
    CounterRandom random;
    for (int i = 0; i < 1000; ++i) {
        const int p = random.position(3);
        QVERIFY(p >= 0 && p < 3);
    }
}

void TestDrawEngine::shuffleStepsAndPressSize_data()
{
    QTest::addColumn<int>("iTime");
    QTest::addColumn<int>("perPress");
    QTest::addColumn<int>("winners");
    QTest::addRow("iTime 0: one step per winner") << 0 << 2 << 2;
    QTest::addRow("iTime 3") << 3 << 2 << 2;
    QTest::addRow("iTime below 0 counts as 0") << -4 << 2 << 2;
    QTest::addRow("PerPress 0 draws nobody") << 5 << 0 << 0;
    QTest::addRow("PerPress 25: all on the board") << 0 << 25 << 25;
    QTest::addRow("PerPress at the limit") << 5 << kMaxWinnersPerPress << kMaxWinnersPerPress;
    QTest::addRow("PerPress above the limit is capped") << 0 << kMaxWinnersPerPress + 20 << kMaxWinnersPerPress;
}

void TestDrawEngine::shuffleStepsAndPressSize()
{
    QFETCH(int, iTime);
    QFETCH(int, perPress);
    QFETCH(int, winners);
    Draw d;
    const int people = std::max(30, perPress + 10);
    addRoster(d, people);
    const int item = d.tmp.addItem(1, u"三等奖"_s, u"电饭煲"_s, people, perPress);
    d.open(iTime);
    std::vector<int> positions(static_cast<size_t>(people));
    std::iota(positions.begin(), positions.end(), 0);
    d.positions(positions);
    d.press();

    QCOMPARE(d.winners().size(), winners);
    QCOMPARE(d.field(u"ExcNum"_s, item), winners);
    QCOMPARE(d.pauses(50), 1);
    QCOMPARE(d.pauses(10), winners * (std::max(iTime, 0) + 1));
    QCOMPARE(d.pauses(winnerPauseMs(winners)), winners);
    // Every winner of the press stays on the board, in a grid for the press.
    for (int n = 1; n <= winners; ++n)
        QVERIFY2(probe(d.frm).label(n), qPrintable(u"label %1"_s.arg(n)));
    QVERIFY(!probe(d.frm).label(winners + 1));
    QCOMPARE(d.frm->board().boxCount(), std::max(winners, WinnerBoard::kDesignPlaces));
    const QString capNote = perPress > kMaxWinnersPerPress ? u",每次抽取%1人"_s.arg(kMaxWinnersPerPress) : QString();
    QCOMPARE(d.frm->description(), u"现在抽取:三等奖, 奖品:电饭煲, 共:%1人"_s.arg(people) + capNote + u",准备抽取第:"_s
                                       + QString::number(winners + 1) + u"位."_s);
    QVERIFY(d.idle());
}

void TestDrawEngine::pressOnCompleteItemPreparesTheNext()
{
    Draw d;
    addRoster(d, 5);
    // Full but not marked finished (its total was lowered below its winners):
    // found so at the start, it is finished and the next item is current.
    const int done = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 2, 1, 2, false);
    const int next = d.tmp.addItem(2, u"二等奖"_s, u"手机"_s, 3, 1);
    d.open();
    QCOMPARE(d.field(u"IsExec"_s, done), 1);
    QCOMPARE(d.frm->description(), u"现在抽取:二等奖, 奖品:手机, 共:3人,准备抽取第:1位."_s);
    d.press();

    QCOMPARE(d.winners().size(), 1);
    QCOMPARE(d.field(u"ExcNum"_s, next), 1);
    QCOMPARE(d.field(u"ExcNum"_s, done), 2);
    QCOMPARE(d.frm->description(), u"现在抽取:二等奖, 奖品:手机, 共:3人,准备抽取第:2位."_s);
}

void TestDrawEngine::lastWinnersCompleteTheItem()
{
    Draw d;
    addRoster(d, 10);
    const int item = d.tmp.addItem(1, u"三等奖"_s, u"电饭煲"_s, 5, 4, 3);
    d.tmp.addItem(2, u"二等奖"_s, u"手机"_s, 3, 1);
    d.open();
    d.positions({0, 1, 2});
    d.press();

    // Positions among who may be drawn, in canonical order: "1", "10", "2", …
    QCOMPARE(d.winners(), QStringList({u"10/一厂@%1"_s.arg(item), u"3/一厂@%1"_s.arg(item)}));
    QCOMPARE(d.field(u"ExcNum"_s, item), 5);
    QCOMPARE(d.field(u"IsExec"_s, item), 1);
    QCOMPARE(d.frm->description(), u"现在抽取:二等奖, 奖品:手机, 共:3人,准备抽取第:1位."_s);
    // Start, each winner's turn with its stop, the turn that finds the item full, the end.
    QCOMPARE(d.ts->sound.calls,
             QStringList({u"music:back.wma"_s, u"effect:begin.wav"_s, u"effect:begin.wav"_s, u"stop"_s,
                          u"effect:begin.wav"_s, u"stop"_s, u"effect:begin.wav"_s, u"effect:end.wav"_s}));
}

void TestDrawEngine::designatedWinnersTakePrecedence()
{
    Draw d;
    addRoster(d, 5);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 5, 3);
    d.designate(u"4"_s, u"员工4"_s, u"一厂"_s, item);
    d.designate(u"900"_s, u"外聘"_s, u"总部"_s, item); // not in the roster
    d.open();
    d.positions({0, 1, 2});
    d.press();

    QCOMPARE(d.winners(),
             QStringList({u"4/一厂@%1"_s.arg(item), u"900/总部@%1"_s.arg(item), u"1/一厂@%1"_s.arg(item)}));
    QCOMPARE(d.designationChecked(u"4"_s, u"一厂"_s), 1);
    QCOMPARE(d.designationChecked(u"900"_s, u"总部"_s), 1);
    QCOMPARE(d.field(u"ExcNum"_s, item), 3);
    QCOMPARE(probe(d.frm).EmpName->text(), u"本次中奖者是:一厂 员工1"_s);
}

void TestDrawEngine::designatedPeopleNeverWinAtRandom()
{
    Draw d;
    addRoster(d, 3);
    const int current = d.tmp.addItem(1, u"二等奖"_s, u"手机"_s, 3, 3);
    const int other = d.tmp.addItem(2, u"一等奖"_s, u"电脑"_s, 1, 1);
    d.designate(u"3"_s, u"员工3"_s, u"一厂"_s, other);
    d.designate(u"1"_s, u"员工1"_s, u"一厂"_s, other, true); // used designations count too
    d.open();
    d.positions({2, 0, 2, 2, 1});
    d.press();

    // Only 2 may win at random; the press then ends in order.
    QCOMPARE(d.winners(), QStringList({u"2/一厂@%1"_s.arg(current)}));
    QCOMPARE(d.ts->dialogs.texts(u"notify"_s), QStringList({DrawEngine::allDrawnText()}));
    QVERIFY(d.idle());
}

void TestDrawEngine::blockedFirstDesignationLetsTheNextWin_data()
{
    QTest::addColumn<bool>("excluded");
    QTest::addRow("first designation excluded") << true;
    QTest::addRow("first designation already won") << false;
}

void TestDrawEngine::blockedFirstDesignationLetsTheNextWin()
{
    QFETCH(bool, excluded);
    Draw d;
    addRoster(d, 5);
    const int earlier = d.tmp.addItem(1, u"三等奖"_s, u"杯子"_s, 5, 1, 1, false);
    const int item = d.tmp.addItem(2, u"一等奖"_s, u"电脑"_s, 5, 1);
    d.designate(u"7"_s, u"甲"_s, u"二厂"_s, item);
    d.designate(u"8"_s, u"乙"_s, u"二厂"_s, item);
    if (excluded)
        d.exclude(u"7"_s, u"二厂"_s);
    else
        d.earlierWinner(u"7"_s, u"二厂"_s, earlier);
    d.tmp.exec(u"update AwardItem set ExcNum = SumNumber, IsExec = 1 where RecNo = ?"_s, {earlier});
    d.open();
    d.frm->PrepareCurrentPrize();
    d.positions({0});
    d.press();

    QCOMPARE(d.winners().last(), u"8/二厂@%1"_s.arg(item));
    QCOMPARE(d.designationChecked(u"8"_s, u"二厂"_s), 1);
    QCOMPARE(d.designationChecked(u"7"_s, u"二厂"_s), 0);
}

void TestDrawEngine::randomWinnerLeavesOtherFactorysDesignation()
{
    Draw d;
    d.tmp.addEmployee(u"100"_s, u"张三"_s, u"一厂"_s);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 5, 1);
    // Same code under another factory, kept out of precedence by its exclusion.
    d.designate(u"100"_s, u"李四"_s, u"二厂"_s, item);
    d.exclude(u"100"_s, u"二厂"_s);
    d.open();
    d.press();

    QCOMPARE(d.winners(), QStringList({u"100/一厂@%1"_s.arg(item)}));
    QCOMPARE(d.designationChecked(u"100"_s, u"二厂"_s), 0);
}

void TestDrawEngine::excludedAndEarlierWinnersNeverWin()
{
    Draw d;
    d.tmp.addEmployee(u"100"_s, u"张三"_s, u"一厂"_s);
    d.tmp.addEmployee(u"100"_s, u"王五"_s, u"二厂"_s); // same code, another person
    d.tmp.addEmployee(u"200"_s, u"赵六"_s, u"一厂"_s);
    d.tmp.addEmployee(u"300"_s, u"钱七"_s, u"一厂"_s);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 5, 5);
    d.earlierWinner(u"100"_s, u"一厂"_s, item);
    d.tmp.exec(u"update AwardItem set ExcNum = 1"_s);
    d.exclude(u"200"_s, u"一厂"_s);
    d.open();
    d.positions({0, 0, 2, 1, 0, 2, 3});
    d.press();

    QCOMPARE(d.winners(),
             QStringList({u"100/一厂@%1"_s.arg(item), u"300/一厂@%1"_s.arg(item), u"100/二厂@%1"_s.arg(item)}));
    QCOMPARE(d.field(u"ExcNum"_s, item), 3);
}

void TestDrawEngine::fewerEligibleThanWanted()
{
    Draw d;
    addRoster(d, 4);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 10, 4);
    d.exclude(u"1"_s, u"一厂"_s);
    d.exclude(u"3"_s, u"一厂"_s);
    d.open();
    // A generator that only ever hits excluded people: the press still ends.
    d.positions({0, 2});
    d.press();

    QCOMPARE(d.winners(), QStringList({u"2/一厂@%1"_s.arg(item), u"4/一厂@%1"_s.arg(item)}));
    QCOMPARE(d.ts->dialogs.texts(u"notify"_s), QStringList({DrawEngine::allDrawnText()}));
    QVERIFY(d.ts->sound.calls.endsWith(u"effect:end.wav"_s));
    QVERIFY(d.idle());

    // Nobody left: the next start press is refused before the roll.
    d.ts->sound.calls.clear();
    d.press();
    QCOMPARE(d.ts->dialogs.texts(u"notify"_s).last(), DrawEngine::nobodyEligibleText());
    QVERIFY(d.ts->sound.calls.isEmpty());
    QCOMPARE(d.winners().size(), 2);
    QVERIFY(d.idle());
}

void TestDrawEngine::exclusionsAndDesignationsCountAtOnce()
{
    Draw d;
    addRoster(d, 4);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 3, 1);
    const int other = d.tmp.addItem(2, u"特等奖"_s, u"汽车"_s, 1, 1);
    d.open();
    // Made by the lists screen after the main screen has loaded its data.
    d.exclude(u"1"_s, u"一厂"_s);
    d.designate(u"2"_s, u"员工2"_s, u"一厂"_s, other);
    d.positions({0, 0, 1, 2});
    d.press();
    QCOMPARE(d.winners(), QStringList({u"3/一厂@%1"_s.arg(item)}));

    // No reload: the last one left excluded refuses the next start press.
    d.exclude(u"4"_s, u"一厂"_s);
    d.press();
    QCOMPARE(d.ts->dialogs.texts(u"notify"_s), QStringList({DrawEngine::nobodyEligibleText()}));
    QCOMPARE(d.winners().size(), 1);
}

void TestDrawEngine::padCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("rightSide");
    QTest::addColumn<QString>("shown");
    QTest::addRow("short") << u"7"_s << false << u"000007"_s;
    QTest::addRow("letters") << u"AB90"_s << false << u"00AB90"_s;
    QTest::addRow("long loses its end") << u"2468013"_s << false << u"246801"_s;
    QTest::addRow("exact") << u"123456"_s << false << u"123456"_s;
    QTest::addRow("right side") << u"7"_s << true << u"700000"_s;
    QTest::addRow("empty") << QString() << false << u"000000"_s;
}

void TestDrawEngine::padCode()
{
    QFETCH(QString, code);
    QFETCH(bool, rightSide);
    QFETCH(QString, shown);
    QCOMPARE(TStartFrm::PadCode(code, 6, rightSide), shown);
}

void TestDrawEngine::longCodeKeptWholeInStore()
{
    Draw d;
    d.tmp.addEmployee(u"2468013"_s, u"孙八"_s, u"三厂"_s);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 1, 1);
    d.tmp.exec(u"insert into EmpNo(EmpCode, EmpName, CompCode) values('AB90','周九','三厂')"_s);
    d.open();
    d.ts->settings.showNo = true;
    d.positions({1, 0});
    d.press();

    QCOMPARE(d.winners(), QStringList({u"2468013/三厂@%1"_s.arg(item)}));
    QCOMPARE(d.digits(), u"246801"_s);
    QCOMPARE(probe(d.frm).EmpName->text(), u"本次中奖者是:三厂 孙八"_s);
    auto *label = probe(d.frm).Panel2->findChild<QLabel *>(u"Lab1"_s);
    QVERIFY(label);
    QVERIFY(label->text().startsWith(u"(2468013)"_s));
}

void TestDrawEngine::refusedPresses_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::addRow("no prize item") << u"noitem"_s << DrawEngine::noItemText();
    QTest::addRow("empty roster") << u"noroster"_s << DrawEngine::emptyRosterText();
    QTest::addRow("a scope that holds nobody") << u"noscope"_s << DrawEngine::scopeExhaustedText(u"一等奖"_s);
    QTest::addRow("everyone excluded, won or designated") << u"noone"_s << DrawEngine::nobodyEligibleText();
}

void TestDrawEngine::refusedPresses()
{
    QFETCH(QString, setup);
    QFETCH(QString, message);
    Draw d;
    if (setup != u"noroster"_s)
        addRoster(d, 3);
    if (setup != u"noitem"_s) {
        const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 3, 2);
        if (setup == u"noscope"_s)
            ScopeStore::setItemScope(d.tmp.db(), item, {{0, item, u"五厂"_s, QString()}});
    }
    if (setup == u"noone"_s) {
        d.exclude(u"1"_s, u"一厂"_s);
        d.earlierWinner(u"2"_s, u"一厂"_s, 99);
        d.designate(u"3"_s, u"员工3"_s, u"一厂"_s, 99);
    }
    d.open();
    d.ts->dialogs.calls.clear();
    d.ts->sound.calls.clear();
    d.frm->AddBoardLabel(u"1"_s, u"旧"_s, u"一厂"_s, 1);
    d.press();

    QCOMPARE(d.ts->dialogs.texts(u"notify"_s), QStringList({message}));
    QCOMPARE(d.ts->dialogs.calls.front().caption, u"系统提示"_s);
    QVERIFY(!probe(d.frm).label(1)); // the board is emptied all the same
    QVERIFY(d.ts->sound.calls.isEmpty());
    QCOMPARE(d.winners().size(), setup == u"noone"_s ? 1 : 0); // only the earlier winner
    QVERIFY(d.idle());
}

void TestDrawEngine::enterStopsRollAndKeepsScreensShut()
{
    Draw d;
    addRoster(d, 10);
    d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 10, 3);
    d.open();
    d.positions({0, 1, 2, 3, 4, 5});
    bool checkedRoll = false;
    bool checkedDrawing = false;
    d.press(
        [&](int pump) {
            if (pump == 1) { // before the roll's first step
                QVERIFY(!probe(d.frm).ActSetup->isEnabled());
                QVERIFY(!probe(d.frm).ActClose->isEnabled());
                QVERIFY(d.frm->pressInProgress());
            }
            if (pump > 2 && d.frm->engine().winnerIndex() == 2 && !checkedDrawing) {
                checkedDrawing = true;
                QVERIFY(d.frm->engine().rolling() && d.frm->engine().stopRequested());
                QVERIFY(!probe(d.frm).ActSetup->isEnabled());
                QVERIFY(probe(d.frm).ActClose->isEnabled());
                // Screens and a second stop press do nothing to the press.
                Q_EMIT probe(d.frm).images[1]->clicked();
                d.frm->ActSetBlankExecute();
                probe(d.frm).ActStart->trigger();
                QCOMPARE(d.ts->dialogs.count(u"input"_s), 0);
            }
            checkedRoll = checkedRoll || pump == 1;
        },
        5);
    QVERIFY(checkedRoll && checkedDrawing);
    QCOMPARE(d.pauses(50), 2); // stopped at the roll's second step
    QCOMPARE(d.winners().size(), 3);
    QVERIFY(d.idle());
}

void TestDrawEngine::closeDuringRollStillDraws()
{
    Draw d;
    addRoster(d, 10);
    d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 10, 2);
    d.open();
    d.positions({0, 1, 2, 3});
    const int base = d.ts->pacer.pumps;
    d.ts->pacer.onPump = [&](int n) {
        if (n - base == 2) {
            probe(d.frm).ActClose->trigger(); // Esc is disabled while rolling
            QCOMPARE(d.frm->engine().state(), PressState::Rolling);
            Q_EMIT probe(d.frm).images[5]->clicked(); // the exit picture stops the roll
            QCOMPARE(d.frm->engine().state(), PressState::Drawing); // its winners are drawn
        }
    };
    probe(d.frm).ActStart->trigger();
    QCOMPARE(d.winners().size(), 2);
    QCOMPARE(d.ts->dialogs.count(u"ask"_s), 0);
    QVERIFY(d.idle());
}

void TestDrawEngine::closeDuringDrawingEndsAfterCurrentWinner()
{
    Draw d;
    addRoster(d, 10);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 10, 4);
    d.open(2);
    d.positions({0, 1, 2, 3, 4, 5, 6});
    bool closed = false;
    d.press([&](int pump) {
        if (pump > 3 && d.frm->engine().winnerIndex() == 2 && !closed) {
            closed = true;
            probe(d.frm).ActClose->trigger();
            QVERIFY(!d.frm->engine().rolling() && d.frm->engine().stopRequested());
            // Neither a new start nor a second close acts until the press has ended.
            probe(d.frm).ActStart->trigger();
            probe(d.frm).ActClose->trigger();
            QVERIFY(!d.frm->engine().rolling());
            QCOMPARE(d.ts->dialogs.count(u"ask"_s), 0);
        }
    });
    QVERIFY(closed);
    QCOMPARE(d.winners().size(), 2);
    QCOMPARE(d.field(u"ExcNum"_s, item), 2);
    QVERIFY(d.idle());
}

void TestDrawEngine::databaseFailureLeavesNoHalfWinner_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("event");
    QTest::addRow("count") << u"AwardItem"_s << u"update"_s;
    QTest::addRow("winner row") << u"AwardList"_s << u"insert"_s;
    QTest::addRow("designation") << u"Award"_s << u"update"_s;
    QTest::addRow("draw record") << u"DrawLog"_s << u"insert"_s;
}

void TestDrawEngine::databaseFailureLeavesNoHalfWinner()
{
    QFETCH(QString, table);
    QFETCH(QString, event);
    Draw d;
    addRoster(d, 5);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 5, 2);
    d.designate(u"9"_s, u"指定"_s, u"总部"_s, item);
    d.open();
    d.tmp.exec(u"create trigger failing before "_s + event + u" on "_s + table
               + u" begin select raise(abort, 'disk is full'); end"_s);
    d.press();

    QCOMPARE(d.ts->dialogs.count(u"error"_s), 1);
    QVERIFY(d.ts->dialogs.texts(u"error"_s).front().startsWith(u"disk is full"_s));
    QVERIFY(d.winners().isEmpty());
    QCOMPARE(d.field(u"ExcNum"_s, item), 0);
    QCOMPARE(d.designationChecked(u"9"_s, u"总部"_s), 0);
    QVERIFY(!probe(d.frm).label(1));
    QVERIFY(d.idle());
    QCOMPARE(d.frm->round.currExcNum(), 0);
    QCOMPARE(d.tmp.scalar(u"select count(*) from DrawLog where sEvent <> '承诺'"_s).toInt(), 0);
    // Neither the press nor its winner is in the proof.
    QCOMPARE(d.tmp.scalar(u"select count(*) from DrawPress"_s).toInt(), 0);
    QCOMPARE(d.tmp.scalar(u"select count(*) from DrawPressWinner"_s).toInt(), 0);

    // The draw is idle again: the next press draws as usual.
    d.tmp.exec(u"drop trigger failing"_s);
    d.press();
    QCOMPARE(d.winners().size(), 2);
    QCOMPARE(d.tmp.scalar(u"select count(*) from DrawLog where sEvent = '中奖'"_s).toInt(), 2);
    QCOMPARE(d.field(u"ExcNum"_s, item), 2);
    QCOMPARE(d.designationChecked(u"9"_s, u"总部"_s), 1);
}

void TestDrawEngine::enterDuringRefreshWaitsForIt_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("chooseSecond");
    QTest::addRow("current prize picker, second item chosen") << u"picker"_s << true;
    QTest::addRow("settings screen") << u"setup"_s << false;
    QTest::addRow("winners list") << u"list"_s << false;
}

// The refresh after a screen lets events through. An Enter queued then (the
// operator closes the picker and presses Enter at once) starts its press only
// once the refresh is over, for the item the refresh chose; the other
// commands given then are dropped.
void TestDrawEngine::enterDuringRefreshWaitsForIt()
{
    QFETCH(QString, screen);
    QFETCH(bool, chooseSecond);
    Draw d;
    addRoster(d, 10);
    const int first = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 10, 1);
    const int second = d.tmp.addItem(2, u"二等奖"_s, u"手机"_s, 10, 2);
    d.open();
    d.frm->PrepareCurrentPrize();
    d.positions({0, 1, 2, 3, 4, 5});
    bool screenClosed = false;
    d.ts->dialogs.onModal = [&](QDialog &dialog) {
        if (screenClosed)
            return int(QDialog::Rejected); // a second screen: must not open at all
        screenClosed = true;
        if (screen == u"picker"_s) {
            auto &picker = dynamic_cast<TSetCurrItemFrm &>(dialog);
            picker.show();
            if (chooseSecond)
                QTest::keyClick(picker.dxDBGrid1, Qt::Key_Down);
            QTest::keyClick(picker.dxDBGrid1, Qt::Key_Return);
            return picker.result();
        }
        return screen == u"setup"_s ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
    bool entered = false;
    d.ts->pacer.onPump = [&](int) {
        if (screenClosed && !entered) {
            entered = true;
            probe(d.frm).ActStart->trigger(); // Enter
            probe(d.frm).ActList->trigger(); // F11
            Q_EMIT probe(d.frm).images[1]->clicked(); // the settings picture
            probe(d.frm).ActClose->trigger(); // Esc
            QVERIFY(!d.frm->pressInProgress());
            return;
        }
        if (d.frm->engine().rolling() && !d.frm->engine().stopRequested())
            probe(d.frm).ActStart->trigger(); // the stop press
    };
    QAction *command = screen == u"picker"_s  ? probe(d.frm).ActSetCurrItem
                       : screen == u"setup"_s ? probe(d.frm).ActSetup
                                              : probe(d.frm).ActList;
    command->trigger();
    d.ts->pacer.onPump = nullptr;

    QVERIFY(entered);
    QCOMPARE(d.ts->dialogs.count(u"modal"_s), 1);
    QCOMPARE(d.ts->dialogs.count(u"ask"_s), 0);
    const int drawn = chooseSecond ? second : first;
    const int expected = chooseSecond ? 2 : 1;
    QCOMPARE(d.tmp.scalar(u"select count(*) from AwardList where sTime = ?"_s, {drawn}).toInt(), expected);
    QCOMPARE(d.winners().size(), expected);
    QCOMPARE(d.field(u"ExcNum"_s, drawn), expected);
    QVERIFY(d.frm->description().startsWith(chooseSecond ? u"现在抽取:二等奖"_s : u"现在抽取:一等奖"_s));
    QVERIFY(d.idle());
}

void TestDrawEngine::winnersListAfterLastItemSaysAllDrawn()
{
    Draw d;
    addRoster(d, 3);
    d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 1, 1);
    d.open();
    d.press();
    QCOMPARE(d.winners().size(), 1);
    QCOMPARE(d.frm->description(), u"未设置奖项或全部奖项已抽完!"_s);

    probe(d.frm).ActList->trigger();
    QCOMPARE(d.ts->dialogs.count(u"modal"_s), 1);
    QCOMPARE(d.frm->description(), u"未设置奖项或全部奖项已抽完!"_s);
}

QTEST_MAIN(TestDrawEngine)
#include "tst_draw_engine.moc"
