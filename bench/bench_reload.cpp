// Times ReloadDrawData on a large event: 100,000 employees, 10,000 winners and
// 1,000 exclusions. Prints seconds per reload and the resident memory.
#include "base/pacer.h"
#include "draw/prizeround.h"
#include "store/bulkread.h"
#include "store/database.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "benchsupport.h"
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

class CountingPacer : public Pacer {
public:
    int pumps = 0;
    void pump() override { ++pumps; }
    void pause(int) override {}
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + u"/config.dll"_s;
    if (!createEmptyDatabase(path).isEmpty())
        return 1;
    Database db(u"bench"_s);
    db.open(path);
    {
        Transaction tx(db);
        for (int i = 0; i < 100000; ++i) {
            db.exec(u"insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?,?,?,?)"_s,
                    {QString::number(100000 + i), u"员工%1"_s.arg(i), u"工厂%1"_s.arg(i % 7), u"部门"_s});
        }
        for (int i = 0; i < 10000; ++i) {
            db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,1,?)"_s,
                    {QString::number(100000 + i * 3), u"员工"_s, u"工厂%1"_s.arg((i * 3) % 7)});
        }
        for (int i = 0; i < 1000; ++i) {
            db.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?,?,?)"_s,
                    {QString::number(100001 + i * 7), u"员工"_s, u"工厂%1"_s.arg((1 + i * 7) % 7)});
        }
        db.exec(
            u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) values(1,'a','b',10,5,0,0)"_s);
        tx.commit();
    }
    std::printf("database ready: 100000 employees, 10000 winners, 1000 exclusions\n");

    CountingPacer pacer;
    PrizeRound round(db, pacer);
    constexpr int runs = 5;
    qint64 best = std::numeric_limits<qint64>::max();
    qint64 total = 0;
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        round.ReloadDrawData();
        const qint64 ns = timer.nsecsElapsed();
        best = std::min(best, ns);
        total += ns;
    }
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC / runs;
    std::printf("ReloadDrawData: best %.3f s, mean %.3f s wall over %d runs, %.3f s processor time each "
                "(target < 0.5 s)\n",
                best / 1e9, total / 1e9 / runs, runs, cpu);
    {
        QElapsedTimer timer;
        timer.start();
        const auto rows = loadEmployees(db, u"select * from EmpNo order by RecNo"_s);
        std::printf("of which reading the roster: %.3f s (%zu rows)\n", timer.nsecsElapsed() / 1e9, rows.size());
    }
    std::printf("event pumps per reload: %d\n", pacer.pumps / runs);
    std::printf("resident memory: now %ld kB, peak %ld kB (target < 150 MB)\n", Bench::residentKb("VmRSS:"),
                Bench::residentKb("VmHWM:"));
    return 0;
}
