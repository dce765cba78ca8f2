// The stage: the scale of the design on a screen, the stage's place in a page,
// where the stage policy puts each kind of window with two screens (a laptop
// and a projector, Qt's offscreen platform with a screen configuration
// file), and backgrounds continued to a page's edges.
#include "ui/common/stage.h"
#include "ui/common/stagebackdrop.h"
#include "ui/common/stagepolicy.h"

#include <QDialog>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

using namespace Qt::StringLiterals;

namespace {
// The window's rectangle in the screen's pixels, as the platform has it.
QRect nativeGeometry(const QWidget &window) { return window.windowHandle()->handle()->geometry(); }

// A monitor plugged in while the program runs.
class PluggedScreen : public QPlatformScreen {
public:
    QRect geometry() const override { return {3286, 0, 3840, 2160}; }
    int depth() const override { return 32; }
    QImage::Format format() const override { return QImage::Format_ARGB32_Premultiplied; }
    QString name() const override { return u"beamer"_s; }
};

QScreen *screenNamed(const QString &name)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (screen->name() == name)
            return screen;
    return nullptr;
}
} // namespace

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

    // The factor Qt is given is the stage's within a thousandth, and the
    // screen's logical size maps back onto exactly its pixels both ways.
    void screenFactor_data()
    {
        QTest::addColumn<QSize>("screen");
        for (const QSize size : {QSize(1024, 768), QSize(1366, 768), QSize(1920, 1080), QSize(1920, 1200),
                                 QSize(2560, 1440), QSize(3840, 2160), QSize(1280, 1024), QSize(1600, 900),
                                 QSize(3440, 1440), QSize(1080, 1920), QSize(800, 600), QSize(1280, 720)})
            QTest::addRow("%dx%d", size.width(), size.height()) << size;
    }

    void screenFactor()
    {
        QFETCH(QSize, screen);
        const double s = Stage::scaleFor(screen);
        const double f = Stage::screenFactor(screen);
        QVERIFY2(std::abs(f - s) <= s * 1e-3, qPrintable(u"%1 for %2"_s.arg(f).arg(s)));
        for (const int pixels : {screen.width(), screen.height()}) {
            const int logical = qRound(pixels / f);
            QCOMPARE(qRound(logical * f), pixels);
        }
        // The design still fits the logical screen.
        QVERIFY(qRound(screen.width() / f) >= std::min(1024, qRound(screen.width() / s)));
        QVERIFY(qRound(screen.height() / f) >= std::min(768, qRound(screen.height() / s)));
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

    // The stage screen: the one named in the settings when it is connected,
    // otherwise the largest that is not the primary; the operator's screen:
    // the primary, or the largest other one when the stage is on it.
    void chooseScreens_data()
    {
        QTest::addColumn<QStringList>("screens"); // name:WxH, * marks the primary
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("operatorScreen");
        const QStringList two{u"*eDP-1:1366x768"_s, u"HDMI-1:1920x1080"_s};
        QTest::newRow("one screen") << QStringList{u"*eDP-1:1920x1080"_s} << QString() << 0 << 0;
        QTest::newRow("one screen, another named") << QStringList{u"*eDP-1:1920x1080"_s} << u"HDMI-1"_s << 0 << 0;
        QTest::newRow("projector beside a laptop") << two << QString() << 1 << 0;
        QTest::newRow("projector smaller than the laptop")
            << QStringList{u"*eDP-1:2560x1600"_s, u"HDMI-1:1024x768"_s} << QString() << 1 << 0;
        QTest::newRow("primary listed last")
            << QStringList{u"HDMI-1:1920x1080"_s, u"*eDP-1:1366x768"_s} << QString() << 0 << 1;
        QTest::newRow("named the laptop") << two << u"eDP-1"_s << 0 << 1;
        QTest::newRow("named screen not connected") << two << u"DP-3"_s << 1 << 0;
        QTest::newRow("three: the largest other")
            << QStringList{u"*eDP-1:1366x768"_s, u"DP-1:1280x1024"_s, u"HDMI-1:3840x2160"_s} << QString() << 2 << 0;
        QTest::newRow("three, stage on the primary: the largest other operates")
            << QStringList{u"*eDP-1:1366x768"_s, u"DP-1:1280x1024"_s, u"HDMI-1:3840x2160"_s} << u"eDP-1"_s << 0 << 2;
        QTest::newRow("no screens") << QStringList() << QString() << -1 << -1;
    }

    void chooseScreens()
    {
        QFETCH(QStringList, screens);
        QFETCH(QString, preferred);
        QFETCH(int, stage);
        QFETCH(int, operatorScreen);
        QList<Stage::ScreenInfo> infos;
        for (QString text : screens) {
            const bool primary = text.startsWith(u'*');
            if (primary)
                text.remove(0, 1);
            const QStringList size = text.section(u':', 1).split(u'x');
            infos.append({text.section(u':', 0, 0), QSize(size[0].toInt(), size[1].toInt()), primary});
        }
        const int chosen = Stage::chooseStageScreen(infos, preferred);
        QCOMPARE(chosen, stage);
        QCOMPARE(Stage::chooseOperatorScreen(infos, chosen), operatorScreen);
    }

    // The offscreen platform's two screens: a 1366 x 768 laptop (primary) and
    // a 1920 x 1080 projector to its right. The stage covers exactly the
    // projector's pixels at its scale; a page, a placed dialog and a message
    // box open on the laptop at 1:1, and the stage stays where it is; the move
    // key's step swaps the two.
    void twoScreens()
    {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        StagePolicy policy;
        QScreen *laptop = screenNamed(u"laptop"_s);
        QScreen *projector = screenNamed(u"projector"_s);
        QVERIFY(laptop && projector);
        QCOMPARE(policy.stageScreen(), projector);
        QCOMPARE(policy.operatorScreen(), laptop);
        QVERIFY(std::abs(projector->devicePixelRatio() - 1.40625) < 1e-3);
        QCOMPARE(laptop->devicePixelRatio(), 1.0);

        QWidget stage;
        Stage::declare(&stage, Stage::Role::Stage);
        // Placed on its screen while it is built, before it is shown.
        QCOMPARE(stage.geometry(), Stage::coverOf(projector));
        policy.showStage(&stage);
        QCOMPARE(stage.screen(), projector);
        QCOMPARE(nativeGeometry(stage), QRect(1366, 0, 1920, 1080));
        QCOMPARE(stage.size(), QSize(1365, 768));

        QDialog page(&stage, Qt::Dialog | Qt::FramelessWindowHint);
        Stage::declare(&page, Stage::Role::Page);
        page.show();
        QCOMPARE(page.screen(), laptop);
        QCOMPARE(nativeGeometry(page), QRect(0, 0, 1366, 768));
        page.hide();

        QDialog picker(&stage);
        picker.setFixedSize(613, 440);
        Stage::declare(&picker, Stage::Role::Placed, {173, 122});
        picker.show();
        QCOMPARE(picker.screen(), laptop);
        QCOMPARE(picker.pos(), QPoint(171 + 173, 122));
        picker.hide();

        // A message box is centred on its owner by Qt, over the stage: it is
        // moved to the operator's screen before it is mapped.
        QMessageBox box(QMessageBox::Warning, u"系统提示"_s, u"未设置奖项或全部奖项已抽完!"_s, QMessageBox::Ok, &stage);
        box.show();
        QCOMPARE(box.screen(), laptop);
        QVERIFY(laptop->geometry().contains(box.frameGeometry()));
        QCOMPARE(nativeGeometry(stage), QRect(1366, 0, 1920, 1080));
        box.hide();

        // The move key: the stage to the laptop, the operator to the projector.
        QSignalSpy moved(&policy, &StagePolicy::stageScreenChanged);
        QCOMPARE(policy.moveStageToNextScreen(), u"laptop"_s);
        QCOMPARE(moved.size(), 1);
        QCOMPARE(stage.screen(), laptop);
        QCOMPARE(nativeGeometry(stage), QRect(0, 0, 1366, 768));
        QCOMPARE(stage.size(), QSize(1366, 768));
        QCOMPARE(policy.operatorScreen(), projector);
        box.show();
        QCOMPARE(box.screen(), projector);
        box.hide();
        QCOMPARE(policy.moveStageToNextScreen(), u"projector"_s);
        QCOMPARE(nativeGeometry(stage), QRect(1366, 0, 1920, 1080));

        // A setting naming a screen that is not connected: the default.
        policy.setPreferredStage(u"HDMI-9"_s);
        QCOMPARE(policy.stageScreen(), projector);
        policy.setPreferredStage(u"laptop"_s);
        QCOMPARE(nativeGeometry(stage), QRect(0, 0, 1366, 768));

        // A larger monitor plugged in becomes the stage screen at its own
        // scale; unplugged, the stage goes back to the projector at once.
        policy.setPreferredStage(QString());
        QCOMPARE(nativeGeometry(stage), QRect(1366, 0, 1920, 1080));
        auto *plugged = new PluggedScreen;
        QWindowSystemInterface::handleScreenAdded(plugged);
        QCOMPARE(policy.stageScreen()->name(), u"beamer"_s);
        QVERIFY(std::abs(policy.stageScreen()->devicePixelRatio() - 2.8125) < 3e-3);
        QCOMPARE(nativeGeometry(stage), QRect(3286, 0, 3840, 2160));
        QCOMPARE(stage.size(), QSize(1365, 768));
        QWindowSystemInterface::handleScreenRemoved(plugged);
        QCOMPARE(stage.screen(), projector);
        QCOMPARE(nativeGeometry(stage), QRect(1366, 0, 1920, 1080));
        QTest::qWait(0);
        QCOMPARE(nativeGeometry(stage), QRect(1366, 0, 1920, 1080));
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

// Two screens for the whole program: the platform reads them at start.
int main(int argc, char **argv)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(u"screens.json"_s));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(R"({"screens": [
        {"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
        {"name": "projector", "x": 1366, "y": 0, "width": 1920, "height": 1080,
         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TstStage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_stage.moc"
