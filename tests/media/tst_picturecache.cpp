// Pictures are input like any other: what is not a picture, is damaged or
// too large is refused with the file's name before it costs memory, and a
// good one is decoded once and scaled once per size.
#include "media/picturecache.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), length.data());
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(type + data), crc.data());
    return length + type + data + crc;
}

// A PNG header that claims a size no pixel data follows.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(width, ihdr.data());
    qToBigEndian<quint32>(height, ihdr.data() + 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 2; // RGB
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", QByteArray(16, '\0'))
           + pngChunk("IEND", {});
}

// Four upright bands: red, green, blue, yellow.
QImage bands(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, colours[x * 4 / width]);
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A progressive JPEG whose last scan is repeated: each repetition is a scan
// the decoder runs over the whole picture.
QByteArray jpegWithScans(int repeats)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(bands(64, 48));
    const qsizetype end = bytes.lastIndexOf("\xFF\xD9");
    const qsizetype lastScan = bytes.lastIndexOf("\xFF\xDA");
    const QByteArray scan = bytes.mid(lastScan, end - lastScan);
    return bytes.left(end) + scan.repeated(repeats) + bytes.mid(end);
}

} // namespace

class TstPictureCache : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        const QByteArray png = encoded(bands(64, 48), "PNG");
        QTest::addRow("text file named .jpg")
            << u"名单.jpg"_s << QByteArray("工号,姓名\r\n1001,张三\r\n") << u"不是图片"_s;
        QTest::addRow("empty file") << u"empty.png"_s << QByteArray() << u"不是图片"_s;
        QTest::addRow("truncated PNG") << u"cut.png"_s << png.left(png.size() / 2) << u"已损坏"_s;
        QTest::addRow("12000 x 9000 header") << u"camera.png"_s << pngHeaderOnly(12000, 9000) << u"太大"_s;
        QTest::addRow("missing file") << u""_s << QByteArray() << u"找不到"_s;
        // Minutes of decoding in a small file.
        QTest::addRow("JPEG of 150 scans") << u"scans.jpg"_s << jpegWithScans(150) << u"扫描层超过 100 层"_s;
        const QByteArray jpeg = encoded(bands(64, 48), "JPEG");
        // Cut in its last scan, which the decoder fills with grey and takes.
        QTest::addRow("truncated JPEG") << u"cut.jpg"_s << jpeg.left(jpeg.size() - 40) << u"文件不完整"_s;
    }

    // What cameras and editors write is read: a progressive JPEG of a few
    // scans, and a TIFF of 81 megapixels (which takes more than Qt's default
    // 256 MB to decode).
    void largeOrProgressivePicturesAreRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("progressive JPEG") << u"progressive.jpg"_s << jpegWithScans(2);
        QImage tiff(9000, 9000, QImage::Format_RGB32);
        tiff.fill(Qt::darkCyan);
        QTest::addRow("81-megapixel TIFF") << u"large.tif"_s << encoded(tiff, "TIFF");
    }
    void largeOrProgressivePicturesAreRead()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const PictureRead read = readPictureFile(write(name, bytes), {}, {400, 400});
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(!read.image.isNull());
    }

    // On the stage nothing waits for a picture: the first ask answers at
    // once with nothing, the picture is decoded on the cache's own thread,
    // decoded() says when it is there; a refusal comes the same way, and
    // asking again meanwhile does not decode twice. A screen reading a
    // picture away from its thread is called while it waits.
    void decodedElsewhere()
    {
        const QString good = write(u"away.jpg"_s, encoded(bands(400, 100), "JPEG"));
        const QString bad = write(u"away-bad.jpg"_s, "not a picture");
        PictureCache cache;
        cache.setDecodeElsewhere(true);
        QSignalSpy decoded(&cache, &PictureCache::decoded);
        QString error;
        QVERIFY(cache.scaled(good, {100, 50}, PictureCache::Fit::Cover, &error).isNull());
        QVERIFY(error.isEmpty());
        QVERIFY(cache.scaled(good, {100, 50}, PictureCache::Fit::Cover).isNull());
        QVERIFY(cache.scaled(bad, {100, 50}, PictureCache::Fit::Cover).isNull());
        QCOMPARE(cache.decodesPending(), 2);
        QTRY_COMPARE(cache.decodesPending(), 0);
        QCOMPARE(decoded.size(), 2);
        QCOMPARE(cache.scaled(good, {100, 50}, PictureCache::Fit::Cover).size(), QSize(100, 50));
        QVERIFY(cache.scaled(bad, {10, 10}, PictureCache::Fit::Inside, &error).isNull());
        QVERIFY2(error.contains(u"away-bad.jpg"_s), qPrintable(error));
        QCOMPARE(cache.decodes(), 2);

        int waited = 0;
        const PictureRead away = readPictureAway(good, [&waited] { ++waited; });
        QCOMPARE(away.image.size(), QSize(400, 100));
        QVERIFY(waited >= 0);
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        const QString path = name.isEmpty() ? m_dir.filePath(u"nowhere.jpg"_s) : write(name, bytes);
        const PictureRead read = readPictureFile(path);
        QVERIFY(read.image.isNull());
        QVERIFY2(read.error.contains(says), qPrintable(read.error));
        QVERIFY2(read.error.contains(QFileInfo(path).fileName()), qPrintable(read.error));

        // The cache keeps the refusal and does not read the file again.
        PictureCache cache;
        QString error;
        QVERIFY(cache.scaled(path, {100, 100}, PictureCache::Fit::Cover, &error).isNull());
        QCOMPARE(error, read.error);
        cache.scaled(path, {100, 100}, PictureCache::Fit::Cover, &error);
        cache.scaled(path, {50, 50}, PictureCache::Fit::Inside, &error);
        QCOMPARE(cache.decodes(), 1);
    }

    void decodedAndScaledOncePerSize()
    {
        const QString path = write(u"bands.jpg"_s, encoded(bands(400, 100), "JPEG"));
        PictureCache cache;
        const QImage covered = cache.scaled(path, {100, 100}, PictureCache::Fit::Cover);
        cache.scaled(path, {100, 100}, PictureCache::Fit::Cover);
        QCOMPARE(cache.decodes(), 1);
        QCOMPARE(cache.scalings(), 1);
        // Cropped about the centre, not stretched: only the middle bands show.
        QCOMPARE(covered.size(), QSize(100, 100));
        QVERIFY(qGreen(covered.pixel(2, 50)) > 200 && qRed(covered.pixel(2, 50)) < 60);
        QVERIFY(qBlue(covered.pixel(97, 50)) > 200 && qGreen(covered.pixel(97, 50)) < 60);
        const QImage inside = cache.scaled(path, {100, 100}, PictureCache::Fit::Inside);
        QCOMPARE(inside.size(), QSize(100, 25));
        QCOMPARE(cache.decodes(), 2);
        // Once the whole picture is held, other sizes are scaled from it.
        QCOMPARE(cache.picture(path).size(), QSize(400, 100));
        cache.scaled(path, {1920, 1080}, PictureCache::Fit::Cover);
        cache.scaled(path, {50, 50}, PictureCache::Fit::Cover);
        QCOMPARE(cache.decodes(), 3);
        QCOMPARE(cache.scalings(), 4);

        // A file replaced under the same name is read again.
        write(u"bands.jpg"_s, encoded(bands(200, 200), "JPEG"));
        QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
        QCOMPARE(cache.scaled(path, {100, 100}, PictureCache::Fit::Inside).size(), QSize(100, 100));
        QCOMPARE(cache.decodes(), 4);
    }

    void holdsNoMoreThanItsLimit()
    {
        const QString path = write(u"big.png"_s, encoded(bands(5000, 40), "PNG"));
        // A picture wider than the largest side is decoded reduced, and one
        // asked for at a size no larger than that size needs.
        QCOMPARE(readPictureFile(path).image.width(), kLargestDecodedSide);
        QCOMPARE(readPictureFile(path, {100, 100}).image.size(),
                 QSize(12500, 100).scaled(4096, 4096, Qt::KeepAspectRatio));
        QCOMPARE(readPictureFile(path, {}, {500, 500}).image.size(), QSize(500, 4));
        const QString photo = write(u"photo.jpg"_s, encoded(bands(600, 800), "JPEG"));
        QCOMPARE(readPictureFile(photo, {60, 60}).image.size(), QSize(60, 80));
        PictureCache cache(2 * 1024 * 1024);
        for (int side = 100; side <= 600; side += 50)
            QVERIFY(!cache.scaled(path, {side, side}, PictureCache::Fit::Cover).isNull());
        QVERIFY2(cache.bytesHeld() <= 2 * 1024 * 1024, qPrintable(QString::number(cache.bytesHeld())));
    }
};

QTEST_GUILESS_MAIN(TstPictureCache)
#include "tst_picturecache.moc"
