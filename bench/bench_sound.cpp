// How long the three sound operations take to return (they must not wait for
// a sound), called in the order and at the pace of presses: the music
// restarts at each reload while it plays, "begin.wav" rolls, each winner
// restarts and stops it, "end.wav" closes the press. Plays the delivered files
// from build/bin on the default audio output; prints milliseconds.
#include "media/mediasoundplayer.h"

#include <QApplication>
#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
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
        std::printf("%-36s median %7.2f ms   max %7.2f ms   (%zu calls)\n", what, sorted[sorted.size() / 2],
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
    const QString music = bin + QStringLiteral("back.wma");
    const QString begin = bin + QStringLiteral("begin.wav");
    const QString end = bin + QStringLiteral("end.wav");
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    std::printf("audio output: %s\n",
                device.isNull() ? "none (the players decode without a device)" : qPrintable(device.description()));

    Figures created, musicCalls, effectCalls, stopCalls, stopDone;
    std::unique_ptr<MediaSoundPlayer> sound;
    created.ms.push_back(timed([&] { sound = std::make_unique<MediaSoundPlayer>(); }));

    // The steps of one press, each after the pause before it (milliseconds).
    std::vector<std::pair<int, std::function<void()>>> steps;
    const int presses =
        qEnvironmentVariableIntValue("BENCH_PRESSES") > 0 ? qEnvironmentVariableIntValue("BENCH_PRESSES") : 8;
    for (int press = 0; press < presses; ++press) {
        steps.emplace_back(300, [&] { musicCalls.ms.push_back(timed([&] { sound->playMusic(music); })); });
        steps.emplace_back(200, [&] { effectCalls.ms.push_back(timed([&] { sound->playEffect(begin); })); });
        for (int winner = 0; winner < 3; ++winner) {
            steps.emplace_back(winner == 0 ? 700 : 300, [&] {
                effectCalls.ms.push_back(timed([&] { sound->playEffect(begin); }));
                stopCalls.ms.push_back(timed([&] { sound->stopEffect(); }));
                // Until the sound thread has silenced the effect.
                stopDone.ms.push_back(timed([&] { sound->effectState(); }));
            });
        }
        steps.emplace_back(300, [&] { effectCalls.ms.push_back(timed([&] { sound->playEffect(end); })); });
    }
    size_t next = 0;
    std::function<void()> runNext = [&] {
        if (next == steps.size()) {
            app.quit();
            return;
        }
        const auto &[pause, step] = steps[next++];
        QTimer::singleShot(pause, &app, [&step, &runNext] {
            step();
            runNext();
        });
    };
    runNext();
    app.exec();
    Figures destroyed;
    destroyed.ms.push_back(timed([&] { sound.reset(); }));

    musicCalls.print("StartBackgroundMusic returns");
    effectCalls.print("PlayEffect returns");
    stopCalls.print("StopEffect returns");
    stopDone.print("StopEffect carried out (sound thread)");
    created.print("sound layer created (start-up)");
    destroyed.print("sound layer destroyed (exit)");
    return 0;
}
