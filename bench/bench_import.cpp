// Imports a 65,536-row workbook and a 100,000-row text file into fresh
// databases, with a status line and a progress bar updated per row and events
// handled as on the settings screen, and prints rows per second.
#include "admin/rosterimport.h"
#include "sheets/rosterreader.h"
#include "base/pacer.h"
#include "store/database.h"
#include "store/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

void importOnce(const QString &label, const QString &path, const QString &dbPath)
{
    if (const QString error = createEmptyDatabase(dbPath); !error.isEmpty()) {
        std::printf("%s: %s\n", qPrintable(label), qPrintable(error));
        return;
    }
    Database db(u"bench-"_s + label);
    db.open(dbPath);
    QLabel status;
    QProgressBar progress;
    status.show();
    progress.show();
    RealPacer pacer;
    RosterImport import(db, pacer);
    QString lastStatus;
    int lastProgress = 0;
    import.onRow = [&](int, const QString &text, int value) {
        lastStatus = text;
        lastProgress = value;
    };
    import.beforePump = [&] {
        status.setText(lastStatus);
        progress.setValue(lastProgress);
    };

    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    const auto reader = RosterReader::open(path);
    const qint64 readMs = timer.elapsed();
    const auto result = import.run(*reader);
    status.setText(u"导入员工资料完成"_s);
    progress.setValue(100);
    pacer.pump();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    // On a shared machine the processor time tells more than the clock.
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("%-5s %7d rows in %.2f s, %.2f s of processor time (file read %lld ms): %.0f rows/s\n", qPrintable(label),
                result.imported, seconds, cpu, static_cast<long long>(readMs), result.imported / seconds);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    // The sample writer lives in the sources; a build folder inside them finds it by itself.
    QString source = qEnvironmentVariable("PRIZEDRAW_SOURCE_DIR");
    if (source.isEmpty())
        source = QCoreApplication::applicationDirPath() + u"/../.."_s;

    QProcess make;
    make.start(u"/usr/bin/python3"_s, {source + u"/tests/import/make_xlwt.py"_s, dir.path(), u"65536"_s});
    if (make.waitForFinished(300000) && make.exitCode() == 0)
        importOnce(u"xls"_s, dir.path() + u"/xlwt_large.xls"_s, dir.path() + u"/xls.dll"_s);
    else
        std::printf("xls: python3-xlwt is needed to write the workbook\n");

    QFile text(dir.path() + u"/large.txt"_s);
    if (text.open(QIODevice::WriteOnly)) {
        for (int i = 0; i < 100000; ++i)
            text.write(u"第%1工厂\t部门%2\t员工%3\t%4\r\n"_s.arg(i % 7 + 1).arg(i % 31).arg(i).arg(100000 + i).toUtf8());
        text.close();
        importOnce(u"txt"_s, text.fileName(), dir.path() + u"/txt.dll"_s);
    }
    return 0;
}
