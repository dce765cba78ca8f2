// The stage: the scale of the design on a screen, the stage's place in a page,
// dialogs placed on it, and backgrounds continued to a page's edges.
#include "ui/common/stage.h"
#include "ui/common/stagebackdrop.h"

#include <QDialog>
#include <QPainter>
#include <QtTest>

class TstStage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scale_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("scale");
        QTest::newRow("design") << QSize(1024, 768) << 1.0;
        QTest::newRow("1366 x 768: the height decides") << QSize(1366, 768) << 1.0;
        QTest::newRow("1080p") << QSize(1920, 1080) << 1.40625;
        QTest::newRow("2048 x 1536") << QSize(2048, 1536) << 2.0;
        QTest::newRow("4K") << QSize(3840, 2160) << 2.8125;
        QTest::newRow("portrait: the width decides") << QSize(1080, 1920) << 1080.0 / 1024;
        QTest::newRow("smaller than the design") << QSize(800, 600) << 0.78125;
        QTest::newRow("no screen") << QSize() << 1.0;
    }

    void scale()
    {
        QFETCH(QSize, screen);
        QFETCH(double, scale);
        QCOMPARE(Stage::scaleFor(screen), scale);
        // The whole design fits and fills one side.
        if (!screen.isEmpty()) {
            QVERIFY(1024 * scale <= screen.width() + 1e-9 && 768 * scale <= screen.height() + 1e-9);
            QVERIFY(qFuzzyCompare(1024 * scale, double(screen.width()))
                    || qFuzzyCompare(768 * scale, double(screen.height())));
        }
    }

    // Qt multiplies its factor with what the platform gives by itself (a
    // desktop at 150 %) and with a factor already asked for.
    void qtFactor_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<double>("requested");
        QTest::addColumn<double>("factor");
        QTest::newRow("plain") << 1.0 << 1.0 << 1.40625;
        QTest::newRow("desktop at 150 %") << 1.5 << 1.0 << 1.40625 / 1.5;
        QTest::newRow("factor asked for") << 1.0 << 2.0 << 2.8125;
        QTest::newRow("nonsense ratio") << 0.0 << 1.0 << 1.40625;
    }

    void qtFactor()
    {
        QFETCH(double, ratio);
        QFETCH(double, requested);
        QFETCH(double, factor);
        // The screen as Qt reports it at that ratio: 1920 x 1080 device pixels.
        QCOMPARE(Stage::qtScaleFactor(QSize(1920, 1080), ratio, requested), factor);
    }

    void stageInAPage_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QRect>("stage");
        QTest::newRow("design") << QSize(1024, 768) << QRect(0, 0, 1024, 768);
        QTest::newRow("16:9") << QSize(1365, 768) << QRect(170, 0, 1024, 768);
        QTest::newRow("5:4") << QSize(1024, 819) << QRect(0, 25, 1024, 768);
        QTest::newRow("narrower than the design") << QSize(1016, 768) << QRect(0, 0, 1016, 768);
    }

    void stageInAPage()
    {
        QFETCH(QSize, page);
        QFETCH(QRect, stage);
        QCOMPARE(Stage::rectIn(page), stage);
        QCOMPARE(Stage::place(page, QRect(96, 152, 825, 537)), QRect(96, 152, 825, 537).translated(stage.topLeft()));
    }

    // A dialog's design place is on the stage of its owner's window.
    void dialogOnTheStage()
    {
        QWidget owner;
        owner.setGeometry(40, 30, 1365, 768);
        QDialog dialog(&owner);
        Stage::placeDialog(&dialog, {173, 122});
        QCOMPARE(dialog.pos(), QPoint(40 + 170 + 173, 30 + 122));
    }

    // A background drawn at the stage's height, centred on the stage; its
    // edge columns (and rows) continue to the widget's edges.
    void backdropContinuesItsEdges()
    {
        QImage picture(40, 10, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (int y = 0; y < 10; ++y) {
            picture.setPixelColor(0, y, Qt::red);
            picture.setPixelColor(39, y, Qt::blue);
        }
        QWidget page;
        page.resize(1365, 300);
        StageBackdrop backdrop(&page);
        backdrop.setPixmap(QPixmap::fromImage(picture));
        backdrop.setGeometry(page.rect());
        backdrop.setPictureRows(100, 100); // the picture is 400 wide there
        const QImage shot = backdrop.grab().toImage();
        QCOMPARE(shot.size(), QSize(1365, 300));
        // Centred on the stage (170 .. 1194): from 482 to 882.
        QCOMPARE(shot.pixelColor(682, 150), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(470, 150), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(0, 150), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(900, 150), QColor(Qt::blue));
        QCOMPARE(shot.pixelColor(1364, 150), QColor(Qt::blue));
        // Above and below the picture's rows its top and bottom rows go on.
        QCOMPARE(shot.pixelColor(682, 0), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(682, 299), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(1364, 299), QColor(Qt::blue));
        // Painted once for this size; a repaint only copies it.
        const int renders = backdrop.renders();
        backdrop.grab();
        QCOMPARE(backdrop.renders(), renders);
        backdrop.resize(1024, 300);
        backdrop.grab();
        QCOMPARE(backdrop.renders(), renders + 1);
    }
};

QTEST_MAIN(TstStage)
#include "tst_stage.moc"
