// Times the draw engine on a large database: 1,000,000 employees, 1,000
// exclusions and 50,000 earlier winners (and, for comparison, none), and an
// item whose scope holds 10 of the million. Pauses are left out by a pacer
// that never sleeps. The engine's own work (picks, eligibility checks,
// designation look-ups, the winner's writes) is the processor time of the
// thread; the wall time adds the disk's wait for each winner's durable
// commit. Targets: under 1 ms of the engine's own time per winner, whatever
// the number of earlier winners or the scope; the start press (everything
// before the first digit rolls) under 50 ms.
#include "base/pacer.h"
#include "base/settings.h"
#include "base/counterrandom.h"
#include "draw/drawengine.h"
#include "draw/drawview.h"
#include "draw/prizeround.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/proofstore.h"
#include "store/schema.h"
#include "store/scopestore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kEmployees = 1000000;
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

void fill(Database &db, int earlierWinners, bool scoped)
{
    Transaction tx(db);
    // code(i), factory(i) as below, made by the engine: a million rows in a second.
    db.exec(u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?) "
            "INSERT INTO EmpNo(EmpCode, EmpName, CompCode, DartNo) SELECT CAST(100000 + i AS TEXT), '员工' || i, "
            "CASE i % 2 WHEN 1 THEN '一厂' ELSE '二厂' END, CASE WHEN i % 100000 = 7 THEN '小组' ELSE '生产部' END "
            "FROM n"_s,
            {kEmployees});
    db.exec(
        u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) values(1, '三等奖', '电饭煲', ?, ?, 0, ?)"_s,
        {kEmployees, kPerPress, earlierWinners});
    const int item = db.scalar(u"select max(RecNo) from AwardItem"_s).toInt();
    // Ten people of a million: the department 小组.
    if (scoped)
        ScopeStore::setItemScope(db, item, {{0, item, QString(), u"小组"_s}});
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
    double sReload = 0;
    double sRosterKept = 0;
};

// Runs presses at two shuffle lengths; the difference gives one step's cost.
Figures run(int earlierWinners, bool scoped)
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/config.dll"_s;
    createEmptyDatabase(path);
    Database db(u"bench-%1-%2"_s.arg(earlierWinners).arg(scoped));
    db.open(path);
    fill(db, earlierWinners, scoped);

    NoWaitPacer pacer;
    CounterRandom random;
    Settings settings;
    SilentDrawView view;
    PrizeRound round(db, pacer);
    DrawEngine engine(round, pacer, random, settings, view);
    Figures f;
    QElapsedTimer reload;
    reload.start();
    round.ReloadDrawData();
    f.sReload = reload.nsecsElapsed() / 1e9;
    round.PrepareCurrentPrize();
    // What the first press after a new roster adds once: the roster kept for
    // the proof (its rows in canonical order, their SHA-256, the stored copy).
    QElapsedTimer kept;
    kept.start();
    ProofStore::rosterNumber(db, round.rosterSha256(), round.rosterRows());
    f.sRosterKept = kept.nsecsElapsed() / 1e9;

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
        for (int p = 0; p < (scoped ? 1 : kPresses); ++p)
            engine.DrawWinners(round.currItemNo());
        return Timing{cpuNs() - cpuStart, static_cast<double>(wall.nsecsElapsed()), round.currExcNum() - before};
    };
    // A scope of ten people: one press of them at each shuffle length.
    if (scoped) {
        db.exec(u"update AwardItem set iNumber = 5"_s);
        round.PrepareCurrentPrize();
    }
    const Timing shortShuffle = timePresses(0);
    const Timing longShuffle = timePresses(20);
    f.cpuMsPerWinner = shortShuffle.cpuNs / shortShuffle.winners / 1e6;
    f.wallMsPerWinner = shortShuffle.wallNs / shortShuffle.winners / 1e6;
    // The twenty extra steps of the long shuffle, per step.
    f.cpuUsPerStep = (longShuffle.cpuNs / longShuffle.winners - shortShuffle.cpuNs / shortShuffle.winners) / 20.0 / 1e3;

    // The checks of a start press; timed on a press that draws nobody, so
    // only they and the end of the press count.
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
    for (const auto &[earlier, scoped] : {std::pair{0, false}, {50000, false}, {0, true}}) {
        const Figures f = run(earlier, scoped);
        std::printf("%s, earlier winners %6d: engine %.3f ms per winner (iTime 0), %.1f us per shuffle step; "
                    "wall %.3f ms per winner with the durable commit; start press %.1f ms; reload %.2f s; "
                    "roster kept for the proof %.2f s once\n",
                    scoped ? "scope of 10 people" : "everybody         ", earlier, f.cpuMsPerWinner, f.cpuUsPerStep,
                    f.wallMsPerWinner, f.msStartCheck, f.sReload, f.sRosterKept);
    }
    std::printf("targets: under 1 ms per winner, the same with and without earlier winners and scope; "
                "start press under 50 ms\n");
    return 0;
}
