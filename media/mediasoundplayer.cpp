#include "media/mediasoundplayer.h"

#include <QAudioDevice>
#include <QDateTime>
#include <QFileInfo>
#include <QMediaDevices>
#include <QUrl>
#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

struct MediaVoice::Track {
    explicit Track(const QFileInfo &file)
        : path(file.absoluteFilePath()), modified(file.lastModified()), size(file.size())
    {
        output.setVolume(0.5f);
        player.setAudioOutput(&output);
        player.setLoops(1);
        player.setSource(QUrl::fromLocalFile(path));
    }

    // A file replaced or rewritten since its player opened it gets a new player.
    bool isStill(const QFileInfo &file) const { return file.lastModified() == modified && file.size() == size; }

    const QString path;
    const QDateTime modified;
    const qint64 size;
    QAudioOutput output; // declared first: the player lets go of it when destroyed
    QMediaPlayer player;
};

MediaVoice::MediaVoice() = default;
MediaVoice::~MediaVoice() = default;

QMediaPlayer *MediaVoice::player() const { return m_tracks.empty() ? nullptr : &m_tracks.front()->player; }

void MediaVoice::play(const QString &path)
{
    // Pausing returns at once and the audio stream stops where it is; a
    // stopped player would first wait for its pipeline to settle.
    if (std::exchange(m_sounding, false) && m_tracks.front()->player.playbackState() == QMediaPlayer::PlayingState)
        m_tracks.front()->player.pause();
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile())
        return;

    const QString absolute = file.absoluteFilePath();
    const auto kept = std::find_if(m_tracks.begin(), m_tracks.end(),
                                   [&](const std::unique_ptr<Track> &t) { return t->path == absolute; });
    std::unique_ptr<Track> track;
    if (kept != m_tracks.end()) {
        track = std::move(*kept);
        m_tracks.erase(kept);
    }
    QMediaPlayer *p = track ? &track->player : nullptr;
    // A player at the end of its file is not started again: its audio stream
    // then stays silent (PulseAudio), also after a rewind. A player that
    // cannot rewind would play on from where it is.
    if (p
        && (!track->isStill(file) || p->mediaStatus() == QMediaPlayer::EndOfMedia
            || (p->duration() > 0 && p->position() >= p->duration() - 100)
            || (p->position() > 0 && !p->isSeekable()))) {
        track.reset();
        p = nullptr;
    }
    if (!track) {
        track = std::make_unique<Track>(file);
        p = &track->player;
    } else if (p->position() > 0) {
        // Rewound with the audio stream it had, the player often stays silent
        // (PulseAudio, seen on about every second restart): it gets a new
        // stream, which takes a few milliseconds, far less than a new player.
        p->pause();
        p->setAudioOutput(nullptr);
        p->setPosition(0);
        p->setAudioOutput(&track->output);
    }
    p->play();
    m_sounding = true;
    m_tracks.insert(m_tracks.begin(), std::move(track));
    if (m_tracks.size() > static_cast<size_t>(kKeptFiles))
        m_tracks.pop_back();
}

struct MediaSoundPlayer::Voices {
    MediaVoice MusicPlayer;
    MediaVoice EffectPlayer;
};

MediaSoundPlayer::MediaSoundPlayer() : m_context(std::make_unique<QObject>()), m_voices(std::make_unique<Voices>())
{
    // The backend and its list of audio devices are set up here, on the
    // application's thread, which outlives the sound thread.
    QMediaDevices::defaultAudioOutput();
    m_thread.setObjectName(u"sound"_s);
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

MediaSoundPlayer::~MediaSoundPlayer()
{
    // The players belong to the sound thread and are destroyed there.
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_voices.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void MediaSoundPlayer::playMusic(const QString &path) { request(m_music, path); }

void MediaSoundPlayer::playEffect(const QString &path) { request(m_effect, path); }

void MediaSoundPlayer::stopEffect() { request(m_effect, QString()); }

void MediaSoundPlayer::request(Request &voice, const QString &path)
{
    QMutexLocker lock(&m_mutex);
    voice.path = path;
    ++voice.serial;
    // One queued call carries out whatever has been asked until it runs.
    if (std::exchange(m_queued, true))
        return;
    lock.unlock();
    QMetaObject::invokeMethod(
        m_context.get(), [this] { carryOut(); }, Qt::QueuedConnection);
}

void MediaSoundPlayer::carryOut()
{
    QMutexLocker lock(&m_mutex);
    const Request music = m_music;
    const Request effect = m_effect;
    m_queued = false;
    lock.unlock();
    // The effect first: silencing it must not wait for a new music file to open.
    if (std::exchange(m_effectDone, effect.serial) != effect.serial)
        m_voices->EffectPlayer.play(effect.path);
    if (std::exchange(m_musicDone, music.serial) != music.serial)
        m_voices->MusicPlayer.play(music.path);
}

MediaSoundPlayer::VoiceState MediaSoundPlayer::stateOf(MediaVoice Voices::*voice) const
{
    VoiceState s;
    QMetaObject::invokeMethod(
        m_context.get(),
        [&] {
            const MediaVoice &v = m_voices.get()->*voice;
            s.keptFiles = v.keptFiles();
            if (const QMediaPlayer *p = v.player()) {
                s.file = p->source().toLocalFile();
                s.playback = p->playbackState();
                s.status = p->mediaStatus();
                s.error = p->error();
                s.position = p->position();
                s.duration = p->duration();
                s.volume = p->audioOutput()->volume();
            }
        },
        Qt::BlockingQueuedConnection);
    return s;
}

MediaSoundPlayer::VoiceState MediaSoundPlayer::musicState() const { return stateOf(&Voices::MusicPlayer); }

MediaSoundPlayer::VoiceState MediaSoundPlayer::effectState() const { return stateOf(&Voices::EffectPlayer); }

void preferGStreamerBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
}
