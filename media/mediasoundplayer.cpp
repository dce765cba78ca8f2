#include "media/mediasoundplayer.h"

#include <QFileInfo>
#include <QUrl>

MediaVoice::MediaVoice()
{
    m_output.setVolume(0.5f);
    m_player.setAudioOutput(&m_output);
    m_player.setLoops(1);
}

void MediaVoice::play(const QString &path)
{
    // Dropping the source first makes a repeated path start over from its
    // beginning instead of being ignored as unchanged. (Dropping it tears the
    // pipeline down at once; QMediaPlayer::stop() may wait for it instead.)
    m_player.setSource(QUrl());
    if (!QFileInfo(path).isFile())
        return;
    m_player.setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_player.play();
}

void MediaVoice::stop() { m_player.setSource(QUrl()); }

void MediaSoundPlayer::playMusic(const QString &path) { MusicPlayer.play(path); }

void MediaSoundPlayer::playEffect(const QString &path) { EffectPlayer.play(path); }

void MediaSoundPlayer::stopEffect() { EffectPlayer.stop(); }

void preferGStreamerBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
}
