// Imports a 200,000-row .xlsx, a 65,536-row .xls, a 100,000-row .csv and a
// 20 MB .txt into fresh databases, with a status line and a progress bar
// updated as on the settings screen, and prints rows per second and the peak
// resident memory of each import. Beside each, measured in the same run on
// the same rows: the engine's limit, a prepared insert through SQLite's own
// C interface into the same table (its checks, one transaction,
// journal_mode=DELETE, synchronous=FULL), as a C program holding the rows as
// UTF-8 would do it; and the same insert through Qt's SQL layer.
//
// Arguments, all optional: the formats to run (xlsx xls csv txt wide; all
// when none is named), "-r N" to import each file N times, for a minimum
// and median on a machine that others use too, and "--import-only" to leave
// out the limits (for a profiler).
#include "admin/rosterimport.h"
#include "sheets/rosterreader.h"
#include "base/pacer.h"
#include "benchsupport.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/preparedstatement.h"
#include "store/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The peak resident memory counts from here on (Linux: clear_refs 5).
void resetPeak()
{
    QFile refs(u"/proc/self/clear_refs"_s);
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

struct Collect : RosterSink {
    std::vector<RosterCells> rows;
    bool row(int, const RosterCells &cells) override
    {
        rows.push_back(cells);
        return true;
    }
    bool idle() override { return true; }
};

double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// CPU seconds of the last engine insert: on a busy machine the wall clock
// measures the neighbours as well.
double g_engineCpu = 0;

struct Count : RosterSink {
    int rows = 0;
    bool row(int, const RosterCells &) override { return ++rows > 0; }
    bool idle() override { return true; }
};

// Reading alone, in the one pass the import makes, for the share of the
// import that is the reader's.
double readingRate(const QString &path)
{
    Count rows;
    QElapsedTimer timer;
    timer.start();
    RosterReader::open(path)->readInOnePass(rows);
    return static_cast<double>(rows.rows) / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
}

// The same rows through one prepared insert of the engine's C interface, no
// reading and no events: the rows are UTF-8 before the clock starts.
double engineInsertRate(const std::vector<RosterCells> &cells, const QString &dbPath)
{
    if (!createEmptyDatabase(dbPath).isEmpty())
        return 0;
    std::vector<std::array<std::string, 4>> rows;
    rows.reserve(cells.size());
    for (const auto &r : cells)
        rows.push_back({r[3].toStdString(), r[2].toStdString(), r[0].toStdString(), r[1].toStdString()});
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(dbPath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 0;
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    const QByteArray sql = QString(Catalogue::InsertEmployee).toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
    bool ok = insert != nullptr;
    for (const auto &r : rows) {
        for (int i = 0; i < 4 && ok; ++i)
            ok = sqlite3_bind_text(insert, i + 1, r[i].data(), static_cast<int>(r[i].size()), SQLITE_STATIC)
                 == SQLITE_OK;
        ok = ok && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        if (!ok)
            break;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    g_engineCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    sqlite3_close(db);
    return ok ? static_cast<double>(rows.size()) / seconds : 0;
}

// The same rows through one prepared insert of Qt's SQL layer.
double plainInsertRate(const std::vector<RosterCells> &cells, const QString &dbPath)
{
    if (!createEmptyDatabase(dbPath).isEmpty())
        return 0;
    Database db(u"plain-"_s + dbPath);
    db.open(dbPath);
    QElapsedTimer timer;
    timer.start();
    Transaction tx(db);
    PreparedStatement insert(db, Catalogue::InsertEmployee);
    for (const auto &r : cells)
        insert.exec({r[3], r[2], r[0], r[1]});
    tx.commit();
    return static_cast<double>(cells.size()) / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
}

bool g_importOnly = false;

// The import's rate over the C API insert's; 0 when not measured.
double importOnce(const QString &label, const QString &path, const QString &dbPath)
{
    if (const QString error = createEmptyDatabase(dbPath); !error.isEmpty()) {
        std::printf("%s: %s\n", qPrintable(label), qPrintable(error));
        return 0;
    }
    long peakKb = 0;
    double seconds = 0, storingCpu = 0, allCpu = 0;
    int imported = 0;
    {
        Database db(u"bench-"_s + label);
        db.open(dbPath);
        QLabel status;
        QProgressBar progress;
        status.show();
        progress.show();
        RealPacer pacer;
        RosterImport importer(db, pacer);
        QObject::connect(&importer, &RosterImport::progress, &status, [&](int, const QString &text, int value) {
            status.setText(text);
            progress.setValue(value);
        });
        // The settings screen has drawn Chinese text before any import: its
        // fonts are loaded before the clock starts here too.
        status.setText(RosterImport::statusText(1, u"100000"_s, u"员工"_s));
        pacer.pump();
        resetPeak();
        const long before = Bench::residentKb("VmRSS:");
        QElapsedTimer timer;
        timer.start();
        const double threadStart = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const double processStart = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto reader = RosterReader::open(path);
        const auto result = importer.run(*reader);
        status.setText(u"导入员工资料完成"_s);
        progress.setValue(100);
        pacer.pump();
        seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        storingCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart;
        allCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
        imported = result.imported;
        peakKb = Bench::residentKb("VmHWM:") - before;
    }
    if (g_importOnly) {
        std::printf("%-5s %7d rows in %5.2f s: %7.0f rows/s; CPU: storing thread %.2f s, reading thread %.2f s\n",
                    qPrintable(label), imported, seconds, imported / seconds, storingCpu, allCpu - storingCpu);
        return 0;
    }
    Collect rows;
    RosterReader::open(path)->read(rows);
    const double engine = engineInsertRate(rows.rows, dbPath + u".engine"_s);
    const double plain = plainInsertRate(rows.rows, dbPath + u".plain"_s);
    const double reading = readingRate(path);
    const double rate = imported / seconds;
    std::printf("%-5s %7d rows (%6.1f MB file) in %5.2f s: %7.0f rows/s; C API insert %7.0f rows/s (ratio %.2f, "
                "goal >= 0.60); Qt insert %7.0f rows/s (ratio %.2f); reading alone %7.0f rows/s; "
                "peak resident +%ld MB\n",
                qPrintable(label), imported, static_cast<double>(QFileInfo(path).size()) / 1e6, seconds, rate, engine,
                engine > 0 ? rate / engine : 0.0, plain, plain > 0 ? rate / plain : 0.0, reading, peakKb / 1024);
    std::printf("      CPU: storing thread %.2f s, reading thread %.2f s, C API insert %.2f s (storing/C API %.2f)\n",
                storingCpu, allCpu - storingCpu, g_engineCpu, g_engineCpu > 0 ? storingCpu / g_engineCpu : 0.0);
    std::fflush(stdout);
    return engine > 0 ? rate / engine : 0.0;
}

int g_times = 1;
QStringList g_formats;

// Each file `g_times` times, then the ratio's minimum and median.
void importRepeated(const QString &label, const QString &path, const QString &dbPath)
{
    std::vector<double> ratios;
    for (int i = 0; i < g_times; ++i) {
        for (const QString &file : QStringList{dbPath, dbPath + u".engine"_s, dbPath + u".plain"_s})
            QFile::remove(file);
        ratios.push_back(importOnce(label, path, dbPath));
    }
    if (ratios.size() > 1 && !g_importOnly) {
        std::sort(ratios.begin(), ratios.end());
        std::printf("%-5s ratio to the C API insert over %zu runs: min %.2f, median %.2f (goal >= 0.60)\n",
                    qPrintable(label), ratios.size(), ratios.front(), ratios[ratios.size() / 2]);
    }
}

bool wanted(const QString &label) { return g_formats.isEmpty() || g_formats.contains(label); }

bool runPython(const QString &script, const QStringList &args)
{
    QProcess make;
    make.start(u"/usr/bin/python3"_s, QStringList{script} + args);
    return make.waitForFinished(600000) && make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"-r"_s && i + 1 < args.size())
            g_times = std::max(1, args[++i].toInt());
        else if (args[i] == u"--import-only"_s)
            g_importOnly = true;
        else
            g_formats << args[i];
    }
    QTemporaryDir dir;
    // The sample writers live in the sources; a build folder inside them finds them by itself.
    QString source = qEnvironmentVariable("PRIZEDRAW_SOURCE_DIR");
    if (source.isEmpty())
        source = QCoreApplication::applicationDirPath() + u"/../.."_s;
    const QString d = dir.path() + u'/';

    if (wanted(u"xlsx"_s)) {
        if (runPython(source + u"/tests/import/make_xlsx.py"_s, {dir.path(), u"200000"_s}))
            importRepeated(u"xlsx"_s, d + u"xlsxwriter_large.xlsx"_s, d + u"xlsx.dll"_s);
        else
            std::printf("xlsx: python3-xlsxwriter and python3-openpyxl are needed to write the workbook\n");
    }

    if (wanted(u"xls"_s)) {
        if (runPython(source + u"/tests/import/make_xlwt.py"_s, {dir.path(), u"65536"_s}))
            importRepeated(u"xls"_s, d + u"xlwt_large.xls"_s, d + u"xls.dll"_s);
        else
            std::printf("xls: python3-xlwt is needed to write the workbook\n");
    }

    QFile csv(d + u"large.csv"_s);
    if (wanted(u"csv"_s) && csv.open(QIODevice::WriteOnly)) {
        for (int i = 0; i < 100000; ++i)
            csv.write(
                u"第%1工厂,\"部门%2\",员工%3,%4\r\n"_s.arg(i % 7 + 1).arg(i % 31).arg(i).arg(100000 + i).toUtf8());
        csv.close();
        importRepeated(u"csv"_s, csv.fileName(), d + u"csv.dll"_s);
    }

    QFile text(d + u"large.txt"_s);
    if (wanted(u"txt"_s) && text.open(QIODevice::WriteOnly)) {
        for (int i = 0; text.size() < 20 * 1024 * 1024; ++i)
            text.write(
                u"第%1工厂\t部门%2\t员工%3\t%4\r\n"_s.arg(i % 7 + 1).arg(i % 31).arg(i).arg(100000 + i).toUtf8());
        text.close();
        importRepeated(u"txt"_s, text.fileName(), d + u"txt.dll"_s);
    }

    // One line of 640 KB of tabs: a cost that grows with the square of the
    // columns would show here at once.
    QFile wide(d + u"wide.txt"_s);
    if (wanted(u"wide"_s) && wide.open(QIODevice::WriteOnly)) {
        wide.write("一厂\t部门\t员工\t1" + QByteArray(640 * 1024, '\t') + "x\r\n");
        wide.close();
        importRepeated(u"wide"_s, wide.fileName(), d + u"wide.dll"_s);
    }
    return 0;
}
