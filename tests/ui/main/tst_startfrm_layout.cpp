// Layout values and the positions they give on screens 1024 and 1016 wide.
#include "startfrmfixture.h"

#include "ui/common/screenfonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QtTest>

using namespace Qt::StringLiterals;

class TstStartFrmLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void values_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<QList<int>>("expected"); // DigitTop, DigitLeft, DigitGap, BoardTop, BoardLeft, BoardColGap, BoardRowHeight, descs top
        QTest::newRow("1024") << 1024 << QList<int>{19, 150, 85, 10, 180, 128, 57, 320};
        QTest::newRow("1016") << 1016 << QList<int>{19, 149, 84, 10, 179, 127, 57, 320};
        // Trunc cuts toward zero: 1030 / 6 = 171.67, / 12 = 85.8, / 8 = 128.75.
        QTest::newRow("1030") << 1030 << QList<int>{19, 151, 85, 10, 181, 128, 57, 320};
    }

    void values()
    {
        QFETCH(int, W);
        QFETCH(QList<int>, expected);
        const LayoutValues v = LayoutValues::compute(W, TStartFrm::kPanel2Height, TStartFrm::kPanel3Height,
                                                     TStartFrm::kDigitHeight);
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
        for (QLabel *digit : frm.numbers) {
            lefts << digit->x();
            QCOMPARE(digit->y(), 19);
            QCOMPARE(digit->size(), QSize(66, 142));
            QCOMPARE(digit->text(), u"0"_s);
        }
        QCOMPARE(lefts, digitLefts);
        QCOMPARE(frm.descs->geometry(), QRect(0, 320, W, 31));
        QCOMPARE(frm.Titles->geometry(), QRect(0, 16, W, 41));
        QCOMPARE(frm.EmpName->geometry(), QRect(96, 347, 825, 59));
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
        const QList<QRect> bands{frm.Panel1->geometry(), frm.Panel2->geometry(), frm.Panel3->geometry(), frm.Panel4->geometry()};
        QCOMPARE(bands, (QList<QRect>{{0, 0, 1024, 80}, {0, 80, 1024, 400}, {0, 480, 1024, 180}, {0, 660, 1024, 60}}));
        // Each picture band shows its picture stretched over the whole band.
        for (QLabel *picture : {frm.TitleImage, frm.Image1, frm.DigitsImage}) {
            QVERIFY2(!picture->pixmap().isNull(), qPrintable(picture->objectName()));
            QCOMPARE(picture->geometry(), picture->parentWidget()->rect());
            QVERIFY(picture->hasScaledContents());
        }
        QCOMPARE(frm.Panel2->children().constFirst(), frm.Image1);
        QCOMPARE(frm.descs->text(), frm.description());
        QCOMPARE(frm.EmpName->text(), u"本次中奖者是:......"_s);
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

    // The faces the screens ask for must end in a face that has Chinese
    // glyphs on this machine, not in one that shows empty boxes.
    void fontsHaveChineseGlyphs_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::newRow("yahei px") << yaHeiFont(24, true);
        QTest::newRow("yahei pt") << yaHeiPointFont(16, true);
        QTest::newRow("xihei") << xiHeiFont();
    }

    void fontsHaveChineseGlyphs()
    {
        QFETCH(QFont, font);
        const QString family = QFontInfo(font).family();
        QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese), qPrintable(family));
    }
};

QTEST_MAIN(TstStartFrmLayout)
#include "tst_startfrm_layout.moc"
