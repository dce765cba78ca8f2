// The draw engine without a screen: presses run against a real database file
// with a view that records what it is told, a pacer that never sleeps and
// positions supplied by the test. Links the draw library and Qt Test only.
#include "base/pacer.h"
#include "base/randomposition.h"
#include "base/settings.h"
#include "draw/drawengine.h"
#include "draw/drawproof.h"
#include "draw/proofcheck.h"
#include "store/proofstore.h"
#include "draw/drawview.h"
#include "draw/prizeround.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/scopestore.h"

#include <QTemporaryDir>
#include <array>
#include <QtTest>
#include <climits>
#include <functional>
#include <map>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// What the audience would see, kept as the engine changes it.
class RecordingView : public DrawView {
public:
    QString code; // on the digits; empty: nobody
    QString line; // on the winner line
    std::map<int, QString> board; // label number -> code
    QString description;
    QStringList notices;

    void showCandidate(const QString &c, const QString &l) override
    {
        code = c;
        line = l;
    }
    void clearCandidate() override
    {
        code.clear();
        line.clear();
    }
    void addBoardLabel(const QString &c, const QString &, const QString &, int n) override { board[n] = c; }
    void removeBoardLabel(int n) override { board.erase(n); }
    void clearBoard() override { board.clear(); }
    void setDescription(const QString &text) override { description = text; }
    void playEffect(const QString &) override {}
    void stopEffect() override {}
    std::vector<PressState> states;
    void pressStateChanged(PressState state) override { states.push_back(state); }
    void notify(const QString &text) override { notices << text; }
};

// Runs a step at every pump; a press that pumps more than `limit` times is a
// runaway and is ended by an exception instead of hanging the test.
class ScriptedPacer : public Pacer {
public:
    int pumps = 0;
    int limit = 20000;
    std::function<void(int)> onPump;
    void pump() override
    {
        if (++pumps > limit)
            throw std::runtime_error("runaway press");
        if (onPump)
            onPump(pumps);
    }
    void pause(int) override {}
};

class ListRandom : public RandomPosition {
public:
    std::vector<int> positions{0};
    size_t next = 0;
    int position(int n) override
    {
        if (n <= 0)
            return 0;
        const int p = positions[next++ % positions.size()];
        return ((p % n) + n) % n;
    }
    // With `seeded`, the picks are the program's own, from the seed.
    bool seeded = false;
    std::uint64_t pick(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint64_t n) override
    {
        if (seeded)
            return RandomPosition::pick(seed, press, step, n);
        return static_cast<std::uint64_t>(position(static_cast<int>(std::min<std::uint64_t>(n, INT_MAX))));
    }
};

struct Bench {
    QTemporaryDir dir;
    Database db{u"norender"_s};
    ScriptedPacer pacer;
    ListRandom random;
    Settings settings;
    RecordingView view;
    std::unique_ptr<PrizeRound> round;
    std::unique_ptr<DrawEngine> engine;

    explicit Bench(int roster)
    {
        const QString path = dir.path() + u"/config.dll"_s;
        if (!createEmptyDatabase(path).isEmpty() || !db.open(path).isEmpty())
            throw std::runtime_error("no database");
        for (int i = 1; i <= roster; ++i)
            db.exec(u"insert into EmpNo(EmpCode, EmpName, CompCode) values(?,?,'一厂')"_s,
                    {QString::number(i), QString(u"员工"_s + QString::number(i))});
        settings.iTime = 0;
        round = std::make_unique<PrizeRound>(db, pacer);
        engine = std::make_unique<DrawEngine>(*round, pacer, random, settings, view);
    }
    int addItem(const QString &name, int sum, int per, int excNum = 0)
    {
        db.exec(u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) "
                "values(1, ?, '奖品', ?, ?, 0, ?)"_s,
                {name, sum, per, excNum});
        return db.scalar(u"select max(RecNo) from AwardItem"_s).toInt();
    }
    void load()
    {
        round->ReloadDrawData();
        round->PrepareCurrentPrize();
    }
    // Start press, a stop press at the given pump, then the drawing; `during`
    // sees every later pump, counted from the start press.
    void press(int stopAtPump = 2, const std::function<void(int)> &during = {})
    {
        const int base = pacer.pumps;
        pacer.onPump = [this, base, stopAtPump, during](int n) {
            if (n - base == stopAtPump)
                engine->ActStartExecute();
            if (during)
                during(n - base);
        };
        engine->ActStartExecute();
        pacer.onPump = nullptr;
    }
    QStringList winners()
    {
        QStringList out;
        QSqlQuery q = db.exec(u"select sNo from AwardList order by RecNo"_s);
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    void exclude(const QString &code)
    {
        db.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?, 'x', '一厂')"_s, {code});
    }
};

} // namespace

class TestDrawEngineNoRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void closeEndsAnyShuffle_data();
    void closeEndsAnyShuffle();
    void failedWriteLeavesNobodyUnstoredOnScreen_data();
    void failedWriteLeavesNobodyUnstoredOnScreen();
    void exclusionsCountAtOnce();
    void pressEndsOnAStoredWinnerOrNobody_data();
    void pressEndsOnAStoredWinnerOrNobody();
    void scopedItemsDrawInsideTheirScope();
    void everyKeyInEveryState_data();
    void everyKeyInEveryState();
};

void TestDrawEngineNoRender::everyKeyInEveryState_data()
{
    QTest::addColumn<PressState>("state");
    QTest::addColumn<PressKey>("key");
    QTest::addColumn<PressCommand>("command");
    using C = PressCommand;
    const std::pair<PressKey, const char *> keys[] = {
        {PressKey::Enter, "Enter"}, {PressKey::Escape, "Esc"}, {PressKey::F1, "F1"},
        {PressKey::F2, "F2"},       {PressKey::F7, "F7"},      {PressKey::F8, "F8"},
        {PressKey::F9, "F9"},       {PressKey::F10, "F10"},    {PressKey::F11, "F11"}};
    // One row a state, one column a key, in the order of `keys`.
    const std::pair<PressState, std::array<C, 9>> table[] = {
        {PressState::Idle,
         {C::Start, C::AskExit, C::Help, C::Designations, C::NextScreen, C::NewItem, C::ChooseItem, C::Settings,
          C::Winners}},
        {PressState::Rolling, {C::Stop, C::None, C::Help, C::None, C::NextScreen, C::None, C::None, C::None, C::None}},
        {PressState::Drawing,
         {C::None, C::EndAfterWinner, C::Help, C::None, C::NextScreen, C::None, C::None, C::None, C::None}},
        {PressState::Ending, {C::None, C::None, C::Help, C::None, C::NextScreen, C::None, C::None, C::None, C::None}},
    };
    const char *names[] = {"idle", "rolling", "drawing", "ending"};
    for (const auto &[state, commands] : table) {
        for (size_t k = 0; k < std::size(keys); ++k)
            QTest::addRow("%s, %s", names[static_cast<int>(state)], keys[k].second)
                << state << keys[k].first << commands[k];
    }
}

void TestDrawEngineNoRender::everyKeyInEveryState()
{
    QFETCH(PressState, state);
    QFETCH(PressKey, key);
    QFETCH(PressCommand, command);
    QCOMPARE(pressCommand(state, key), command);
    // The console lists exactly the keys that do something now.
    const QStringList listed = pressKeysText(state);
    const QString keyName = QString::fromLatin1(QTest::currentDataTag()).section(u", "_s, 1);
    const bool shown = std::any_of(listed.begin(), listed.end(),
                                   [&](const QString &line) { return line.section(u' ', 0, 0) == keyName; });
    QCOMPARE(shown, command != PressCommand::None);
}

void TestDrawEngineNoRender::closeEndsAnyShuffle_data()
{
    QTest::addColumn<int>("iTime");
    QTest::addColumn<bool>("seeded");
    QTest::addRow("100000") << 100000 << false;
    QTest::addRow("largest int") << INT_MAX << false;
    QTest::addRow("100000, picks from the seed") << 100000 << true;
}

void TestDrawEngineNoRender::closeEndsAnyShuffle()
{
    QFETCH(int, iTime);
    QFETCH(bool, seeded);
    Bench b(50);
    const int item = b.addItem(u"一等奖"_s, 10, 3);
    b.settings.iTime = iTime;
    b.load();
    b.random.positions = {0, 1, 2, 3, 4, 5, 6, 7};
    b.random.seeded = seeded;
    int closedAt = 0;
    bool runaway = false;
    try {
        b.press(2, [&](int pump) {
            // Long into the first winner's shuffle: the close command.
            if (pump == 500) {
                QVERIFY(b.engine->rolling() && b.engine->stopRequested());
                QCOMPARE(b.engine->winnerIndex(), 1);
                QVERIFY(b.engine->rollStep() > 100);
                QVERIFY(b.engine->requestClose());
                closedAt = pump;
            }
        });
    } catch (const std::runtime_error &) {
        runaway = true;
    }
    QVERIFY2(!runaway, "the close command did not end the shuffle");
    QCOMPARE(closedAt, 500);
    // The press ends after its current winner, the one the seed gives at the
    // place's last step: the shuffle is cut short, never the replay.
    QCOMPARE(b.winners().size(), 1);
    if (seeded) {
        ProofStore::reveal(b.db);
        const ProofVerdict verdict = checkProof(proofBytes(b.db, u"2026-12-10 20:00:00"_s));
        QVERIFY2(verdict.refusal.isEmpty(), qPrintable(verdict.refusal));
        QCOMPARE(verdict.lines.front(), u"第1次 一等奖 1人: 一致"_s);
        QCOMPARE(verdict.exitCode, 0);
    }
    QCOMPARE(b.view.code, b.winners().front());
    QCOMPARE(b.view.board.size(), size_t(1));
    QCOMPARE(b.db.scalar(u"select ExcNum from AwardItem where RecNo = ?"_s, {item}).toInt(), 1);
    QVERIFY(!b.engine->busy() && !b.engine->rolling() && !b.engine->stopRequested());
    QCOMPARE(b.view.states,
             (std::vector<PressState>{PressState::Rolling, PressState::Drawing, PressState::Ending, PressState::Idle}));
    QVERIFY(b.engine->rollStep() >= 0);
    // Idle again: the close command finds no press to stop.
    QVERIFY(!b.engine->requestClose());
}

void TestDrawEngineNoRender::failedWriteLeavesNobodyUnstoredOnScreen_data()
{
    QTest::addColumn<int>("failingWinner");
    QTest::addRow("first winner of the press") << 1;
    QTest::addRow("second winner of the press") << 2;
}

void TestDrawEngineNoRender::failedWriteLeavesNobodyUnstoredOnScreen()
{
    QFETCH(int, failingWinner);
    Bench b(5);
    b.addItem(u"一等奖"_s, 5, 3);
    b.load();
    b.random.positions = {0, 1, 2, 3};
    b.db.exec(u"create trigger failing before insert on AwardList when (select count(*) from AwardList) >= %1 "
              "begin select raise(abort, 'disk is full'); end"_s.arg(failingWinner - 1));
    bool thrown = false;
    try {
        b.press();
    } catch (const std::exception &) {
        thrown = true;
    }
    QVERIFY(thrown);
    const QStringList stored = b.winners();
    QCOMPARE(stored.size(), failingWinner - 1);
    // Digits, winner line and board show stored winners only.
    QCOMPARE(b.view.code, stored.isEmpty() ? QString() : stored.front());
    QCOMPARE(b.view.board.size(), size_t(failingWinner - 1));
    QCOMPARE(b.view.board.count(failingWinner), size_t(0));
    // The description offers the item as stored, not "drawing number k".
    QCOMPARE(b.view.description, u"现在抽取:一等奖, 奖品:奖品, 共:5人,准备抽取第:%1位."_s.arg(failingWinner));
    QVERIFY(!b.engine->busy() && !b.engine->rolling());
}

void TestDrawEngineNoRender::exclusionsCountAtOnce()
{
    Bench b(4);
    const int item = b.addItem(u"一等奖"_s, 4, 1);
    b.load();
    // Made with F2 after the last reload, a designated person among them.
    b.exclude(u"1"_s);
    b.exclude(u"2"_s);
    b.db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('9', '指定', ?, 0, '一厂')"_s, {item});
    b.exclude(u"9"_s);
    b.random.positions = {0, 1, 0, 1, 2, 3};
    b.press();
    const QStringList first = b.winners();
    QCOMPARE(first.size(), 1);
    QVERIFY2(first.front() == u"3"_s || first.front() == u"4"_s, qPrintable(first.front()));

    // The last eligible person excluded: the start press is refused at once.
    b.exclude(first.front() == u"3"_s ? u"4"_s : u"3"_s);
    b.press();
    QCOMPARE(b.view.notices, QStringList({DrawEngine::nobodyEligibleText()}));
    QCOMPARE(b.winners(), first);
}

void TestDrawEngineNoRender::pressEndsOnAStoredWinnerOrNobody_data()
{
    QTest::addColumn<int>("perPress");
    QTest::addColumn<int>("excNum");
    QTest::addColumn<int>("excluded");
    QTest::addColumn<QString>("shown");
    QTest::addRow("press of nobody") << 0 << 0 << 0 << QString();
    QTest::addRow("press on a complete item") << 2 << 10 << 0 << QString();
    QTest::addRow("eligible people run out") << 3 << 0 << 4 << u"5"_s;
}

void TestDrawEngineNoRender::pressEndsOnAStoredWinnerOrNobody()
{
    QFETCH(int, perPress);
    QFETCH(int, excNum);
    QFETCH(int, excluded);
    QFETCH(QString, shown);
    Bench b(5);
    b.addItem(u"一等奖"_s, 10, perPress, excNum);
    for (int i = 1; i <= excluded; ++i)
        b.exclude(QString::number(i));
    // As at start-up: a press on a complete item is possible and draws nobody.
    b.round->ReloadDrawData();
    // The roll ends on an excluded person; the walk then finds 5.
    b.random.positions = {3, 4, 0};
    b.press(3);
    QCOMPARE(b.winners().size(), shown.isEmpty() ? 0 : 1);
    QCOMPARE(b.view.code, shown);
}

void TestDrawEngineNoRender::scopedItemsDrawInsideTheirScope()
{
    Bench b(0);
    for (const QString &factory : {u"一厂"_s, u"二厂"_s, u"三厂"_s}) {
        for (const QString &dept : {u"财务部"_s, u"生产部"_s}) {
            for (int n = 1; n <= 2; ++n)
                b.db.exec(u"insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?, '员工', ?, ?)"_s,
                          {QString(factory + dept + QString::number(n)), factory, dept});
        }
    }
    const int a = b.addItem(u"甲奖"_s, 7, 7);
    ScopeStore::setItemScope(b.db, a, {{0, a, u"一厂"_s, QString()}, {0, a, u"二厂"_s, u"生产部"_s}});
    // Designated for the item although outside its scope: the operator named them.
    b.db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('三厂财务部1', '员工', ?, 0, '三厂')"_s,
              {a});
    b.load();
    b.random.positions = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    b.press();
    const QStringList won = b.winners();
    QCOMPARE(won.size(), 7);
    QCOMPARE(won.front(), u"三厂财务部1"_s);
    for (const QString &code : won.mid(1))
        QVERIFY2(code.startsWith(u"一厂"_s) || code.startsWith(u"二厂生产部"_s), qPrintable(code));
    QCOMPARE(
        b.db.scalar(u"select count(*) from DrawLog where sEvent = '中奖' and sScope = '一厂；二厂·生产部'"_s).toInt(),
        7);

    // A scope everybody of which has won (the six people of the first one did):
    // the press says so, names the item,
    // draws and counts nobody.
    const int c = b.addItem(u"乙奖"_s, 3, 3);
    ScopeStore::setItemScope(b.db, c, {{0, c, u"一厂"_s, QString()}});
    b.load();
    QCOMPARE(b.round->currItemNo(), c);
    b.press();
    QCOMPARE(b.view.notices, QStringList({DrawEngine::scopeExhaustedText(u"乙奖"_s)}));
    QCOMPARE(b.winners().size(), 7);
    QCOMPARE(b.db.scalar(u"select ExcNum from AwardItem where RecNo = ?"_s, {c}).toInt(), 0);

    // A scope of nobody with a designated winner: the digits roll over
    // everybody and the designated person wins.
    const int d = b.addItem(u"丙奖"_s, 1, 1);
    ScopeStore::setItemScope(b.db, d, {{0, d, u"九厂"_s, QString()}});
    b.db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('三厂生产部2', '员工', ?, 0, '三厂')"_s,
              {d});
    b.load();
    b.round->setCurrItemNo(d); // F9
    b.round->PrepareCurrentPrize();
    b.view.notices.clear();
    b.press(3);
    QCOMPARE(b.winners().size(), 8);
    QCOMPARE(b.winners().back(), u"三厂生产部2"_s);

    // Opened to everybody, it takes from everybody else.
    ScopeStore::setItemScope(b.db, c, {});
    b.load();
    b.press();
    QCOMPARE(b.winners().size(), 11);
    for (const QString &code : b.winners().mid(8))
        QVERIFY2(!won.contains(code), qPrintable(code));
}

QTEST_GUILESS_MAIN(TestDrawEngineNoRender)
#include "tst_draw_engine_norender.moc"
