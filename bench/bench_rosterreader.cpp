// Reads rosters through the reader alone, without the database: a one-kilobyte
// .ods that repeats one row over all 1,048,576 rows of a sheet. Prints the
// rows handed on, the seconds and the peak resident memory of each read.
#include "sheets/rosterreader.h"
#include "benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Count : RosterSink {
    long rows = 0, idles = 0;
    bool row(int, const RosterCells &) override
    {
        ++rows;
        return true;
    }
    bool idle() override
    {
        ++idles;
        return true;
    }
};

void readOnce(const QString &label, const QString &path)
{
    QFile refs(u"/proc/self/clear_refs"_s);
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5"); // the peak counts from here on
    refs.close();
    const long before = Bench::residentKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    Count count;
    RosterReader::open(path)->read(count);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("%-12s %8ld rows from a %6.1f KB file in %5.2f s (%8.0f rows/s), %ld looks at the events; "
                "peak resident +%ld MB\n",
                qPrintable(label), count.rows, static_cast<double>(QFileInfo(path).size()) / 1024, seconds,
                static_cast<double>(count.rows) / seconds, count.idles, (Bench::residentKb("VmHWM:") - before) / 1024);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QString source = qEnvironmentVariable("PRIZEDRAW_SOURCE_DIR");
    if (source.isEmpty())
        source = QCoreApplication::applicationDirPath() + u"/../.."_s;
    QProcess make;
    make.start(u"/usr/bin/python3"_s, {source + u"/tests/import/make_ods.py"_s, dir.path()});
    if (!make.waitForFinished(120000) || make.exitCode() != 0) {
        std::printf("ods: python3-odf is needed to write the samples\n");
        return 0;
    }
    readOnce(u"repeated ods"_s, dir.path() + u"/repeated.ods"_s);
    return 0;
}
