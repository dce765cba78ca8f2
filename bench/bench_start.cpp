// Starts the real program on rosters of 400, 200,000 and 1,000,000 people and
// prints when its window was first painted and when the roster was ready,
// counted from the process's start, with its resident memory at each point.
// Runs offscreen, with no sound device needed; three runs each, min/median.
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    qint64 shownMs = -1, shownKb = -1, loadedMs = -1, loadedKb = -1;
};

// "window-shown 312 80120" lines of the report file.
Run readReport(const QString &path)
{
    Run run;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return run;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 3)
            continue;
        if (f[0] == "window-shown") {
            run.shownMs = f[1].toLongLong();
            run.shownKb = f[2].toLongLong();
        } else if (f[0] == "roster-loaded") {
            run.loadedMs = f[1].toLongLong();
            run.loadedKb = f[2].toLongLong();
        }
    }
    return run;
}

Run startOnce(const QString &program, const QString &folder)
{
    const QString report = folder + u"start-report.txt"_s;
    QFile::remove(report);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"PRIZEDRAW_START_REPORT"_s, report);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setProgram(program);
    process.start();
    QElapsedTimer waited;
    waited.start();
    Run run;
    while (waited.elapsed() < 60000) {
        run = readReport(report);
        if (run.loadedMs >= 0)
            break;
        QThread::msleep(20);
    }
    process.kill();
    process.waitForFinished();
    return run;
}

qint64 median(std::vector<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString bin = QStringLiteral(PRIZEDRAW_BENCH_BIN_DIR) + u'/';
    std::printf("people      window shown (min/median)   resident then   roster ready (min/median)   resident then\n");
    for (const int people : {400, 200000, 1000000}) {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        // A runtime folder of its own: the program finds everything beside itself.
        for (const QString &name : QDir(bin).entryList(QDir::Files))
            QFile::copy(bin + name, folder + name);
        if (const QString error = createDemoDatabase(folder + u"config.dll"_s, people); !error.isEmpty()) {
            std::printf("cannot make the database: %s\n", qPrintable(error));
            return 1;
        }
        std::vector<qint64> shown, loaded;
        Run last;
        for (int i = 0; i < 3; ++i) {
            last = startOnce(folder + u"prizedraw"_s, folder);
            shown.push_back(last.shownMs);
            loaded.push_back(last.loadedMs);
        }
        std::printf("%9d   %5lld / %5lld ms (goal 500)   %6lld MB        %5lld / %5lld ms             %6lld MB "
                    "(goal 200)\n",
                    people, static_cast<long long>(*std::min_element(shown.begin(), shown.end())),
                    static_cast<long long>(median(shown)), static_cast<long long>(last.shownKb / 1024),
                    static_cast<long long>(*std::min_element(loaded.begin(), loaded.end())),
                    static_cast<long long>(median(loaded)), static_cast<long long>(last.loadedKb / 1024));
    }
    return 0;
}
