// The winner board: places and boxes from one set of numbers, labels centred
// in their boxes and kept inside them whatever the name, their text and look,
// clearing, and what happens to label numbers the board has no place for.
#include "startfrmfixture.h"
#include "startfrmprobe.h"

#include "draw/presslimit.h"
#include "media/picturecache.h"
#include "ui/main/boardlabel.h"
#include "ui/main/linefit.h"
#include "ui/main/winnerboard.h"
#include "ui/main/winnerline.h"

#include <QFile>
#include <QImage>

#include <QDir>
#include <QLabel>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

BoardLabel *boardLabel(TStartFrm &frm, int n) { return frm.findChild<BoardLabel *>(u"Lab"_s + QString::number(n)); }

int boardLabelCount(TStartFrm &frm) { return static_cast<int>(frm.findChildren<BoardLabel *>().size()); }

} // namespace

class TstWinnerBoard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The places of the layout formulas, on the stage.
    void places_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("n");
        QTest::addColumn<QPoint>("place");
        QTest::newRow("1 top left") << 1024 << 1 << QPoint(180, 10);
        QTest::newRow("4 last column") << 1024 << 4 << QPoint(780, 10);
        QTest::newRow("5 second row") << 1024 << 5 << QPoint(180, 67);
        QTest::newRow("6 second column") << 1024 << 6 << QPoint(380, 67);
        QTest::newRow("20 last place") << 1024 << 20 << QPoint(780, 238);
        QTest::newRow("6 at 1016") << 1016 << 6 << QPoint(378, 67);
        // A wider window keeps the design: the stage is 1024 wide in it.
        QTest::newRow("6 on a 16:9 window") << 1365 << 6 << QPoint(380, 67);
    }

    void places()
    {
        QFETCH(int, W);
        QFETCH(int, n);
        QFETCH(QPoint, place);
        StartFrmFixture f(W);
        TStartFrm &frm = *f.frm;
        WinnerBoard &board = frm.board();
        // The board spans the window; the design's places stand on the stage.
        QCOMPARE(board.geometry(), QRect(0, 0, W, probe(frm).layout.DescsTop));
        QCOMPARE(board.stageLeft(), (W - std::min(W, 1024)) / 2);
        QCOMPARE(board.place(n) - QPoint(board.stageLeft(), 0), place);
        frm.AddBoardLabel(u"000123"_s, u"王小明"_s, u"一厂"_s, n);
        BoardLabel *label = boardLabel(frm, n);
        QVERIFY(label);
        // As wide as its text; its lines held inside the box.
        QCOMPARE(label->width(), label->sizeHint().width());
        QVERIFY(label->isVisibleTo(&frm));
        // The box stands centred on the label's created size at its place, and
        // the label centred in its box.
        const QRect box = board.box(n);
        const QPointF createdCentre = QRectF(board.place(n), QSizeF(WinnerBoard::kCreatedSize)).center();
        QVERIFY(qAbs(QRectF(box).center().x() - createdCentre.x()) <= 1);
        QVERIFY(qAbs(QRectF(box).center().y() - createdCentre.y()) <= 1);
        QVERIFY(qAbs(QRectF(label->geometry()).center().x() - QRectF(box).center().x()) <= 1);
        QVERIFY(qAbs(QRectF(label->geometry()).center().y() - QRectF(box).center().y()) <= 1);
        QVERIFY(box.contains(label->geometry()));
    }

    // Every winner of a press has a box: the design's twenty places up to 20,
    // a grid for the press above. The boxes tile the board (no two overlap),
    // stay between the window's sides, above the caption and the description
    // line, and every label stays inside its box. At 1920 x 1080 (a window
    // of 1365 x 768 at the stage's scale of 1.40625) the text is at least 24
    // device pixels high up to 30 winners, 18 up to 60 and 14 up to 100.
    void boxesTileTheBoard_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("winners");
        QTest::addColumn<QSize>("grid");
        QTest::addColumn<int>("leastDevicePx"); // at the scale of 1920 x 1080; 0: not checked
        QTest::addRow("20 at 1024") << 1024 << 20 << QSize(4, 5) << 0;
        QTest::addRow("20 at 1920 x 1080") << 1365 << 20 << QSize(4, 5) << 24;
        QTest::addRow("30 at 1920 x 1080") << 1365 << 30 << QSize() << 24;
        QTest::addRow("50 at 1920 x 1080") << 1365 << 50 << QSize() << 18;
        QTest::addRow("60 at 1920 x 1080") << 1365 << 60 << QSize() << 18;
        QTest::addRow("100 at 1920 x 1080") << 1365 << 100 << QSize() << 14;
        QTest::addRow("100 at 1024") << 1024 << 100 << QSize() << 0;
        QTest::addRow("21 at 1024") << 1024 << 21 << QSize() << 0;
    }

    void boxesTileTheBoard()
    {
        QFETCH(int, W);
        QFETCH(int, winners);
        QFETCH(QSize, grid);
        QFETCH(int, leastDevicePx);
        constexpr double kScale1080 = 1080.0 / 768;
        StartFrmFixture f(W);
        TStartFrm &frm = *f.frm;
        WinnerBoard &board = frm.board();
        const QStringList factories{u"第1分厂有限公司"_s, u"第2分厂有限公司"_s, u"深圳南山电子工厂"_s, u"总部"_s};
        for (int n = 1; n <= winners; ++n)
            frm.AddBoardLabel(u"%1"_s.arg(n, 6, 10, QChar(u'0')), n % 3 ? u"王小明"_s : u"欧阳晓"_s, factories[n % 4],
                              n);
        QCOMPARE(board.count(), winners);
        QCOMPARE(board.boxCount(), std::max(winners, WinnerBoard::kDesignPlaces));
        if (grid.isValid())
            QCOMPARE(board.grid(), grid);
        QVERIFY(board.grid().width() * board.grid().height() >= winners);
        const int descsTop = probe(frm).descs->y();
        const QRect caption = board.captionBox();
        for (int n = 1; n <= board.boxCount(); ++n) {
            const QRect box = board.box(n);
            QVERIFY2(board.rect().contains(box), qPrintable(u"box %1"_s.arg(n)));
            QVERIFY(box.bottom() < descsTop);
            QVERIFY2(!box.intersects(caption), qPrintable(u"box %1 and the caption"_s.arg(n)));
            for (int m = n + 1; m <= board.boxCount(); ++m)
                QVERIFY2(!box.intersects(board.box(m)), qPrintable(u"boxes %1 and %2"_s.arg(n).arg(m)));
            if (n > winners)
                continue;
            BoardLabel *label = boardLabel(frm, n);
            QVERIFY2(box.contains(label->geometry()), qPrintable(u"label %1"_s.arg(n)));
            // Both lines fit the label's height, and nothing of these names is
            // elided at the grid's size.
            QVERIFY(label->height() >= 2 * QFontInfo(label->font()).pixelSize());
            if (leastDevicePx > 0) {
                QVERIFY2(label->textWidth() <= label->width(), qPrintable(u"label %1 elided"_s.arg(n)));
                const double devicePx = QFontInfo(label->font()).pixelSize() * kScale1080;
                QVERIFY2(devicePx >= leastDevicePx, qPrintable(u"label %1: %2 device pixels"_s.arg(n).arg(devicePx)));
            }
        }
        // The whole width of a wider window is used by a large press.
        if (winners > WinnerBoard::kDesignPlaces) {
            QVERIFY(board.box(1).left() < 20);
            QVERIFY(board.box(board.grid().width()).right() > W - 20);
        }
        // A screenshot for a look, when the screenshots folder exists.
        const QDir shots(qEnvironmentVariable("PRIZEDRAW_BIN_DIR") + u"/../screenshots"_s);
        if (shots.exists() && leastDevicePx > 0)
            probe(frm).Panel2->grab().save(shots.filePath(u"board-%1-offscreen.png"_s.arg(winners)));
    }

    // The caption names the item and prize of the winners on the board as
    // long as they are on it, whatever the description line says meanwhile.
    void captionNamesThePrize_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("prize");
        QTest::addColumn<bool>("whole");
        QTest::addRow("short") << u"二等奖"_s << u"电视机"_s << true;
        QTest::addRow("long prize")
            << u"特别幸运大奖"_s
            << u"价值八千八百八十八元的全自动智能扫地机器人与空气净化器套装一份另加现金红包及年度旅游基金"_s << false;
    }
    void captionNamesThePrize()
    {
        QFETCH(QString, item);
        QFETCH(QString, prize);
        QFETCH(bool, whole);
        StartFrmFixture f(1365);
        TStartFrm &frm = *f.frm;
        f.ts.db.exec(u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, ExcNum, IsExec) "
                     u"values(1, ?, ?, 5, 2, 0, 0)"_s,
                     {item, prize});
        frm.PrepareCurrentPrize();
        WinnerBoard &board = frm.board();
        QVERIFY(!board.captionShown());
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, 1);
        frm.AddBoardLabel(u"2"_s, u"乙"_s, u"一厂"_s, 2);
        const QString caption = item + u" · 奖品:"_s + prize;
        QCOMPARE(board.caption(), caption);
        QVERIFY(board.captionShown());
        QCOMPARE(board.captionShownText() == caption, whole);
        QVERIFY(board.captionShownText().startsWith(item));
        // On the stage, between the design's last row and the description line.
        const QRect box = board.captionBox();
        QVERIFY(box.top() > board.box(WinnerBoard::kDesignPlaces).bottom());
        QVERIFY(box.bottom() < probe(frm).descs->y());
        QVERIFY(box.left() >= board.stageLeft() && box.right() < board.stageLeft() + 1024);
        QVERIFY(board.captionPixelSize() >= 15);
        // The next item's ready line may stand below: the caption stays.
        frm.setDescription(u"现在抽取:一等奖, 奖品:电脑, 共:1人,准备抽取第:1位."_s);
        QCOMPARE(board.caption(), caption);
        QVERIFY(board.captionShown());
        // Gone with the winners.
        frm.ClearBoard();
        QVERIFY(!board.captionShown());
        QCOMPARE(board.caption(), QString());
        QCOMPARE(board.boxCount(), WinnerBoard::kDesignPlaces);
    }

    // With 中奖名单显示照片 on, a press of up to twenty shows each winner's
    // photo in their box and the winner line shows it beside the name; a
    // denser press, a person without a photo or with a damaged one keep the
    // text. The prize picture stands right of the places: the current item's
    // while the board is empty, then that of the item whose winners are on it.
    void photosAndPrizePicture_data()
    {
        QTest::addColumn<int>("press");
        QTest::addColumn<bool>("showPhotos");
        QTest::addColumn<bool>("photosShown");
        QTest::addRow("12 winners") << 12 << true << true;
        QTest::addRow("12 winners, photos off") << 12 << false << false;
        QTest::addRow("30 winners") << 30 << true << false;
    }
    void photosAndPrizePicture()
    {
        QFETCH(int, press);
        QFETCH(bool, showPhotos);
        QFETCH(bool, photosShown);
        StartFrmFixture f(1365);
        TStartFrm &frm = *f.frm;
        const QString data = f.ts.exeFolder;
        QVERIFY(QDir().mkpath(data + u"photos/一厂"_s) && QDir().mkpath(data + u"pictures"_s));
        QImage photo(60, 80, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        for (int n = 1; n <= press; ++n)
            if (n != 2) // nobody's photo for winner 2
                QVERIFY(photo.save(data + u"photos/一厂/%1.jpg"_s.arg(n)));
        QFile damaged(data + u"photos/一厂/3.jpg"_s);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("no picture");
        damaged.close();
        const int item = f.temp.addItem(1, u"一等奖"_s, u"电视机"_s, press, press);
        f.temp.addItem(2, u"二等奖"_s, u"电脑"_s, 1, 1);
        QImage tv(200, 100, QImage::Format_RGB32);
        tv.fill(Qt::blue);
        QVERIFY(tv.save(data + u"pictures/prize-%1.png"_s.arg(item)));
        f.ts.settings.showPhotos = showPhotos;
        frm.applyLook();
        frm.PrepareCurrentPrize();
        WinnerBoard &board = frm.board();
        QCOMPARE(board.shownPicture(), data + u"pictures/prize-%1.png"_s.arg(item));
        // Pictures are decoded off the screen's thread and shown once they are.
        board.pictureRect();
        QTRY_COMPARE(frm.pictures().decodesPending(), 0);
        // Its own proportions, inside its room, beside the caption's row.
        const QRect picture = board.pictureRect();
        QVERIFY(std::abs(picture.width() - 2 * picture.height()) <= 2);
        QVERIFY(board.pictureBox().contains(picture));
        QVERIFY(picture.left() > board.box(4).right());

        for (int n = 1; n <= press; ++n)
            frm.AddBoardLabel(QString::number(n), u"员工%1"_s.arg(n), u"一厂"_s, n);
        // The press went on without them; its labels take them as they come.
        QTRY_COMPARE(frm.pictures().decodesPending(), 0);
        for (int n = 1; n <= press; ++n) {
            BoardLabel *label = boardLabel(frm, n);
            QCOMPARE(label->hasPhoto(), photosShown && n != 2 && n != 3);
            QVERIFY(board.box(n).contains(label->geometry()));
        }
        auto *line = frm.findChild<WinnerLine *>(u"EmpName"_s);
        QCOMPARE(line->hasPhoto(), showPhotos);
        frm.ShowCandidate(u"99"_s, u"(一厂)别人"_s);
        QVERIFY(!line->hasPhoto());
        // The item's winners keep its picture while the next item is current.
        frm.round.setCurrItemNo(item + 1);
        frm.setDescription(u"现在抽取:二等奖"_s);
        QCOMPARE(board.shownPicture(),
                 press > WinnerBoard::kDesignPlaces ? QString() : data + u"pictures/prize-%1.png"_s.arg(item));
        frm.ClearBoard();
        QCOMPARE(board.shownPicture(), QString());
    }

    // Long factory or person names stay inside the box: the name whole first
    // (drawn smaller, then over two lines), then the factory shortened inside
    // its brackets; every label of a press at one size. The label's text
    // itself stays whole.
    void longNamesStayInsideTheirBox_data()
    {
        QTest::addColumn<QString>("factory");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("factoryWhole");
        QTest::addColumn<int>("nameLines");
        QTest::addColumn<int>("smallestPx");
        QTest::newRow("8-character factory") << u"第2分厂有限公司"_s << u"王小明"_s << true << 1 << 16;
        QTest::newRow("8-character person") << u"一厂"_s << u"欧阳娜娜娜娜娜娜"_s << true << 1 << 16;
        QTest::newRow("far too long") << u"深圳市第二十八分厂有限责任公司附属车间"_s << u"王"_s << false << 1 << 16;
        QTest::newRow("long factory") << u"华南区第一电子元器件有限公司"_s << u"李四"_s << false << 1 << 16;
        QTest::newRow("long person") << u"一厂"_s << u"欧阳娜扎尔·买买提艾力"_s << true << 1 << 12;
        QTest::newRow("longer person") << u"华南区第一电子元器件有限公司"_s << u"阿卜杜热合曼·买买提艾力·依明江"_s
                                       << false << 2 << 12;
        QTest::newRow("latin") << u"WWWWWWWWWWWWWWWWWWWW"_s << u"MMMMMMMMMMMMMMMMMMMMMM"_s << false << 2 << 12;
    }

    void longNamesStayInsideTheirBox()
    {
        QFETCH(QString, factory);
        QFETCH(QString, name);
        QFETCH(bool, factoryWhole);
        QFETCH(int, nameLines);
        QFETCH(int, smallestPx);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        frm.AddBoardLabel(u"2"_s, u"王"_s, u"一厂"_s, 2); // a short one first
        for (int n : {1, 4, 20}) {
            frm.AddBoardLabel(u"1"_s, name, factory, n);
            BoardLabel *label = boardLabel(frm, n);
            const QRect room = frm.board().box(n).adjusted(WinnerBoard::kTextMargin, 0, -WinnerBoard::kTextMargin, 0);
            QVERIFY2(room.contains(label->geometry()), qPrintable(u"label %1"_s.arg(n)));
            QCOMPARE(label->text(), u"("_s + factory + u")\r\n"_s + name);
            const QStringList shown = label->shownLines();
            QCOMPARE(shown.size(), 1 + nameLines);
            QCOMPARE(shown.mid(1).join(QString()), name);
            QVERIFY(shown.first().startsWith(u'(') && shown.first().endsWith(u')'));
            QCOMPARE(shown.first() == u"("_s + factory + u")"_s, factoryWhole);
            for (const QString &line : shown)
                QVERIFY2(clusterWidth(label->font(), line) <= room.width(), qPrintable(line));
            QVERIFY(QFontInfo(label->font()).pixelSize() >= smallestPx);
        }
        // One size for the whole press, the short name's label too.
        for (int n : {1, 2, 4, 20})
            QCOMPARE(QFontInfo(boardLabel(frm, n)->font()).pixelSize(), frm.board().pressPixelSize());
    }

    void textFollowsShowNo_data()
    {
        QTest::addColumn<bool>("showNo");
        QTest::addColumn<QString>("text");
        QTest::newRow("factory") << false << u"(一厂)\r\n王小明"_s;
        QTest::newRow("code") << true << u"(000123)\r\n王小明"_s;
    }

    void textFollowsShowNo()
    {
        QFETCH(bool, showNo);
        QFETCH(QString, text);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        f.ts.settings.showNo = showNo;
        frm.AddBoardLabel(u"000123"_s, u"王小明"_s, u"一厂"_s, 1);
        QLabel *label = boardLabel(frm, 1);
        QCOMPARE(label->text(), text);
        // A label keeps the text it was created with.
        f.ts.settings.showNo = !showNo;
        QCOMPARE(label->text(), text);

        QCOMPARE(label->font().pointSize(), 16);
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().families().constFirst(), u"微软雅黑"_s);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(!label->autoFillBackground());
        QVERIFY(!label->wordWrap());
    }

    void clearRemovesEveryLabelAndNothingElse()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        const int othersBefore = static_cast<int>(frm.findChildren<QWidget *>().size());
        const int pumpsBefore = f.ts.pacer.pumps;
        for (int n = 1; n <= 20; ++n)
            frm.AddBoardLabel(u"%1"_s.arg(n, 6, 10, QChar(u'0')), u"员工%1"_s.arg(n), u"二厂"_s, n);
        QCOMPARE(boardLabelCount(frm), 20);
        QCOMPARE(frm.board().count(), 20);
        // Pending events are handled once before each label.
        QCOMPARE(f.ts.pacer.pumps - pumpsBefore, 20);

        frm.ClearBoard();
        QCOMPARE(boardLabelCount(frm), 0);
        QCOMPARE(static_cast<int>(frm.findChildren<QWidget *>().size()), othersBefore);

        // A board with gaps, and an empty one, clear without complaint; a
        // single label goes by its number.
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, 3);
        frm.AddBoardLabel(u"2"_s, u"乙"_s, u"一厂"_s, 17);
        frm.RemoveBoardLabel(3);
        QVERIFY(!boardLabel(frm, 3));
        QVERIFY(boardLabel(frm, 17));
        frm.ClearBoard();
        frm.ClearBoard();
        QCOMPARE(boardLabelCount(frm), 0);
    }

    // Past the press limit the board has no place: those labels are not
    // shown, so nothing covers the description and winner lines and
    // ClearBoard leaves nothing behind.
    void numbersWithoutAPlaceAreIgnored_data()
    {
        QTest::addColumn<int>("n");
        QTest::newRow("one past the limit") << kMaxWinnersPerPress + 1;
        QTest::newRow("0") << 0;
        QTest::newRow("-1") << -1;
    }

    void numbersWithoutAPlaceAreIgnored()
    {
        QFETCH(int, n);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, n);
        frm.RemoveBoardLabel(n);
        QCOMPARE(boardLabelCount(frm), 0);
    }

    void sameNumberTwiceReplacesTheLabel()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, 2);
        frm.AddBoardLabel(u"2"_s, u"乙"_s, u"二厂"_s, 2);
        QCOMPARE(boardLabelCount(frm), 1);
        QCOMPARE(boardLabel(frm, 2)->text(), u"(二厂)\r\n乙"_s);
        frm.ClearBoard();
        QCOMPARE(boardLabelCount(frm), 0);
    }

    // A full board drawn offscreen, kept for a look when the screenshots
    // folder exists (the end-to-end tests make it).
    void fullBoardPicture()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        const QStringList factories{u"一厂"_s, u"第2分厂有限公司"_s, u"深圳工厂"_s, u"总部"_s};
        for (int n = 1; n <= 20; ++n)
            frm.AddBoardLabel(u"%1"_s.arg(n, 6, 10, QChar(u'0')), n % 3 ? u"王小明"_s : u"欧阳晓"_s, factories[n % 4],
                              n);
        const QImage board = probe(frm).Panel2->grab().toImage();
        QCOMPARE(board.size(), QSize(1024, 400));
        const QDir shots(qEnvironmentVariable("PRIZEDRAW_BIN_DIR") + u"/../screenshots"_s);
        if (shots.exists())
            board.save(shots.filePath(u"board-offscreen.png"_s));
    }
};

QTEST_MAIN(TstWinnerBoard)
#include "tst_winnerboard.moc"
