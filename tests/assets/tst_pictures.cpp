// The pictures carried in the program and delivered beside it decode, JPEG
// through Qt's JPEG plugin (libjpeg), with the sizes the screens expect.
#include <QImage>
#include <QImageReader>
#include <QtTest>

using namespace Qt::StringLiterals;

class TstPictures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void jpegPluginIsThere()
    {
        QVERIFY2(QImageReader::supportedImageFormats().contains("jpeg"),
                 "Qt's JPEG plugin is missing (package qt6-image-formats-plugins / libqjpeg)");
    }

    void decodes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("size");
        const QString bin = qEnvironmentVariable("PRIZEDRAW_BIN_DIR");
        // Three times the design size, and as wide as a 16:9 screen shows them.
        QTest::newRow("title band") << u":/pictures/title.jpg"_s << QByteArray("jpeg") << QSize(4098, 240);
        QTest::newRow("draw panel") << u":/pictures/stage.jpg"_s << QByteArray("jpeg") << QSize(4098, 1200);
        QTest::newRow("digits panel") << u":/pictures/digits.jpg"_s << QByteArray("jpeg") << QSize(4098, 540);
        QTest::newRow("winners list") << u":/pictures/lists.jpg"_s << QByteArray("jpeg") << QSize(4098, 2304);
        for (const char *name : {"start", "setup", "setitem", "curritem", "list", "close"})
            QTest::newRow(name) << u":/pictures/button_%1.png"_s.arg(QLatin1StringView(name)) << QByteArray("png")
                                << QSize(540, 231);
        QTest::newRow("setitem.jpg beside the program")
            << bin + u"/setitem.jpg"_s << QByteArray("jpeg") << QSize(4098, 2304);
    }

    void decodes()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, format);
        QFETCH(QSize, size);
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(path + u": "_s + reader.errorString()));
        QCOMPARE(image.size(), size);
        // The picture buttons are keyed on their white bottom-left corner.
        if (format == "png")
            QCOMPARE(image.pixelColor(0, size.height() - 1), QColor(Qt::white));
    }
};

QTEST_MAIN(TstPictures)
#include "tst_pictures.moc"
