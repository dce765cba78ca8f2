// The winner board: places of the labels, their text and look, clearing, and
// what happens to label numbers the board has no place for.
#include "startfrmfixture.h"

#include <QDir>
#include <QLabel>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QLabel *boardLabel(TStartFrm &frm, int n)
{
    return frm.Panel2->findChild<QLabel *>(u"Lab"_s + QString::number(n), Qt::FindDirectChildrenOnly);
}

int boardLabelCount(TStartFrm &frm)
{
    int count = 0;
    for (QObject *child : frm.Panel2->children())
        count += child->objectName().startsWith(u"Lab"_s) ? 1 : 0;
    return count;
}

} // namespace

class TstWinnerBoard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void places_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("n");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("1 top left") << 1024 << 1 << QPoint(180, 10);
        QTest::newRow("4 last column") << 1024 << 4 << QPoint(780, 10);
        QTest::newRow("5 second row") << 1024 << 5 << QPoint(180, 67);
        QTest::newRow("6 second column") << 1024 << 6 << QPoint(380, 67);
        QTest::newRow("20 last place") << 1024 << 20 << QPoint(780, 238);
        QTest::newRow("6 at 1016") << 1016 << 6 << QPoint(378, 67);
    }

    void places()
    {
        QFETCH(int, W);
        QFETCH(int, n);
        QFETCH(QPoint, topLeft);
        StartFrmFixture f(W);
        TStartFrm &frm = *f.frm;
        frm.AddBoardLabel(u"000123"_s, u"王小明"_s, u"一厂"_s, n);
        QLabel *label = boardLabel(frm, n);
        QVERIFY(label);
        // Auto-sized to its two lines; the top left stays where it was placed.
        QCOMPARE(label->pos(), topLeft);
        QCOMPARE(label->size(), label->sizeHint());
        QVERIFY(label->isVisibleTo(frm.Panel2));
        QVERIFY(frm.FindBoardControl(label->objectName()) > 0);
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
        frm.services.settings.showNo = showNo;
        frm.AddBoardLabel(u"000123"_s, u"王小明"_s, u"一厂"_s, 1);
        QLabel *label = boardLabel(frm, 1);
        QCOMPARE(label->text(), text);
        // A label keeps the text it was created with.
        frm.services.settings.showNo = !showNo;
        QCOMPARE(label->text(), text);

        QCOMPARE(label->font().pointSize(), 16);
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().families().constFirst(), u"微软雅黑"_s);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(label->alignment().testFlag(Qt::AlignHCenter));
        QVERIFY(!label->autoFillBackground());
        QVERIFY(!label->wordWrap());
    }

    void clearRemovesEveryLabelAndNothingElse()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        const int othersBefore = static_cast<int>(frm.Panel2->children().size());
        const int pumpsBefore = f.ts.pacer.pumps;
        for (int n = 1; n <= 20; ++n)
            frm.AddBoardLabel(u"%1"_s.arg(n, 6, 10, QChar(u'0')), u"员工%1"_s.arg(n), u"二厂"_s, n);
        QCOMPARE(boardLabelCount(frm), 20);
        QCOMPARE(frm.Panel2->children().constFirst(), frm.Image1);
        // Pending events are handled once before each label.
        QCOMPARE(f.ts.pacer.pumps - pumpsBefore, 20);

        frm.ClearBoard();
        QCOMPARE(boardLabelCount(frm), 0);
        QCOMPARE(static_cast<int>(frm.Panel2->children().size()), othersBefore);
        QVERIFY(frm.descs && frm.EmpName && frm.Image1);
        QCOMPARE(frm.FindBoardControl(u"Lab1"_s), 0);

        // A board with gaps, and an empty one, clear without complaint.
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, 3);
        frm.AddBoardLabel(u"2"_s, u"乙"_s, u"一厂"_s, 17);
        frm.ClearBoard();
        frm.ClearBoard();
        QCOMPARE(boardLabelCount(frm), 0);
    }

    void findBoardControl()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        QCOMPARE(frm.FindBoardControl(u"Image1"_s), 0); // position 0 is the picture
        QVERIFY(frm.FindBoardControl(u"descs"_s) > 0);
        QCOMPARE(frm.FindBoardControl(u"Lab1"_s), 0);
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, 1);
        const int p = frm.FindBoardControl(u"Lab1"_s);
        QVERIFY(p > 0);
        QCOMPARE(frm.Panel2->children().at(p)->objectName(), u"Lab1"_s);
        QCOMPARE(frm.FindBoardControl(u"lab1"_s), 0); // names compare case-sensitively
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
        const int childrenBefore = static_cast<int>(frm.Panel2->children().size());
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, n);
        QCOMPARE(static_cast<int>(frm.Panel2->children().size()), childrenBefore);
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
        const QStringList factories{u"一厂"_s, u"二厂"_s, u"深圳工厂"_s, u"总部"_s};
        for (int n = 1; n <= 20; ++n)
            frm.AddBoardLabel(u"%1"_s.arg(n, 6, 10, QChar(u'0')), n % 3 ? u"王小明"_s : u"欧阳晓"_s, factories[n % 4], n);
        const QImage board = frm.Panel2->grab().toImage();
        QCOMPARE(board.size(), QSize(1024, 400));
        const QDir shots(qEnvironmentVariable("PRIZEDRAW_BIN_DIR") + u"/../screenshots"_s);
        if (shots.exists())
            board.save(shots.filePath(u"board-offscreen.png"_s));
    }
};

QTEST_MAIN(TstWinnerBoard)
#include "tst_winnerboard.moc"
