// How long the three sound operations take to return (they must not wait for
// a sound). Plays the delivered files from build/bin; prints milliseconds.
#include "media/mediasoundplayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    std::vector<double> ms;
    void print(const char *what) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            for (double v : ms)
                std::printf("%.1f ", v);
        std::printf("%-28s median %7.2f ms   max %7.2f ms   (%zu calls)\n", what, sorted[sorted.size() / 2],
                    sorted.back(), sorted.size());
    }
};

template <typename F> double timed(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    preferGStreamerBackend();
    QApplication app(argc, argv);
    const QString bin = qEnvironmentVariable("PRIZEDRAW_BIN_DIR", QStringLiteral(PRIZEDRAW_BENCH_BIN_DIR)) + u'/';
    MediaSoundPlayer sound;
    Figures music, effect, stop;
    int round = 0;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, [&] {
        if (round++ == 20) {
            app.quit();
            return;
        }
        music.ms.push_back(timed([&] { sound.playMusic(bin + QStringLiteral("back.wma")); }));
        effect.ms.push_back(timed([&] { sound.playEffect(bin + QStringLiteral("begin.wav")); }));
        stop.ms.push_back(timed([&] { sound.stopEffect(); }));
    });
    step.start(200); // let the pipelines run between the calls, as in a press
    app.exec();
    music.print("StartBackgroundMusic");
    effect.print("PlayEffect");
    stop.print("StopEffect");
    return 0;
}
