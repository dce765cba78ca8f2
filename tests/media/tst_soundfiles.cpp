// Qt Multimedia really decodes the delivered sounds and the formats offered
// for the music, and the two voices play independently.
#include "media/mediasoundplayer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

bool isDecoding(QMediaPlayer &p)
{
    const auto s = p.mediaStatus();
    const bool loaded = s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::BufferingMedia
                        || s == QMediaPlayer::BufferedMedia || s == QMediaPlayer::EndOfMedia;
    return loaded && p.duration() > 0;
}

QString deliveredFile(const QString &name)
{
    return qEnvironmentVariable("PRIZEDRAW_SOURCE_DIR", QStringLiteral(PRIZEDRAW_SOURCE_DIR)) + u"/assets/delivered/"_s
           + name;
}

} // namespace

class TstSoundFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_ffmpeg;

    // Encodes two seconds of a tone into the temporary folder.
    QString makeFile(const QString &name, const QStringList &codecArgs)
    {
        const QString out = m_dir.filePath(name);
        QStringList args{
            u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s, u"sine=frequency=660:duration=2"_s};
        args << codecArgs << out;
        QProcess ffmpeg;
        ffmpeg.start(m_ffmpeg, args);
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            return {};
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        MediaVoice probe;
        if (!probe.player().isAvailable())
            QSKIP("no Qt Multimedia backend is available on this machine");
        m_ffmpeg = QStandardPaths::findExecutable(u"ffmpeg"_s);
    }

    void decodes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("delivered back.wma") << deliveredFile(u"back.wma"_s);
        QTest::newRow("delivered begin.wav") << deliveredFile(u"begin.wav"_s);
        QTest::newRow("delivered end.wav") << deliveredFile(u"end.wav"_s);
        if (m_ffmpeg.isEmpty())
            return;
        QTest::newRow("mp3") << makeFile(u"tone.mp3"_s, {u"-c:a"_s, u"libmp3lame"_s});
        QTest::newRow("wma") << makeFile(u"tone.wma"_s, {u"-c:a"_s, u"wmav2"_s});
        // A music file may also be the sound track of a video.
        QTest::newRow("avi sound track") << makeFile(
            u"clip.avi"_s, {u"-f"_s, u"lavfi"_s, u"-i"_s, u"testsrc=size=160x120:rate=10:duration=2"_s, u"-c:v"_s,
                            u"mpeg4"_s, u"-c:a"_s, u"libmp3lame"_s, u"-shortest"_s});
    }

    void decodes()
    {
        QFETCH(QString, path);
        QVERIFY2(!path.isEmpty(), "ffmpeg could not make the sample file");
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        MediaVoice voice;
        voice.play(path);
        QTRY_VERIFY2_WITH_TIMEOUT(isDecoding(voice.player()) || voice.player().error() != QMediaPlayer::NoError,
                                  "no loaded state with a duration", 15000);
        QCOMPARE(voice.player().errorString(), QString());
        QVERIFY(voice.player().duration() > 0);
        QCOMPARE(voice.player().playbackState(), QMediaPlayer::PlayingState);
        QCOMPARE(voice.player().audioOutput()->volume(), 0.5f);
        // The position moves only when the decoder really delivers sound.
        QTRY_VERIFY_WITH_TIMEOUT(voice.player().position() > 0, 15000);
    }

    void voicesAreIndependent()
    {
        MediaSoundPlayer sound;
        sound.playMusic(deliveredFile(u"back.wma"_s));
        sound.playEffect(deliveredFile(u"begin.wav"_s));
        QTRY_VERIFY_WITH_TIMEOUT(isDecoding(sound.MusicPlayer.player()) && isDecoding(sound.EffectPlayer.player()),
                                 15000);
        QCOMPARE(sound.MusicPlayer.player().playbackState(), QMediaPlayer::PlayingState);
        QCOMPARE(sound.EffectPlayer.player().playbackState(), QMediaPlayer::PlayingState);

        sound.stopEffect();
        QCOMPARE(sound.EffectPlayer.player().playbackState(), QMediaPlayer::StoppedState);
        QCOMPARE(sound.MusicPlayer.player().playbackState(), QMediaPlayer::PlayingState);

        // The next effect cuts off the one that plays; the music goes on.
        sound.playEffect(deliveredFile(u"end.wav"_s));
        QTRY_VERIFY_WITH_TIMEOUT(isDecoding(sound.EffectPlayer.player()), 15000);
        QVERIFY(sound.EffectPlayer.player().source().toLocalFile().endsWith(u"end.wav"_s));
        QCOMPARE(sound.MusicPlayer.player().playbackState(), QMediaPlayer::PlayingState);
    }

    void musicRestartsFromItsBeginning()
    {
        MediaSoundPlayer sound;
        const QString music = deliveredFile(u"back.wma"_s);
        sound.playMusic(music);
        QTRY_VERIFY_WITH_TIMEOUT(sound.MusicPlayer.player().position() > 300, 15000);
        const qint64 before = sound.MusicPlayer.player().position();
        sound.playMusic(music);
        QVERIFY(sound.MusicPlayer.player().position() < before);
        QTRY_COMPARE_WITH_TIMEOUT(sound.MusicPlayer.player().playbackState(), QMediaPlayer::PlayingState, 15000);
    }

    void unplayableFilesAreSilent_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << m_dir.filePath(u"nothing-here.wav"_s);
        QTest::newRow("empty path") << QString();
        QTest::newRow("folder") << m_dir.path();
        QFile junk(m_dir.filePath(u"junk.wma"_s));
        if (junk.open(QIODevice::WriteOnly))
            junk.write("this is not a sound file at all");
        QTest::newRow("not a sound") << junk.fileName();
    }

    void unplayableFilesAreSilent()
    {
        QFETCH(QString, path);
        MediaSoundPlayer sound;
        sound.playMusic(path);
        sound.playEffect(path);
        sound.stopEffect();
        // Nothing is thrown or asked; the music voice either never started or
        // ends up stopped with an error that nobody reports.
        QTRY_VERIFY_WITH_TIMEOUT(sound.MusicPlayer.player().playbackState() == QMediaPlayer::StoppedState
                                     || sound.MusicPlayer.player().error() != QMediaPlayer::NoError,
                                 15000);
    }
};

int main(int argc, char **argv)
{
    preferGStreamerBackend();
    QGuiApplication app(argc, argv);
    TstSoundFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_soundfiles.moc"
