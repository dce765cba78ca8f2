// Times the draw engine on a large database: 100,000 employees, 1,000
// exclusions and 20,000 earlier winners (and, for comparison, none). Pauses
// are left out by a pacer that never sleeps. The engine's own work (picks,
// eligibility checks, designation look-ups, the winner's writes) is the
// processor time of the thread; the wall time adds the disk's wait for each
// winner's durable commit. Target: under 1 ms of the engine's own time per
// winner, whatever the number of earlier winners.
#include "base/pacer.h"
#include "base/settings.h"
#include "base/counterrandom.h"
#include "draw/drawengine.h"
#include "draw/drawview.h"
#include "draw/prizeround.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
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

double cpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

QString code(int i) { return QString::number(100000 + i); }
QString factory(int i) { return i % 2 ? u"一厂"_s : u"二厂"_s; }

void fill(Database &db, int earlierWinners)
{
    Transaction tx(db);
    for (int i = 0; i < kEmployees; ++i)
        db.exec(Catalogue::InsertEmployee, {code(i), QString(u"员工"_s + QString::number(i)), factory(i), u"生产部"_s});
    db.exec(
        u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) values(1, '三等奖', '电饭煲', ?, ?, 0, ?)"_s,
        {kEmployees, kPerPress, earlierWinners});
    const int item = db.scalar(u"select max(RecNo) from AwardItem"_s).toInt();
    for (int i = 0; i < earlierWinners; ++i)
        db.exec(Catalogue::Post::AppendWinner, {code(i * 3), u"员工"_s, item, factory(i * 3)});
    for (int i = 0; i < kExclusions; ++i)
        db.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?, '员工', ?)"_s,
                {code(i * 3 + 1), factory(i * 3 + 1)});
    for (int i = 0; i < kDesignations; ++i)
        db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?, '员工', ?, 1, ?)"_s,
                {code(i * 3 + 2), item + 1, factory(i * 3 + 2)});
    tx.commit();
    // As after an import followed by a restart: the log is in the file.
    db.exec(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
}

struct Figures {
    double cpuMsPerWinner = 0;
    double wallMsPerWinner = 0;
    double cpuUsPerStep = 0;
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
    PrizeRound round(db, pacer);
    DrawEngine engine(round, pacer, random, settings, view);
    round.ReloadDrawData();
    round.PrepareCurrentPrize();

    Figures f;
    struct Timing {
        double cpuNs = 0;
        double wallNs = 0;
        int winners = 0;
    };
    auto timePresses = [&](int iTime) {
        settings.iTime = iTime;
        const int before = round.currExcNum();
        QElapsedTimer wall;
        wall.start();
        const double cpuStart = cpuNs();
        for (int p = 0; p < kPresses; ++p)
            engine.DrawWinners(round.currItemNo());
        return Timing{cpuNs() - cpuStart, static_cast<double>(wall.nsecsElapsed()), round.currExcNum() - before};
    };
    const Timing shortShuffle = timePresses(0);
    const Timing longShuffle = timePresses(20);
    f.cpuMsPerWinner = shortShuffle.cpuNs / shortShuffle.winners / 1e6;
    f.wallMsPerWinner = shortShuffle.wallNs / shortShuffle.winners / 1e6;
    // The twenty extra steps of the long shuffle, per step.
    f.cpuUsPerStep = (longShuffle.cpuNs / longShuffle.winners - shortShuffle.cpuNs / shortShuffle.winners) / 20.0 / 1e3;

    // The checks of a start press walk the roster once; timed on a press that
    // draws nobody, so only they and the end of the press count.
    db.exec(u"update AwardItem set iNumber = 0"_s);
    round.PrepareCurrentPrize();
    pacer.onPump = [&engine] { engine.ActStartExecute(); }; // the stop press
    const double cpuStart = cpuNs();
    engine.ActStartExecute();
    pacer.onPump = nullptr;
    f.msStartCheck = (cpuNs() - cpuStart) / 1e6;
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
        std::printf("earlier winners %6d: engine %.3f ms per winner (iTime 0), %.1f us per eligible shuffle step; "
                    "wall %.3f ms per winner with the durable commit; start press %.1f ms\n",
                    earlier, f.cpuMsPerWinner, f.cpuUsPerStep, f.wallMsPerWinner, f.msStartCheck);
    }
    std::printf("target: under 1 ms per winner, the same with and without earlier winners\n");
    return 0;
}
