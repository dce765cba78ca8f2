#pragma once
#include <QString>

// The two voices of the main screen: background music and sound effects.
// Every call returns at once; playback runs by itself, once, at half volume;
// a file that cannot be played is silently not heard.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // (Re)starts the music file from its beginning.
    virtual void playMusic(const QString &path) = 0;
    // Ends the current effect and starts the given file.
    virtual void playEffect(const QString &path) = 0;
    // Ends the current effect.
    virtual void stopEffect() = 0;
};

// Plays nothing; for tools and benchmarks.
class SilentPlayer : public SoundPlayer {
public:
    void playMusic(const QString &) override {}
    void playEffect(const QString &) override {}
    void stopEffect() override {}
};
