// Times the draw engine on a large database: 100,000 employees, 1,000
// exclusions and 20,000 earlier winners (and, for comparison, none). Pauses
// are left out by a pacer that never sleeps; the figures are the engine's own
// work: picks, eligibility checks, designation look-ups and the winner's
// writes. Targets: under 1 ms per winner, whatever the number of winners.
#include "app/core/pacer.h"
#include "app/core/settings.h"
#include "draw/core/counterrandom.h"
#include "draw/core/drawengine.h"
#include "draw/core/drawview.h"
#include "draw/core/prizeround.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kEmployees = 100000;
constexpr int kExclusions = 1000;
constexpr int kDesignations = 50;
constexpr int kPresses = 25;
constexpr int kPerPress = 20;

class NoWaitPacer : public Pacer {
public:
    std::function<void()> onPump;
    void pump() override
    {
        if (onPump)
            onPump();
    }
    void pause(int) override {}
};

QString code(int i) { return QString::number(100000 + i); }
QString factory(int i) { return i % 2 ? u"一厂"_s : u"二厂"_s; }

void fill(Database &db, int earlierWinners)
{
    Transaction tx(db);
    for (int i = 0; i < kEmployees; ++i)
        db.exec(Catalogue::InsertEmployee, {code(i), QString(u"员工"_s + QString::number(i)), factory(i), u"生产部"_s});
    db.exec(u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) values(1, '三等奖', '电饭煲', ?, ?, 0, ?)"_s,
            {kEmployees, kPerPress, earlierWinners});
    const int item = db.scalar(u"select max(RecNo) from AwardItem"_s).toInt();
    for (int i = 0; i < earlierWinners; ++i)
        db.exec(Catalogue::Post::AppendWinner, {code(i * 3), u"员工"_s, item, factory(i * 3)});
    for (int i = 0; i < kExclusions; ++i)
        db.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?, '员工', ?)"_s, {code(i * 3 + 1), factory(i * 3 + 1)});
    for (int i = 0; i < kDesignations; ++i)
        db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?, '员工', ?, 1, ?)"_s,
                {code(i * 3 + 2), item + 1, factory(i * 3 + 2)});
    tx.commit();
}

struct Figures {
    double msPerWinner = 0;
    double usPerStep = 0;
    double msStartCheck = 0;
};

// Runs presses at two shuffle lengths; the difference gives one step's cost.
Figures run(int earlierWinners)
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/config.dll"_s;
    createEmptyDatabase(path);
    Database db(u"bench-%1"_s.arg(earlierWinners));
    db.open(path);
    fill(db, earlierWinners);

    NoWaitPacer pacer;
    CounterRandom random;
    Settings settings;
    SilentDrawView view;
    bool rolling = false;
    bool stop = false;
    int winnerIndex = 0;
    int rollStep = 0;
    PrizeRound round(db, pacer);
    DrawEngine engine(round, pacer, random, settings, view, DrawFlags{rolling, stop, winnerIndex, rollStep});
    round.ReloadDrawData();
    round.PrepareCurrentPrize();

    Figures f;
    auto timePresses = [&](int iTime, int &winners) {
        settings.iTime = iTime;
        const int before = round.CurrExcNum;
        QElapsedTimer t;
        t.start();
        for (int p = 0; p < kPresses; ++p)
            engine.DrawWinners(round.CurrItemNo);
        const qint64 ns = t.nsecsElapsed();
        winners = round.CurrExcNum - before;
        return static_cast<double>(ns);
    };
    int winnersShort = 0;
    int winnersLong = 0;
    const double nsShort = timePresses(0, winnersShort);
    const double nsLong = timePresses(20, winnersLong);
    f.msPerWinner = nsShort / winnersShort / 1e6;
    // The twenty extra steps of the long shuffle, per step.
    f.usPerStep = (nsLong / winnersLong - nsShort / winnersShort) / 20.0 / 1e3;

    // The checks of a start press walk the roster once; timed on a press that
    // draws nobody, so only they and the end of the press count.
    round.PerPress = 0;
    pacer.onPump = [&engine] { engine.ActStartExecute(); }; // the stop press
    QElapsedTimer t;
    t.start();
    engine.ActStartExecute();
    pacer.onPump = nullptr;
    f.msStartCheck = static_cast<double>(t.nsecsElapsed()) / 1e6;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("draw engine: %d employees, %d exclusions, %d presses of %d winners per run\n", kEmployees, kExclusions,
                kPresses, kPerPress);
    for (int earlier : {0, 20000}) {
        const Figures f = run(earlier);
        std::printf("earlier winners %6d: %.3f ms per winner (iTime 0, writes included), %.1f us per eligible "
                    "shuffle step, start press checks %.1f ms\n",
                    earlier, f.msPerWinner, f.usPerStep, f.msStartCheck);
    }
    std::printf("target: under 1 ms per winner, the same with and without earlier winners\n");
    return 0;
}
