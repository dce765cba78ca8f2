// A person's photo is found by code, in the factory's own sub-folder first.
#include "media/photofolder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TstPhotoFolder : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_photos;

    void put(const QString &relative)
    {
        const QString path = QDir(m_photos).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path, QFileInfo(path).suffix().toLower() == u"png"_s ? "PNG" : "JPEG"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_photos = m_dir.filePath(u"photos"_s);
        put(u"1001.jpg"_s);
        put(u"1002.PNG"_s);
        put(u"1003.png"_s);
        put(u"1003.jpg"_s);
        put(u"0042.jpeg"_s);
        put(u"2001.jpg"_s); // the code repeats across factories
        put(u"第二厂/2001.png"_s);
        put(u"第三厂/3001.jpg"_s);
        QFile notes(QDir(m_photos).filePath(u"1004.txt"_s));
        QVERIFY(notes.open(QIODevice::WriteOnly));
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("factory");
        QTest::addColumn<QString>("found");
        QTest::addRow("by code") << u"1001"_s << u"第一厂"_s << u"1001.jpg"_s;
        QTest::addRow("suffix in capitals") << u"1002"_s << u"第一厂"_s << u"1002.PNG"_s;
        QTest::addRow("jpg before png") << u"1003"_s << u"第一厂"_s << u"1003.jpg"_s;
        QTest::addRow("leading zeros kept") << u"0042"_s << u""_s << u"0042.jpeg"_s;
        QTest::addRow("leading zeros not dropped") << u"42"_s << u""_s << QString();
        QTest::addRow("factory's own wins") << u"2001"_s << u"第二厂"_s << u"第二厂/2001.png"_s;
        QTest::addRow("other factory, same code") << u"2001"_s << u"第一厂"_s << u"2001.jpg"_s;
        QTest::addRow("only in a factory folder") << u"3001"_s << u"第三厂"_s << u"第三厂/3001.jpg"_s;
        QTest::addRow("another factory's photo is not taken") << u"3001"_s << u"第一厂"_s << QString();
        QTest::addRow("missing") << u"9999"_s << u"第一厂"_s << QString();
        QTest::addRow("not a photo's name") << u"1004"_s << u"第一厂"_s << QString();
        QTest::addRow("empty code") << u""_s << u""_s << QString();
    }
    void lookup()
    {
        QFETCH(QString, code);
        QFETCH(QString, factory);
        QFETCH(QString, found);
        const PhotoFolder photos(m_photos);
        QCOMPARE(photos.photoOf(code, factory), found.isEmpty() ? QString() : QDir(m_photos).filePath(found));
    }

    // Sub-folders are copied only where they name a factory of the roster:
    // the stage never looks in any other.
    void copyKeepsFactoryFoldersAndRefusesNonPictures()
    {
        const QString target = m_dir.filePath(u"copied"_s);
        QFile broken(QDir(m_photos).filePath(u"第二厂/2002.jpg"_s));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
        broken.close();
        const PhotoCopy copy = copyPhotos(m_photos, target, {u"第一厂"_s, u"第二厂"_s});
        QCOMPARE(copy.copied, 7);
        QCOMPARE(copy.copiedFiles.size(), 7);
        QVERIFY(copy.copiedFiles.contains(QDir(target).filePath(u"第二厂/2001.png"_s)));
        QCOMPARE(copy.skippedFolders, QStringList{u"第三厂"_s});
        QVERIFY(!QFileInfo::exists(QDir(target).filePath(u"第三厂"_s)));
        QCOMPARE(copy.refused.size(), 1);
        QVERIFY(copy.refused.first().contains(u"2002.jpg"_s));
        QVERIFY(copy.failed.isEmpty());
        const PhotoFolder photos(target);
        QCOMPARE(photos.photoOf(u"2001"_s, u"第二厂"_s), QDir(target).filePath(u"第二厂/2001.png"_s));
        QVERIFY(!QFile::exists(QDir(target).filePath(u"1004.txt"_s)));
        broken.remove();
    }

    // A copy is a file the program makes: under an installed program's
    // owner-only mask it is its owner's only, whatever the source allowed.
    void copiesTakeTheProgramsMode()
    {
        const QString target = m_dir.filePath(u"private"_s);
        const QString source = QDir(m_photos).filePath(u"1001.jpg"_s);
        QVERIFY(
            QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        const mode_t before = ::umask(077);
        const PhotoCopy copy = copyPhotos(m_photos, target, {u"第二厂"_s});
        const StoredPicture stored = storePicture(source, target, u"background"_s);
        ::umask(before);
        QVERIFY(stored.error.isEmpty());
        const QStringList made = copy.copiedFiles + QStringList{QDir(target).filePath(stored.fileName)};
        QVERIFY(made.size() > 2);
        for (const QString &file : made) {
            const QFile::Permissions others =
                QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
            QVERIFY2(!(QFileInfo(file).permissions() & others), qPrintable(file));
        }
    }
};

QTEST_GUILESS_MAIN(TstPhotoFolder)
#include "tst_photofolder.moc"
