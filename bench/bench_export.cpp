// Saves the winners list and the draw record of a database as a full .xls
// sheet (65,535 rows) and as .xlsx (100,000 rows) and prints for each the time
// and the peak resident memory above the idle of a process that has opened the
// database, beside the limit of 20 MB; then the time and memory a list too
// long for .xls takes to be refused. Each export runs in a process of its own
// (this program again), so that no other peak counts in it. "held" is the
// winners list screen's way: the list already in memory, the rows read from it.
#include "admin/drawrecordsheet.h"
#include "admin/winnerslist.h"
#include "base/errors.h"
#include "store/database.h"
#include "store/preparedstatement.h"
#include "store/schema.h"
#include "benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr long kLimitKb = 20 * 1024;

// The peak resident memory counts from here on (Linux: clear_refs 5).
void resetPeak()
{
    QFile refs(u"/proc/self/clear_refs"_s);
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// A database of `count` winners of five prize items and as many draw records.
bool makeDatabase(const QString &path, int count)
{
    if (!createEmptyDatabase(path).isEmpty())
        return false;
    Database db(u"make"_s);
    if (!db.open(path).isEmpty())
        return false;
    Transaction tx(db);
    const QStringList items{u"特等奖"_s, u"一等奖"_s, u"二等奖"_s, u"三等奖"_s, u"纪念奖"_s};
    for (int i = 0; i < items.size(); ++i) {
        db.exec(u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) "
                "values(?,?,?,?,1,0,0)"_s,
                {i, items[i], QString(u"奖品"_s + QString::number(i)), count});
    }
    PreparedStatement winner(db, u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)"_s);
    PreparedStatement record(db, u"insert into DrawLog(sWhen, sEvent, sTime, sItemName, sAwards, sNo, sName, "
                                 "sCompCode, sHow) values(?,?,?,?,?,?,?,?,?)"_s);
    for (int i = 0; i < count; ++i) {
        const int item = i % 5;
        const QString code = u"%1"_s.arg(100000 + i, 6, 10, QLatin1Char('0'));
        const QString name = QString(u"员工"_s + QString::number(i));
        const QString factory = QString(u"工厂"_s + QString::number(i % 7));
        winner.exec({code, name, item + 1, factory});
        record.exec(
            {u"2026-01-01 20:%1:%2"_s.arg(i / 60 % 60, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0')),
             u"中奖"_s, item + 1, items[item], QString(u"奖品"_s + QString::number(item)), code, name, factory,
             u"随机"_s});
    }
    tx.commit();
    return true;
}

// In the child: one export, its figures on one line.
int runOne(const QString &what, const QString &dbPath, const QString &target)
{
    Database db;
    if (!db.open(dbPath).isEmpty())
        return 2;
    std::vector<ListedWinner> held;
    if (what == u"held"_s)
        held = loadWinnersList(db);
    const long idle = Bench::residentKb("VmRSS:");
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    QString failure;
    try {
        if (what == u"record"_s)
            saveDrawRecord(target, db);
        else if (what == u"held"_s)
            saveWinnersList(target, held);
        else
            saveWinnersList(target, db);
    } catch (const AppError &e) {
        failure = e.text();
    }
    const qint64 ms = timer.elapsed();
    const long peak = Bench::residentKb("VmHWM:");
    std::printf("%lld %ld %ld %lld %d\n", static_cast<long long>(ms), peak - idle, idle,
                static_cast<long long>(QFileInfo(target).size()), failure.isEmpty() ? 0 : 1);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == u"--one"_s)
        return runOne(args[2], args[3], args[4]);

    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString full = dir.filePath(u"full.dll"_s);
    const QString large = dir.filePath(u"large.dll"_s);
    out << "making databases of 65,535 and 100,000 winners and records ..." << Qt::endl;
    if (!makeDatabase(full, 65535) || !makeDatabase(large, 100000)) {
        out << "cannot make the databases\n";
        return 1;
    }
    struct Case {
        const char *label;
        QString what;
        QString db;
        QString file;
    };
    const std::vector<Case> cases{
        {"winners list, 65,535 rows, .xls", u"list"_s, full, u"list.xls"_s},
        {"winners list, 100,000 rows, .xlsx", u"list"_s, large, u"list.xlsx"_s},
        {"winners list held, 65,535 rows, .xls", u"held"_s, full, u"held.xls"_s},
        {"winners list held, 100,000 rows, .xlsx", u"held"_s, large, u"held.xlsx"_s},
        {"draw record, 65,535 rows, .xls", u"record"_s, full, u"record.xls"_s},
        {"draw record, 100,000 rows, .xlsx", u"record"_s, large, u"record.xlsx"_s},
        {"winners list, 100,000 rows, .xls (refused)", u"list"_s, large, u"refused.xls"_s},
    };
    for (const Case &c : cases) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {u"--one"_s, c.what, c.db, dir.filePath(c.file)});
        if (!child.waitForFinished(600000) || child.exitCode() != 0) {
            out << c.label << ": the export did not run\n";
            continue;
        }
        const QStringList f = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
        if (f.size() < 5)
            continue;
        const long peakKb = f[1].toLong();
        out << c.label << ": " << f[0] << " ms, peak " << QString::number(peakKb / 1024.0, 'f', 1)
            << " MB above the idle " << QString::number(f[2].toLong() / 1024.0, 'f', 1) << " MB (limit "
            << kLimitKb / 1024 << " MB, " << QString::number(double(peakKb) / kLimitKb, 'f', 2) << " of it), "
            << (f[4].trimmed() == u"1"_s ? u"refused"_s : f[3] + u" bytes"_s) << Qt::endl;
    }
    return 0;
}
