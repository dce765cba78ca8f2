// Layout values and the positions they give on screens 1024 and 1016 wide;
// the design's places on the stage of wider and taller windows; digits as wide
// as their text; the big lines fitted to the stage; rare characters whole.
#include "startfrmfixture.h"
#include "startfrmprobe.h"

#include "media/picturecache.h"
#include "ui/common/screenfonts.h"
#include "ui/common/stagebackdrop.h"
#include "ui/main/picturebutton.h"
#include "ui/main/descriptionline.h"
#include "ui/main/linefit.h"
#include "ui/main/rollingdigit.h"
#include "ui/main/winnerboard.h"
#include "ui/main/winnerline.h"

#include <QDir>
#include <QFile>

#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QLabel>
#include <QRawFont>
#include <QTextLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Four upright bands: red, green, blue, yellow.
QImage bandsPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, colours[x * 4 / width]);
    return image;
}

// Saves the picture in the data folder's pictures/ and returns its name there.
QString putPicture(const QString &dataFolder, const QString &name, const QImage &image)
{
    QDir().mkpath(dataFolder + u"pictures"_s);
    if (!image.save(dataFolder + u"pictures/"_s + name))
        qFatal("cannot save %s", qPrintable(name));
    return name;
}

} // namespace

class TstStartFrmLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void values_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<QList<int>>(
            "expected"); // DigitTop, DigitLeft, DigitGap, BoardTop, BoardLeft, BoardColGap, BoardRowHeight, descs top
        QTest::newRow("1024") << 1024 << QList<int>{19, 150, 85, 10, 180, 128, 57, 320};
        QTest::newRow("1016") << 1016 << QList<int>{19, 149, 84, 10, 179, 127, 57, 320};
        // Trunc cuts toward zero: 1030 / 6 = 171.67, / 12 = 85.8, / 8 = 128.75.
        QTest::newRow("1030") << 1030 << QList<int>{19, 151, 85, 10, 181, 128, 57, 320};
    }

    void values()
    {
        QFETCH(int, W);
        QFETCH(QList<int>, expected);
        const LayoutValues v =
            LayoutValues::compute(W, TStartFrm::kPanel2Height, TStartFrm::kPanel3Height, TStartFrm::kDigitHeight);
        QCOMPARE((QList<int>{v.DigitTop, v.DigitLeft, v.DigitGap, v.BoardTop, v.BoardLeft, v.BoardColGap,
                             v.BoardRowHeight, v.DescsTop}),
                 expected);
    }

    void screenPositions_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<QList<int>>("digitLefts");
        QTest::newRow("1024") << 1024 << QList<int>{150, 301, 452, 603, 754, 905};
        QTest::newRow("1016") << 1016 << QList<int>{149, 299, 449, 599, 749, 899};
    }

    void screenPositions()
    {
        QFETCH(int, W);
        QFETCH(QList<int>, digitLefts);
        StartFrmFixture f(W);
        TStartFrm &frm = *f.frm;
        QList<int> lefts;
        for (RollingDigit *digit : probe(frm).numbers) {
            lefts << digit->x();
            QCOMPARE(digit->y(), 19);
            QCOMPARE(digit->size(), QSize(66, 142));
            QCOMPARE(digit->text(), u"0"_s);
        }
        QCOMPARE(lefts, digitLefts);
        QCOMPARE(probe(frm).descs->geometry(), QRect(0, 320, W, 31));
        QCOMPARE(probe(frm).Titles->geometry(), QRect(0, 16, W, 41));
        QCOMPARE(probe(frm).EmpName->geometry(), QRect(96, 347, 825, 59));
    }

    void bands()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QCOMPARE(frm.windowTitle(), u"员工抽奖系统"_s);
        QVERIFY(frm.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(frm.palette().color(QPalette::Window), QColor(0xDA, 0x26, 0x1D));
        const QList<QRect> bands{probe(frm).Panel1->geometry(), probe(frm).Panel2->geometry(),
                                 probe(frm).Panel3->geometry(), probe(frm).Panel4->geometry()};
        QCOMPARE(bands, (QList<QRect>{{0, 0, 1024, 80}, {0, 80, 1024, 400}, {0, 480, 1024, 180}, {0, 660, 1024, 60}}));
        // Each picture band shows its picture over the whole band, under
        // everything else on it.
        for (QLabel *picture : {probe(frm).TitleImage, probe(frm).Image1, probe(frm).DigitsImage}) {
            QVERIFY2(!picture->pixmap().isNull(), qPrintable(picture->objectName()));
            QCOMPARE(picture->geometry(), picture->parentWidget()->rect());
            QCOMPARE(picture->parentWidget()->children().constFirst(), picture);
        }
        QCOMPARE(probe(frm).descs->text(), frm.description());
        QCOMPARE(probe(frm).EmpName->text(), u"本次中奖者是:......"_s);
    }

    void labelLook_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("Titles") << u"Titles"_s << 33 << QColor(Qt::white);
        QTest::newRow("descs") << u"descs"_s << 24 << QColor(0xFF, 0, 0);
        QTest::newRow("EmpName") << u"EmpName"_s << 37 << QColor(Qt::white);
        QTest::newRow("number1") << u"number1"_s << 107 << QColor(0xFF, 0, 0);
        QTest::newRow("number6") << u"number6"_s << 107 << QColor(0xFF, 0, 0);
    }

    void labelLook()
    {
        QFETCH(QString, name);
        QFETCH(int, pixelSize);
        QFETCH(QColor, colour);
        StartFrmFixture f;
        auto *label = f.frm->findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->font().pixelSize(), pixelSize);
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().families().constFirst(), u"微软雅黑"_s);
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QVERIFY(label->alignment().testFlag(Qt::AlignHCenter));
    }

    // On a window wider or taller than the design, the bands run across the
    // whole window and everything else keeps its design place on the stage
    // centred in it.
    void stageInAWiderOrTallerWindow_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("stage");
        QTest::newRow("16:9") << QSize(1365, 768) << QPoint(170, 0);
        QTest::newRow("1366 x 768") << QSize(1366, 768) << QPoint(171, 0);
        QTest::newRow("5:4") << QSize(1024, 819) << QPoint(0, 25);
        QTest::newRow("design") << QSize(1024, 768) << QPoint(0, 0);
    }

    void stageInAWiderOrTallerWindow()
    {
        QFETCH(QSize, window);
        QFETCH(QPoint, stage);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        frm.resize(window);
        frm.layOutScreen();
        const int W = window.width();
        const int x0 = stage.x();
        const int y0 = stage.y();
        const QList<QRect> bands{probe(frm).Panel1->geometry(), probe(frm).Panel2->geometry(),
                                 probe(frm).Panel3->geometry(), probe(frm).Panel4->geometry()};
        QCOMPARE(bands,
                 (QList<QRect>{{0, 0, W, y0 + 80}, {0, y0 + 80, W, 400}, {0, y0 + 480, W, 180}, {0, y0 + 660, W, 60}}));
        QCOMPARE(probe(frm).Titles->geometry(), QRect(x0, y0 + 16, 1024, 41));
        QCOMPARE(probe(frm).descs->geometry(), QRect(x0, 320, 1024, 31));
        QCOMPARE(probe(frm).EmpName->geometry(), QRect(x0 + 96, 347, 825, 59));
        QList<int> lefts;
        for (RollingDigit *digit : probe(frm).numbers)
            lefts << digit->x() - x0;
        QCOMPARE(lefts, (QList<int>{150, 301, 452, 603, 754, 905}));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(probe(frm).images[size_t(i)]->geometry(), QRect(x0 + 104 + 136 * i, 12, 105, 41));
        // The board spans the window (a large press uses all of it); its
        // design places stand on the stage.
        QCOMPARE(frm.board().geometry(), QRect(0, 0, W, 320));
        QCOMPARE(frm.board().place(1), QPoint(x0 + 180, 10));
    }

    // A digit is as wide as its text and stays centred on its design cell,
    // so a code with M or W is not clipped and "0" keeps the design size.
    void digitsAreSizedToTheirText()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        RollingDigit *digit = probe(frm).numbers[2];
        const QRect cell = digit->cell();
        QCOMPARE(cell, QRect(452, 19, 66, 142));
        for (const QString &text : {u"M"_s, u"W"_s, u"0"_s, u"1"_s}) {
            digit->setText(text);
            QVERIFY2(digit->width() >= digit->fontMetrics().horizontalAdvance(text), qPrintable(text));
            QVERIFY(digit->width() >= cell.width());
            QVERIFY(qAbs(digit->geometry().center().x() - cell.center().x()) <= 1);
            QCOMPARE(digit->height(), cell.height());
        }
        digit->setText(u"0"_s);
        QCOMPARE(digit->geometry(), cell);
        // A code's characters outside the Basic Multilingual Plane take one
        // digit each, whole, padded and cut as other codes.
        frm.ShowCandidate(u"𠮷𪚥1"_s, u"一厂 陈𠮷𪚥"_s);
        QStringList shown;
        for (RollingDigit *d : probe(frm).numbers)
            shown << d->text();
        QCOMPARE(shown, QStringList({u"0"_s, u"0"_s, u"0"_s, u"𠮷"_s, u"𪚥"_s, u"1"_s}));
        frm.ShowCandidate(u"A𠮷BCDEFG"_s, u"一厂 陈"_s);
        QCOMPARE(probe(frm).numbers[1]->text(), u"𠮷"_s);
        QCOMPARE(probe(frm).numbers[5]->text(), u"E"_s);
    }

    // The winner line and the description line fit the stage: drawn smaller
    // down to three quarters, then shortened, always keeping the person's
    // name and "第N位" whole. Characters outside the Basic Multilingual Plane
    // stay whole.
    void linesStayOnTheStage_data()
    {
        QTest::addColumn<QString>("line"); // winner, description or title
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept"); // shown whole, at the end of the line
        QTest::addColumn<bool>("shortened");
        QTest::addRow("short winner") << u"winner"_s << u"一厂 王小明"_s << u"本次中奖者是:一厂 王小明"_s << false;
        QTest::addRow("somewhat long factory")
            << u"winner"_s << u"江苏省苏州市工业园区精密电子 王小明"_s << u" 王小明"_s << false;
        QTest::addRow("long factory") << u"winner"_s << u"江苏省苏州市工业园区精密电子元器件制造有限公司 王小明"_s
                                      << u" 王小明"_s << true;
        QTest::addRow("long factory, long name")
            << u"winner"_s << u"江苏省苏州市工业园区精密电子元器件制造有限公司 欧阳娜娜娜娜娜"_s << u" 欧阳娜娜娜娜娜"_s
            << true;
        QTest::addRow("long factory, rare name")
            << u"winner"_s << u"江苏省苏州市工业园区精密电子元器件制造有限公司 陈𠮷𪚥"_s << u" 陈𠮷𪚥"_s << true;
        QTest::addRow("latin") << u"winner"_s << QString(60, u'W') + u" Li"_s << u" Li"_s << true;
        QTest::addRow("short prize") << u"description"_s << u"现在抽取:二等奖, 奖品:电视机, 共:10人,准备抽取第:3位."_s
                                     << u"现在抽取:二等奖, 奖品:电视机, 共:10人,准备抽取第:3位."_s << false;
        QTest::addRow("long prize")
            << u"description"_s
            << u"现在抽取:特别奖, 奖品:价值八千八百八十八元的全自动智能扫地机器人与空气净化器套装一份另加现金红包, 共:10人,准备抽取第:3位."_s
            << u", 共:10人,准备抽取第:3位."_s << true;
        QTest::addRow("long prize while drawing")
            << u"description"_s
            << u"现在抽取:特别奖, 奖品:价值八千八百八十八元的全自动智能扫地机器人与空气净化器套装一份, 共:300人,每次抽取100人,正在抽取第57位."_s
            << u", 共:300人,每次抽取100人,正在抽取第57位."_s << true;
        QTest::addRow("title") << u"title"_s << u"2026年度员工抽奖晚会"_s << u"2026年度员工抽奖晚会"_s << false;
        QTest::addRow("long title")
            << u"title"_s
            << u"华南区第一电子元器件有限公司暨全体合作伙伴二〇二六年度迎新春员工联欢晚会暨优秀员工表彰大会幸运大抽奖"_s
            << u"…"_s << true;
    }

    void linesStayOnTheStage()
    {
        QFETCH(QString, line);
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QFETCH(bool, shortened);
        StartFrmFixture f(1365);
        TStartFrm &frm = *f.frm;
        QString shown;
        int px = 0, designPx = 0;
        QLabel *label = nullptr;
        if (line == u"winner"_s) {
            frm.ShowCandidate(u"1"_s, text);
            auto *l = qobject_cast<WinnerLine *>(probe(frm).EmpName);
            shown = l->shownText();
            px = l->shownPixelSize();
            designPx = 37;
            label = l;
        } else if (line == u"title"_s) {
            // As a saved title shows at once.
            probe(frm).Titles->setText(text);
            auto *l = qobject_cast<DescriptionLine *>(probe(frm).Titles);
            shown = l->shownText();
            px = l->shownPixelSize();
            designPx = 33;
            label = l;
        } else {
            frm.setDescription(text);
            auto *l = qobject_cast<DescriptionLine *>(probe(frm).descs);
            shown = l->shownText();
            px = l->shownPixelSize();
            designPx = 24;
            label = l;
        }
        QVERIFY(label);
        QVERIFY2(shown.endsWith(kept), qPrintable(shown));
        QCOMPARE(shown.contains(u"…"_s), shortened);
        QVERIFY(px >= std::ceil(designPx * 0.75) && px <= designPx);
        // Shrinking comes before shortening.
        if (shortened)
            QCOMPARE(px, int(std::ceil(designPx * 0.75)));
        // Inside the label, which lies on the stage.
        QFont font = label->font();
        font.setPixelSize(px);
        QVERIFY(clusterWidth(font, shown) <= label->contentsRect().width());
        const QRect stage(frm.board().stageLeft(), 0, 1024, 768);
        QVERIFY(stage.contains(QRect(label->mapTo(label->parentWidget(), QPoint(0, 0)), label->size())));
        // Whole characters: nothing of a surrogate pair is left alone.
        for (const QString &cluster : graphemeClusters(shown))
            QVERIFY(!cluster.front().isLowSurrogate() && !cluster.back().isHighSurrogate());
        // Painting what was measured.
        QVERIFY(!label->grab().isNull());
    }

    // The places come from the design, not from the data: a database that
    // cannot be opened leaves the digits, title and board in place.
    void placesHoldWhenTheDatabaseCannotBeOpened()
    {
        TempDb t;
        t.db().close();
        QFile::remove(t.path());
        TestServices s(t);
        const auto frm = makeStartFrm(s);
        const LayoutValues expected = LayoutValues::compute(std::min(frm->width(), 1024), 400, 180, 142);
        const int x0 = (frm->width() - std::min(frm->width(), 1024)) / 2;
        int left = x0 + expected.DigitLeft;
        for (RollingDigit *digit : probe(frm).numbers) {
            QCOMPARE(digit->pos(), QPoint(left, expected.DigitTop));
            left += 66 + expected.DigitGap;
        }
        QCOMPARE(probe(frm).descs->y(), expected.DescsTop);
        QCOMPARE(frm->board().place(20).y(), expected.BoardTop + 4 * expected.BoardRowHeight);
    }

    // The band pictures, or the operator's background, are scaled once per
    // size; later paints only copy them.
    void backgroundsAreScaledOncePerSize_data()
    {
        QTest::addColumn<bool>("covered");
        QTest::addRow("delivered bands") << false;
        QTest::addRow("operator's background") << true;
    }
    void backgroundsAreScaledOncePerSize()
    {
        QFETCH(bool, covered);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        if (covered) {
            f.ts.settings.stageBackground = putPicture(f.ts.exeFolder, u"background.jpg"_s, bandsPicture(800, 600));
            frm.applyLook();
            // Decoded off the screen's thread; the delivered artwork stands meanwhile.
            QVERIFY(probe(frm).Cover->isHidden());
            QTRY_VERIFY(!probe(frm).Cover->isHidden());
        }
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        frm.repaint();
        auto renders = [&] {
            return probe(frm).Image1->renders() + probe(frm).DigitsImage->renders() + probe(frm).TitleImage->renders()
                   + probe(frm).Cover->renders();
        };
        const int before = renders();
        const int scalings = frm.pictures().scalings();
        for (int step = 0; step < 10; ++step) {
            frm.ShowCandidate(u"%1"_s.arg(step * 111111, 6, 10, QChar(u'0')), u"甲"_s);
            frm.repaint();
        }
        QCOMPARE(renders(), before);
        QCOMPARE(frm.pictures().scalings(), scalings);
        frm.resize(1365, 768);
        QTRY_COMPARE(frm.pictures().decodesPending(), 0);
        frm.repaint();
        QVERIFY((covered ? probe(frm).Cover->renders() : probe(frm).DigitsImage->renders()) > 0);
        // Once at each size: decoded no larger than the window needs.
        QCOMPARE(frm.pictures().decodes(), covered ? 2 : 0);
    }

    // The operator's background covers the whole window, cropped and never
    // stretched, under fills that keep the texts readable; the logo stands
    // left of the title at the band's height with its transparency; a
    // picture damaged since it was chosen is named once and the delivered
    // artwork stays.
    void theOperatorsLook()
    {
        StartFrmFixture f(1366);
        TStartFrm &frm = *f.frm;
        f.ts.settings.ATltle = u"年会"_s;
        // Wider than 16:9: only its middle bands can show.
        f.ts.settings.stageBackground = putPicture(f.ts.exeFolder, u"background.jpg"_s, bandsPicture(4000, 1000));
        QImage logo(400, 200, QImage::Format_ARGB32);
        logo.fill(Qt::transparent);
        for (int x = 100; x < 300; ++x)
            for (int y = 50; y < 150; ++y)
                logo.setPixel(x, y, qRgb(0, 0, 255));
        f.ts.settings.stageLogo = putPicture(f.ts.exeFolder, u"logo.png"_s, logo);
        frm.applyLook();
        probe(frm).Titles->setText(u"年会"_s);
        frm.layOutScreen();
        QTRY_COMPARE(frm.pictures().decodesPending(), 0);
        QVERIFY(probe(frm).Cover->isVisible() || !frm.isVisible());
        QVERIFY(probe(frm).Image1->isHidden());
        frm.ShowCandidate(u"100001"_s, u"(第1分厂)张三"_s);
        frm.AddBoardLabel(u"100001"_s, u"张三"_s, u"第1分厂"_s, 1);
        const QImage shot = frm.grab().toImage();
        auto near = [](QRgb pixel, QColor colour) {
            return std::abs(qRed(pixel) - colour.red()) < 50 && std::abs(qGreen(pixel) - colour.green()) < 50
                   && std::abs(qBlue(pixel) - colour.blue()) < 50;
        };
        // The window's left and right edges show the picture's two middle
        // bands (green, blue), never its outer ones: cropped, not squeezed.
        QVERIFY(near(shot.pixel(4, 300), QColor(0, 255, 0)));
        QVERIFY(near(shot.pixel(shot.width() - 5, 300), QColor(0, 0, 255)));
        // The first board box keeps its own fill.
        const QRect box = frm.board().box(1).translated(probe(frm).Panel2->pos());
        QVERIFY(near(shot.pixel(box.left() + 6, box.center().y()), QColor(0xFF, 0xF3, 0xD9)));
        // The logo: band height less its margins, its own 2:1 proportions,
        // left of the title, the transparent part showing the band behind.
        const QRect logoPlace = probe(frm).Logo->geometry();
        QCOMPARE(logoPlace.height(), 68);
        QCOMPARE(logoPlace.width(), 136);
        QVERIFY(logoPlace.right() < probe(frm).Titles->geometry().center().x());
        QVERIFY(near(shot.pixel(logoPlace.center()), QColor(0, 0, 255)));
        QVERIFY(!near(shot.pixel(logoPlace.left() + 3, logoPlace.top() + 3), QColor(0, 0, 255)));

        // The background damaged on disk: named at the next look, the
        // delivered bands back.
        QFile damaged(f.ts.exeFolder + u"pictures/background.jpg"_s);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("broken");
        damaged.close();
        f.ts.dialogs.calls.clear();
        frm.applyLook();
        QTRY_COMPARE(f.ts.dialogs.count(u"notify"_s), 1);
        QVERIFY(f.ts.dialogs.texts(u"notify"_s).constFirst().contains(u"background.jpg"_s));
        QVERIFY(!probe(frm).Image1->isHidden());
        QVERIFY(probe(frm).Cover->isHidden());
    }

    // The faces the screens ask for must end in a face that has Chinese
    // glyphs on this machine, not in one that shows empty boxes.
    // Rare characters of names (CJK extension B: 𠮷 U+20BB7, 𪚥 U+2A6A5)
    // are drawn as themselves through a fallback face, never as a box: every
    // glyph laid out for "陈𠮷𪚥" is a real one (glyph 0 is the box).
    void fontsHaveChineseGlyphs_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::newRow("yahei px (lines, digits, lists)") << yaHeiFont(24, true);
        QTest::newRow("yahei pt (board)") << yaHeiPointFont(16, true);
        QTest::newRow("xihei") << xiHeiFont();
        QTest::newRow("simsun (settings, designations)") << screenFont({u"宋体"_s, u"SimSun"_s}, 13);
    }

    void fontsHaveChineseGlyphs()
    {
        QFETCH(QFont, font);
        const QString family = QFontInfo(font).family();
        QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese), qPrintable(family));
        const QString name = u"陈𠮷𪚥"_s;
        QTextLayout layout(name, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        int glyphs = 0;
        for (const QGlyphRun &run : layout.glyphRuns()) {
            for (quint32 index : run.glyphIndexes()) {
                QVERIFY2(index != 0, qPrintable(run.rawFont().familyName()));
                ++glyphs;
            }
        }
        QCOMPARE(glyphs, 3);
    }
};

QTEST_MAIN(TstStartFrmLayout)
#include "tst_startfrm_layout.moc"
