// The winner board: places and boxes from one set of numbers, labels centred
// in their boxes and kept inside them whatever the name, their text and look,
// clearing, and what happens to label numbers the board has no place for.
#include "startfrmfixture.h"
#include "startfrmprobe.h"

#include "ui/main/boardlabel.h"
#include "ui/main/winnerboard.h"

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
        QCOMPARE(board.place(n), place);
        QCOMPARE(board.x(), (W - std::min(W, 1024)) / 2);
        frm.AddBoardLabel(u"000123"_s, u"王小明"_s, u"一厂"_s, n);
        BoardLabel *label = boardLabel(frm, n);
        QVERIFY(label);
        // As wide as its text; its lines held inside the box.
        QCOMPARE(label->width(), label->sizeHint().width());
        QVERIFY(label->isVisibleTo(&frm));
        // The box stands centred on the label's created size at its place, and
        // the label centred in its box.
        const QRect box = board.box(n);
        const QPointF createdCentre = QRectF(place, QSizeF(WinnerBoard::kCreatedSize)).center();
        QVERIFY(qAbs(QRectF(box).center().x() - createdCentre.x()) <= 1);
        QVERIFY(qAbs(QRectF(box).center().y() - createdCentre.y()) <= 1);
        QVERIFY(qAbs(QRectF(label->geometry()).center().x() - QRectF(box).center().x()) <= 1);
        QVERIFY(qAbs(QRectF(label->geometry()).center().y() - QRectF(box).center().y()) <= 1);
        QVERIFY(box.contains(label->geometry()));
    }

    // The twenty boxes tile the board: no two overlap, each lies above the
    // description line and on the stage.
    void boxesTileTheBoard()
    {
        StartFrmFixture f;
        WinnerBoard &board = f.frm->board();
        for (int n = 1; n <= WinnerBoard::kCapacity; ++n) {
            const QRect box = board.box(n);
            QVERIFY2(board.rect().contains(box), qPrintable(u"box %1"_s.arg(n)));
            QVERIFY(box.bottom() < probe(f.frm).descs->y());
            for (int m = n + 1; m <= WinnerBoard::kCapacity; ++m)
                QVERIFY2(!box.intersects(board.box(m)), qPrintable(u"boxes %1 and %2"_s.arg(n).arg(m)));
        }
    }

    // Long factory or person names are drawn smaller or elided so that they
    // stay inside the box; the label's text itself stays whole.
    void longNamesStayInsideTheirBox_data()
    {
        QTest::addColumn<QString>("factory");
        QTest::addColumn<QString>("name");
        QTest::newRow("8-character factory") << u"第2分厂有限公司"_s << u"王小明"_s;
        QTest::newRow("8-character person") << u"一厂"_s << u"欧阳娜娜娜娜娜娜"_s;
        QTest::newRow("far too long") << u"深圳市第二十八分厂有限责任公司附属车间"_s << u"王"_s;
        QTest::newRow("latin") << u"WWWWWWWWWWWWWWWWWWWW"_s << u"MMMMMMMMMMMMMM"_s;
    }

    void longNamesStayInsideTheirBox()
    {
        QFETCH(QString, factory);
        QFETCH(QString, name);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        for (int n : {1, 4, 20}) {
            frm.AddBoardLabel(u"1"_s, name, factory, n);
            BoardLabel *label = boardLabel(frm, n);
            const QRect room = frm.board().box(n).adjusted(WinnerBoard::kTextMargin, 0, -WinnerBoard::kTextMargin, 0);
            QVERIFY2(room.contains(label->geometry()), qPrintable(u"label %1"_s.arg(n)));
            QCOMPARE(label->text(), u"("_s + factory + u")\r\n"_s + name);
            QVERIFY(QFontInfo(label->font()).pixelSize() >= 16);
        }
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

    // Past twenty winners the board has no place: those labels are not shown,
    // so nothing covers the description and winner lines and ClearBoard
    // leaves nothing behind.
    void numbersWithoutAPlaceAreIgnored_data()
    {
        QTest::addColumn<int>("n");
        QTest::newRow("21") << 21;
        QTest::newRow("40") << 40;
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
