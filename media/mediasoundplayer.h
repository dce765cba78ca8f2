#pragma once
#include "media/soundplayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QMutex>
#include <QThread>
#include <memory>
#include <vector>

// One voice: one file at a time, played once at half volume. Each file gets a
// media player of its own that is kept for the next time: starting the file
// again rewinds its player onto a new audio stream, and silencing it pauses
// it. Building a player, or
// tearing one down, waits until GStreamer has set up or closed the pipeline
// and its audio stream (up to half a second); that happens only for a file
// not played before, a file played to its end, a file changed on disk, or
// the oldest of more than kKeptFiles files. A file that is missing or cannot
// be decoded is simply not heard: errors of the players are not reported to
// anybody. A voice's players are made, used and destroyed on one thread.
class MediaVoice {
public:
    static constexpr int kKeptFiles = 3;

    MediaVoice();
    ~MediaVoice();
    MediaVoice(const MediaVoice &) = delete;
    MediaVoice &operator=(const MediaVoice &) = delete;

    // Silences the file that sounds and starts the given one from its
    // beginning, also when it was playing already. An empty path or a path
    // that is not a file only silences.
    void play(const QString &path);
    // Silences the file that sounds, at once.
    void stop() { play(QString()); }
    // The player of the file started last (also once silenced); nullptr
    // before the first file.
    QMediaPlayer *player() const;
    // How many files have a player kept.
    int keptFiles() const { return static_cast<int>(m_tracks.size()); }

private:
    struct Track;
    std::vector<std::unique_ptr<Track>> m_tracks; // the file started last first
    bool m_sounding = false; // the first track was started and not silenced
};

// The sound layer of the program on Qt Multimedia: the music and the effects
// sound at the same time on two voices that live on a thread of their own.
// The three calls only note what is asked and return; the sound thread then
// carries out the latest request of each voice (an effect started and stopped
// before the thread got to it is not heard at all, as with the original
// player, where a file opened and closed at once made no sound).
class MediaSoundPlayer : public SoundPlayer {
public:
    MediaSoundPlayer();
    ~MediaSoundPlayer() override;
    MediaSoundPlayer(const MediaSoundPlayer &) = delete;
    MediaSoundPlayer &operator=(const MediaSoundPlayer &) = delete;

    void playMusic(const QString &path) override;
    void playEffect(const QString &path) override;
    void stopEffect() override;

    // What a voice's player reports, read on the sound thread after it has
    // carried out every call made before; for tests and benchmarks.
    struct VoiceState {
        QString file; // the file started last; empty when none
        QMediaPlayer::PlaybackState playback = QMediaPlayer::StoppedState;
        QMediaPlayer::MediaStatus status = QMediaPlayer::NoMedia;
        QMediaPlayer::Error error = QMediaPlayer::NoError;
        qint64 position = 0;
        qint64 duration = 0;
        float volume = 0;
        int keptFiles = 0;
    };
    VoiceState musicState() const;
    VoiceState effectState() const;

private:
    // The latest request for a voice: a file to start (empty: silence), and
    // a serial number that tells a new request for the same file from the
    // one already carried out.
    struct Request {
        QString path;
        quint64 serial = 0;
    };
    struct Voices;

    void request(Request &voice, const QString &path);
    void carryOut(); // on the sound thread
    VoiceState stateOf(MediaVoice Voices::*voice) const;

    QThread m_thread;
    std::unique_ptr<QObject> m_context; // lives on the sound thread; calls are queued to it
    std::unique_ptr<Voices> m_voices; // made, used and destroyed on the sound thread
    mutable QMutex m_mutex; // guards the requests and m_queued
    Request m_music;
    Request m_effect;
    bool m_queued = false;
    quint64 m_musicDone = 0; // sound thread only
    quint64 m_effectDone = 0; // sound thread only
};

// Chooses Qt Multimedia's GStreamer backend unless QT_MEDIA_BACKEND says
// otherwise: the FFmpeg backend of Qt 6.4 crashes on machines without an audio
// device. Call before the application object is created.
void preferGStreamerBackend();
