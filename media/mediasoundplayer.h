#pragma once
#include "media/soundplayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>

// One voice: a media player with an audio output of its own, at half volume.
// A file that is missing or cannot be decoded is simply not heard: errors of
// the player are not reported to anybody.
class MediaVoice {
public:
    MediaVoice();
    // Starts the file from its beginning, also when it was playing already.
    void play(const QString &path);
    void stop();
    QMediaPlayer &player() { return m_player; }

private:
    QAudioOutput m_output;
    QMediaPlayer m_player;
};

// The sound layer of the program on Qt Multimedia: the music and the effects
// sound at the same time on two independent voices.
class MediaSoundPlayer : public SoundPlayer {
public:
    void playMusic(const QString &path) override;
    void playEffect(const QString &path) override;
    void stopEffect() override;

    MediaVoice MusicPlayer;
    MediaVoice EffectPlayer;
};

// Chooses Qt Multimedia's GStreamer backend unless QT_MEDIA_BACKEND says
// otherwise: the FFmpeg backend of Qt 6.4 crashes on machines without an audio
// device. Call before the application object is created.
void preferGStreamerBackend();
