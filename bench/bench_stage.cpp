// Processor time of the main screen while its digits roll, on a 1024 x 768
// screen and on larger ones, side by side. The roll shows a new code on the
// six digits and the winner line every 50 ms, as the draw does; the figure is
// the program's processor time per second of rolling (offscreen platform, so
// painting is counted and the display server's share is not). Each screen
// size runs in a child process of its own, whose offscreen platform has one
// screen of that size (a configuration file) and the stage policy's scale.
// Goal: 4K at most a few times 1024 x 768.
#include "base/counterrandom.h"
#include "base/dialogs.h"
#include "base/pacer.h"
#include "base/settings.h"
#include "media/soundplayer.h"
#include "store/database.h"
#include "store/schema.h"
#include "ui/common/stagepolicy.h"
#include "ui/main/startfrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRollMs = 3000;
constexpr int kStepMs = 50;

class SilentDialogs : public Dialogs {
public:
    void notify(QWidget *, const QString &, const QString &, Icon) override {}
    bool ask(QWidget *, const QString &, const QString &, Icon, Buttons) override { return false; }
    int choose(QWidget *, const QString &, const QString &, Icon, const QStringList &c) override
    {
        return static_cast<int>(c.size()) - 1;
    }
    QString inputText(QWidget *, const QString &, const QString &, bool) override { return {}; }
    QString openFileName(QWidget *, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QString openFolderName(QWidget *, const QString &) override { return {}; }
    int runModal(QDialog &) override { return 0; }
    void reportError(const QString &) override {}
};

class SilentSound : public SoundPlayer {
public:
    void playMusic(const QString &) override {}
    void playEffect(const QString &) override {}
    void stopEffect() override {}
};

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// One screen size: prints "cpu-ms-per-second paints".
int child(int argc, char **argv, const QSize &screen)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(u"screen.json"_s));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(QStringLiteral(R"({"screens": [{"name": "stage", "x": 0, "y": 0, "width": %1, "height": %2,
        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(screen.width())
                     .arg(screen.height())
                     .toUtf8());
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    StagePolicy policy;
    if (!createEmptyDatabase(dir.filePath(u"config.dll"_s)).isEmpty())
        return 1;
    Database db;
    SilentDialogs dialogs;
    RealPacer pacer;
    SilentSound sound;
    CounterRandom random;
    Settings settings;

    TStartFrm frm(Folders::portable(dir.path() + u'/'), settings, db, dialogs, pacer, random, sound);
    frm.LoadDrawData();
    policy.showStage(&frm);
    // The first paint of every layer at this size is not part of the roll.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    int steps = 0;
    QTimer roll;
    roll.setInterval(kStepMs);
    QObject::connect(&roll, &QTimer::timeout, &frm, [&] {
        const QString code = QString::number(QRandomGenerator::global()->bounded(100000, 999999));
        frm.ShowCandidate(code, u"(第2分厂有限公司)员工"_s + code);
        ++steps;
    });
    const double cpuStart = processCpuMs();
    QElapsedTimer wall;
    wall.start();
    roll.start();
    QTimer::singleShot(kRollMs, &app, &QApplication::quit);
    app.exec();
    const double seconds = wall.elapsed() / 1000.0;
    std::printf("%.1f %d %.5f\n", (processCpuMs() - cpuStart) / seconds, steps, frm.devicePixelRatioF());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--screen") == 0) {
        const QList<QByteArray> size = QByteArray(argv[2]).split('x');
        return child(1, argv, QSize(size.value(0).toInt(), size.value(1).toInt()));
    }
    QCoreApplication app(argc, argv);
    const QStringList screens{u"1024x768"_s, u"1920x1080"_s, u"3840x2160"_s};
    std::printf("processor time per second of rolling digits (%d ms steps, offscreen platform)\n", kStepMs);
    std::printf("%-12s %8s %18s %8s\n", "screen", "scale", "cpu ms/s (% core)", "steps");
    double base = 0;
    for (const QString &screen : screens) {
        QProcess run;
        run.start(QCoreApplication::applicationFilePath(), {u"--screen"_s, screen});
        if (!run.waitForFinished(60000) || run.exitCode() != 0) {
            std::printf("%-12s failed: %s\n", qPrintable(screen), run.readAllStandardError().constData());
            return 1;
        }
        const QList<QByteArray> figures = run.readAllStandardOutput().trimmed().split('\n').constLast().split(' ');
        const double cpu = figures.value(0).toDouble();
        if (base == 0)
            base = cpu;
        std::printf("%-12s %8.4f %10.1f (%4.1f%%) %8s   x%.1f of 1024x768\n", qPrintable(screen),
                    figures.value(2).toDouble(), cpu, cpu / 10, figures.value(1).constData(),
                    base > 0 ? cpu / base : 0);
    }
    return 0;
}
