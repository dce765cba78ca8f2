// Qt Multimedia really decodes the delivered sounds and the formats offered
// for the music, on the sound thread; the two voices play independently; a
// file starts again from its beginning however its player was left; files
// that cannot be played are silent. (That no call waits is shown by
// bench_sound; that the sound is heard, by test_sound_heard.sh.)
#include "media/mediasoundplayer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using State = MediaSoundPlayer::VoiceState;

bool isDecoding(const State &s)
{
    const bool loaded = s.status == QMediaPlayer::LoadedMedia || s.status == QMediaPlayer::BufferingMedia
                        || s.status == QMediaPlayer::BufferedMedia || s.status == QMediaPlayer::EndOfMedia;
    return loaded && s.duration > 0;
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

    // Encodes a tone into the temporary folder.
    QString makeFile(const QString &name, const QStringList &codecArgs, double seconds = 2)
    {
        const QString out = m_dir.filePath(name);
        QStringList args{u"-v"_s,
                         u"error"_s,
                         u"-y"_s,
                         u"-f"_s,
                         u"lavfi"_s,
                         u"-i"_s,
                         u"sine=frequency=660:duration="_s + QString::number(seconds)};
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
        if (!QMediaPlayer().isAvailable())
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
        MediaSoundPlayer sound;
        sound.playMusic(path);
        QTRY_VERIFY2_WITH_TIMEOUT(isDecoding(sound.musicState()) || sound.musicState().error != QMediaPlayer::NoError,
                                  "no loaded state with a duration", 15000);
        const State s = sound.musicState();
        QCOMPARE(s.error, QMediaPlayer::NoError);
        QCOMPARE(s.file, QFileInfo(path).absoluteFilePath());
        QCOMPARE(s.playback, QMediaPlayer::PlayingState);
        QCOMPARE(s.volume, 0.5f);
        // The position moves only when the decoder really delivers sound.
        QTRY_VERIFY_WITH_TIMEOUT(sound.musicState().position > 0, 15000);
        QCOMPARE(sound.effectState().file, QString());
    }

    void voicesAreIndependent()
    {
        MediaSoundPlayer sound;
        sound.playMusic(deliveredFile(u"back.wma"_s));
        sound.playEffect(deliveredFile(u"begin.wav"_s));
        QTRY_VERIFY_WITH_TIMEOUT(isDecoding(sound.musicState()) && isDecoding(sound.effectState()), 15000);
        QCOMPARE(sound.musicState().playback, QMediaPlayer::PlayingState);
        QCOMPARE(sound.effectState().playback, QMediaPlayer::PlayingState);

        sound.stopEffect();
        QVERIFY(sound.effectState().playback != QMediaPlayer::PlayingState);
        QCOMPARE(sound.musicState().playback, QMediaPlayer::PlayingState);

        // The next effect cuts off the one that plays; the music goes on.
        sound.playEffect(deliveredFile(u"end.wav"_s));
        QTRY_VERIFY_WITH_TIMEOUT(isDecoding(sound.effectState()), 15000);
        QVERIFY(sound.effectState().file.endsWith(u"end.wav"_s));
        QCOMPARE(sound.effectState().playback, QMediaPlayer::PlayingState);
        QCOMPARE(sound.musicState().playback, QMediaPlayer::PlayingState);

        // Started and stopped before the sound thread got to it: not heard,
        // and the effect that played before is silenced as well.
        sound.playEffect(deliveredFile(u"begin.wav"_s));
        sound.stopEffect();
        QVERIFY(sound.effectState().playback != QMediaPlayer::PlayingState);
        QCOMPARE(sound.musicState().playback, QMediaPlayer::PlayingState);
    }

    // However a file's kept player was left (playing, silenced, at its end),
    // starting the file again plays it from its beginning.
    void startsAgainFromItsBeginning_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("stopFirst");
        QTest::addColumn<bool>("toTheEnd");
        QTest::newRow("music while it plays") << deliveredFile(u"back.wma"_s) << false << false;
        QTest::newRow("effect after StopEffect") << deliveredFile(u"begin.wav"_s) << true << false;
        if (m_ffmpeg.isEmpty())
            return;
        QTest::newRow("music after its end") << makeFile(u"short.wma"_s, {u"-c:a"_s, u"wmav2"_s}, 0.6) << false << true;
        QTest::newRow("effect after its end")
            << makeFile(u"short.wav"_s, {u"-c:a"_s, u"pcm_s16le"_s}, 0.6) << false << true;
    }

    void startsAgainFromItsBeginning()
    {
        QFETCH(QString, path);
        QFETCH(bool, stopFirst);
        QFETCH(bool, toTheEnd);
        QVERIFY2(!path.isEmpty(), "ffmpeg could not make the sample file");
        MediaSoundPlayer sound;
        const auto play = [&] { path.endsWith(u".wma"_s) ? sound.playMusic(path) : sound.playEffect(path); };
        const auto state = [&] { return path.endsWith(u".wma"_s) ? sound.musicState() : sound.effectState(); };
        play();
        QTRY_VERIFY_WITH_TIMEOUT(state().position > 300, 15000);
        if (stopFirst)
            sound.stopEffect();
        if (toTheEnd)
            QTRY_COMPARE_WITH_TIMEOUT(state().status, QMediaPlayer::EndOfMedia, 15000);
        const qint64 before = state().position;
        play();
        QVERIFY2(state().position < before - 200,
                 qPrintable(u"at %1 ms before, %2 ms after"_s.arg(before).arg(state().position)));
        QVERIFY(state().status != QMediaPlayer::EndOfMedia);
        QTRY_COMPARE_WITH_TIMEOUT(state().playback, QMediaPlayer::PlayingState, 15000);
        // The decoder delivers sound again: the position moves on from the beginning.
        const qint64 restarted = state().position;
        QTRY_VERIFY_WITH_TIMEOUT(state().position > restarted + 100, 15000);
        QCOMPARE(state().keptFiles, 1);
    }

    // A file written again while the program runs is played as it is now;
    // no more than a few players are kept per voice.
    void playersFollowTheFiles()
    {
        if (m_ffmpeg.isEmpty())
            QSKIP("ffmpeg is needed to make the sample files");
        MediaSoundPlayer sound;
        const QString path = makeFile(u"changing.wav"_s, {u"-c:a"_s, u"pcm_s16le"_s}, 1);
        sound.playEffect(path);
        QTRY_VERIFY_WITH_TIMEOUT(isDecoding(sound.effectState()), 15000);
        QVERIFY(qAbs(sound.effectState().duration - 1000) < 100);
        QVERIFY(!makeFile(u"changing.wav"_s, {u"-c:a"_s, u"pcm_s16le"_s}, 3).isEmpty());
        sound.playEffect(path);
        QTRY_VERIFY_WITH_TIMEOUT(isDecoding(sound.effectState()) && sound.effectState().duration > 2000, 15000);

        for (int i = 0; i < MediaVoice::kKeptFiles + 2; ++i)
            sound.playEffect(makeFile(u"tone%1.wav"_s.arg(i), {u"-c:a"_s, u"pcm_s16le"_s}, 0.3));
        QCOMPARE(sound.effectState().keptFiles, MediaVoice::kKeptFiles);
        QVERIFY(sound.effectState().file.endsWith(u"tone%1.wav"_s.arg(MediaVoice::kKeptFiles + 1)));
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
        sound.playMusic(deliveredFile(u"back.wma"_s));
        QTRY_COMPARE_WITH_TIMEOUT(sound.musicState().playback, QMediaPlayer::PlayingState, 15000);
        // The music that played is silenced, and nothing is thrown or asked;
        // a file that cannot be decoded ends up stopped with an error that
        // nobody reports.
        sound.playMusic(path);
        sound.playEffect(path);
        sound.stopEffect();
        sound.playEffect(path);
        QTRY_VERIFY_WITH_TIMEOUT(sound.musicState().playback != QMediaPlayer::PlayingState
                                     || sound.musicState().error != QMediaPlayer::NoError,
                                 15000);
        QTRY_VERIFY_WITH_TIMEOUT(sound.effectState().playback != QMediaPlayer::PlayingState
                                     || sound.effectState().error != QMediaPlayer::NoError,
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
