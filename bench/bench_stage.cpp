// Processor time of the main screen while its digits roll, on a 1024 x 768
// screen and on larger ones, side by side. The roll shows a new code on the
// six digits and the winner line every 50 ms, as the draw does; the figure is
// the program's processor time per second of rolling (offscreen platform, so
// painting is counted and the display server's share is not). Each screen
// size runs in a child process of its own, whose offscreen platform has one
// screen of that size (a configuration file) and the stage policy's scale.
// Goal: 4K at most a few times 1024 x 768.
//
// Each size runs twice: with the delivered artwork, and with the operator's
// pictures at their worst (an 8000 x 8000 JPEG background, a 40 MB PNG as
// logo and prize picture, a photo for every winner). Beside the roll it
// prints the time of a press of twenty winners put on the board and painted
// (the first press at a size scales the photos; later ones find them
// cached). Goal: with pictures within 10 % of the figures without.
//
// Last, the 1920 x 1080 stage beside a 1366 x 768 laptop twice: alone, and
// with the operator's console open on the laptop, its live picture of the
// stage taken a few times a second (median of five runs of each). Goal: with the console within 10 % of the
// stage alone.
#include "base/counterrandom.h"
#include "base/dialogs.h"
#include "base/pacer.h"
#include "base/settings.h"
#include "media/soundplayer.h"
#include "store/database.h"
#include "store/schema.h"
#include "ui/common/stagepolicy.h"
#include "ui/console/operatorconsole.h"
#include "ui/main/startfrm.h"
#include "media/picturecache.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <map>
#include <algorithm>
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
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString openFolderName(QWidget *, const QString &) override { return {}; }
    int runModal(QDialog &) override { return 0; }
    void reportError(QWidget *, const QString &) override {}
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

// The operator's pictures at their worst, in a data folder of their own.
bool makePictures(const QString &folder)
{
    QDir().mkpath(folder + u"pictures"_s);
    QDir().mkpath(folder + u"photos"_s);
    {
        // Smooth areas and edges, as a photograph of a hall has.
        QImage background(8000, 8000, QImage::Format_RGB32);
        for (int y = 0; y < background.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(background.scanLine(y));
            for (int x = 0; x < background.width(); ++x)
                line[x] = qRgb(x / 32 % 256, y / 32 % 256, ((x / 400 + y / 400) % 2) * 200);
        }
        if (!background.save(folder + u"pictures/background.jpg"_s, "JPEG", 90))
            return false;
    }
    // Noise does not compress: about 40 MB as PNG.
    QImage noise(3700, 3700, QImage::Format_RGB888);
    auto *random = QRandomGenerator::global();
    for (int y = 0; y < noise.height(); ++y)
        random->fillRange(reinterpret_cast<quint32 *>(noise.scanLine(y)), noise.bytesPerLine() / 4);
    if (!noise.save(folder + u"pictures/logo.png"_s, "PNG", 0))
        return false;
    QFile::copy(folder + u"pictures/logo.png"_s, folder + u"pictures/prize-1.png"_s);
    QImage photo(600, 800, QImage::Format_RGB32);
    photo.fill(QColor(0x40, 0x80, 0x40));
    for (int n = 1; n <= 20; ++n)
        if (!photo.save(folder + u"photos/%1.jpg"_s.arg(100000 + n), "JPEG", 90))
            return false;
    return true;
}

// One screen size: prints "cpu-ms-per-second steps scale first-press-ms later-press-ms decoded scaled
// cache-MB".
// `beside`: a 1366 x 768 laptop (the primary) beside the stage's screen;
// `withConsole`: the operator's console open on it.
int child(int argc, char **argv, const QSize &screen, const QString &pictures, bool beside, bool withConsole)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(u"screen.json"_s));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    const QString laptop = beside ? uR"({"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}, )"_s
                                  : QString();
    config.write(QStringLiteral(R"({"screens": [%3{"name": "stage", "x": %4, "y": 0, "width": %1, "height": %2,
        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(screen.width())
                     .arg(screen.height())
                     .arg(laptop)
                     .arg(beside ? 1366 : 0)
                     .toUtf8());
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    StagePolicy policy;
    const QString data = pictures.isEmpty() ? dir.path() + u'/' : pictures;
    // Three prize items: item 1 current, with its picture.
    if (!QFile::exists(data + u"config.dll"_s) && !createDemoDatabase(data + u"config.dll"_s).isEmpty())
        return 1;
    if (!pictures.isEmpty()) {
        Settings look;
        look.stageBackground = u"background.jpg"_s;
        look.stageLogo = u"logo.png"_s;
        look.showPhotos = true;
        look.ATltle = u"年会"_s;
        SaveSettings(data, look);
    }
    Database db;
    SilentDialogs dialogs;
    RealPacer pacer;
    SilentSound sound;
    CounterRandom random;
    Settings settings;

    TStartFrm frm(Folders::portable(data), settings, db, dialogs, pacer, random, sound);
    frm.LoadDrawData();
    policy.showStage(&frm);
    std::unique_ptr<OperatorConsole> console;
    if (withConsole) {
        console = std::make_unique<OperatorConsole>(frm, db, dialogs, pacer, Folders::portable(data));
        policy.showConsole(console.get());
    }
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
    // The console hears that the digits roll, as in a press.
    Q_EMIT frm.pressStateChanged(PressState::Rolling);
    const double cpuStart = processCpuMs();
    QElapsedTimer wall;
    wall.start();
    roll.start();
    QTimer::singleShot(kRollMs, &app, &QApplication::quit);
    app.exec();
    const double seconds = wall.elapsed() / 1000.0;
    const double cpu = (processCpuMs() - cpuStart) / seconds;
    Q_EMIT frm.pressStateChanged(PressState::Idle);

    // Presses of twenty: every winner's label (with the photo) and the
    // board painted, as the draw shows them, without the pauses.
    double pressMs[4] = {};
    const int decodesBefore = frm.pictures().decodes();
    const int scalingsBefore = frm.pictures().scalings();
    for (double &ms : pressMs) {
        frm.ClearBoard();
        frm.repaint();
        QElapsedTimer press;
        press.start();
        for (int n = 1; n <= 20; ++n) {
            const QString code = QString::number(100000 + n);
            frm.ShowCandidate(code, u"(第2分厂有限公司)员工"_s + code);
            frm.AddBoardLabel(code, u"员工"_s + code, u"第2分厂有限公司"_s, n);
            frm.repaint();
        }
        ms = press.nsecsElapsed() / 1e6;
    }
    std::printf("%.1f %d %.5f %.1f %.1f %d %d %.0f\n", cpu, steps, frm.devicePixelRatioF(), pressMs[0],
                (pressMs[1] + pressMs[2] + pressMs[3]) / 3, frm.pictures().decodes() - decodesBefore,
                frm.pictures().scalings() - scalingsBefore, frm.pictures().bytesHeld() / 1e6);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if ((argc == 3 || argc == 4 || argc == 5) && qstrcmp(argv[1], "--screen") == 0) {
        const QList<QByteArray> size = QByteArray(argv[2]).split('x');
        const bool withConsole = argc == 5 && qstrcmp(argv[4], "console") == 0;
        return child(1, argv, QSize(size.value(0).toInt(), size.value(1).toInt()),
                     argc >= 4 ? QString::fromLocal8Bit(argv[3]) : QString(), argc == 5, withConsole);
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir pictures;
    const QString folder = pictures.path() + u'/';
    QElapsedTimer making;
    making.start();
    if (!makePictures(folder)) {
        std::printf("cannot write the pictures in %s\n", qPrintable(folder));
        return 1;
    }
    std::printf("pictures: background.jpg 8000 x 8000 (%.1f MB), logo.png and prize-1.png (%.1f MB each), "
                "20 photos; made in %.1f s\n",
                QFileInfo(folder + u"pictures/background.jpg"_s).size() / 1e6,
                QFileInfo(folder + u"pictures/logo.png"_s).size() / 1e6, making.elapsed() / 1000.0);
    const QStringList screens{u"1024x768"_s, u"1920x1080"_s, u"3840x2160"_s};
    std::printf("processor time per second of rolling digits (%d ms steps, offscreen platform) and the time of a "
                "press of 20 winners put on the board and painted\n",
                kStepMs);
    std::printf("%-10s %-9s %8s %18s %6s %10s %10s\n", "screen", "look", "scale", "cpu ms/s (% core)", "steps",
                "press 1st", "press ms");
    auto run = [](const QString &screen, const QString &data, QList<QByteArray> &figures, const QString &mode = {}) {
        QProcess child;
        QStringList arguments{u"--screen"_s, screen};
        if (!data.isEmpty() || !mode.isEmpty())
            arguments << data;
        if (!mode.isEmpty())
            arguments << mode;
        child.start(QCoreApplication::applicationFilePath(), arguments);
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            std::printf("%-10s failed: %s\n", qPrintable(screen), child.readAllStandardError().constData());
            return false;
        }
        figures = child.readAllStandardOutput().trimmed().split('\n').constLast().split(' ');
        return true;
    };
    double base = 0;
    for (const QString &screen : screens) {
        double plainCpu = 0;
        double plainPress = 0;
        for (const QString &data : {QString(), folder}) {
            QList<QByteArray> figures;
            if (!run(screen, data, figures))
                return 1;
            const double cpu = figures.value(0).toDouble();
            const double press = figures.value(4).toDouble();
            if (base == 0)
                base = cpu;
            std::printf("%-10s %-9s %8.4f %10.1f (%4.1f%%) %6s %10.1f %10.1f", qPrintable(screen),
                        data.isEmpty() ? "delivered" : "pictures", figures.value(2).toDouble(), cpu, cpu / 10,
                        figures.value(1).constData(), figures.value(3).toDouble(), press);
            if (data.isEmpty()) {
                plainCpu = cpu;
                plainPress = press;
                std::printf("   x%.1f of 1024x768\n", base > 0 ? cpu / base : 0);
            } else {
                std::printf("   roll %+.0f %%, press %+.0f %% of the delivered look; in the presses %s decoded, "
                            "%s scaled; cache %s MB\n",
                            plainCpu > 0 ? (cpu / plainCpu - 1) * 100 : 0,
                            plainPress > 0 ? (press / plainPress - 1) * 100 : 0, figures.value(5).constData(),
                            figures.value(6).constData(), figures.value(7).constData());
            }
        }
    }
    // The stage on a projector beside the laptop, without and with the console.
    // Per step as well: a loaded machine fits fewer 50 ms steps in a second.
    // Five runs of each, taken in turns, and their medians: one three-second
    // roll varies by a tenth from run to run.
    double alone = 0;
    double alonePerStep = 0;
    constexpr int kTurns = 5;
    std::map<QString, std::vector<std::pair<double, QList<QByteArray>>>> runs;
    for (int turn = 0; turn < kTurns; ++turn) {
        for (const QString &mode : {u"stage"_s, u"console"_s}) {
            QList<QByteArray> figures;
            if (!run(u"1920x1080"_s, QString(), figures, mode))
                return 1;
            runs[mode].push_back({figures.value(0).toDouble(), figures});
        }
    }
    for (const QString &mode : {u"stage"_s, u"console"_s}) {
        std::vector<std::pair<double, QList<QByteArray>>> &all = runs[mode];
        std::sort(all.begin(), all.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        const QList<QByteArray> figures = all[all.size() / 2].second;
        const double cpu = figures.value(0).toDouble();
        const double perStep = cpu / std::max(1, figures.value(1).toInt());
        if (alone == 0) {
            alone = cpu;
            alonePerStep = perStep;
        }
        const QString compared = mode == u"console"_s
                                     ? u", roll %1 % of the stage alone (per step %2 %)"_s
                                           .arg(alone > 0 ? (cpu / alone - 1) * 100 : 0, 0, 'f', 0)
                                           .arg(alonePerStep > 0 ? (perStep / alonePerStep - 1) * 100 : 0, 0, 'f', 0)
                                     : QString();
        std::printf("%-10s %-9s %8.4f %10.1f (%4.1f%%) %6s beside a 1366x768 laptop%s\n", "1920x1080", qPrintable(mode),
                    figures.value(2).toDouble(), cpu, cpu / 10, figures.value(1).constData(), qPrintable(compared));
    }
    return 0;
}
