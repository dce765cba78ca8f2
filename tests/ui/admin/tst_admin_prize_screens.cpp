// The prize item entry screen and the current prize picker, opened from the
// main screen with scripted answers and a real database file.
#include "ui/admin/setcurritemfrm.h"
#include "ui/admin/setitemfrm.h"
#include "ui/main/startfrm.h"
#include "startfrmprobe.h"
#include "testsupport.h"
#include "screensupport.h"

#include <QLineEdit>
#include <QTableView>
#include <QHeaderView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Fixture {
    TempDb db;
    TestServices ts{db};
    std::unique_ptr<TStartFrm> frm;

    Fixture(bool withRoster = true)
    {
        if (withRoster)
            db.addEmployee(u"000001"_s, u"王伟"_s, u"一厂"_s);
        frm = std::make_unique<TStartFrm>(ts.services);
    }
    int itemCount() { return db.scalar(u"select count(*) from AwardItem"_s).toInt(); }
    void press(QAction *command) { command->trigger(); }
};

// Shows the screen and types a key into the widget, as the operator would.
int typeKey(QDialog &screen, QWidget *target, Qt::Key key)
{
    screen.show();
    QTest::keyClick(target, key);
    return screen.result();
}

} // namespace

class TestPrizeScreens : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enterAtOnceAddsDefaultItem()
    {
        Fixture f(true);
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            return typeKey(screen, screen.DBEdit1, Qt::Key_Return);
        };
        f.press(probe(f.frm).ActSetItem);
        QCOMPARE(f.itemCount(), 1);
        QSqlQuery q =
            f.db.db().exec(u"select iSeq, ItemName, Awards, SumNumber, iNumber, ExcNum, IsExec from AwardItem"_s);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QCOMPARE(q.value(1).toString(), u"特别奖"_s);
        QCOMPARE(q.value(2).toString(), u"现金1000元"_s);
        QCOMPARE(q.value(3).toInt(), 1);
        QCOMPARE(q.value(4).toInt(), 1);
        QCOMPARE(q.value(5).toInt(), 0);
        QCOMPARE(q.value(6).toInt(), 0);
        QCOMPARE(f.frm->description(), u"现在抽取:特别奖, 奖品:现金1000元, 共:1人,准备抽取第:1位."_s);
        // No picture beside the program: reported, and the screen still worked.
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QVERIFY(f.ts.dialogs.texts(u"error"_s).first().contains(u"setitem.jpg"_s));
    }

    void newItemFollowsItemCount()
    {
        Fixture f;
        f.db.addItem(7, u"一等奖"_s, u"电脑"_s, 2, 1);
        f.db.addItem(3, u"二等奖"_s, u"手机"_s, 4, 2);
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            return typeKey(screen, screen.DBEdit4, Qt::Key_Return);
        };
        f.press(probe(f.frm).ActSetItem);
        QCOMPARE(f.db.scalar(u"select iSeq from AwardItem where ItemName = ?"_s, {u"特别奖"_s}).toInt(), 3);
    }

    void escapeWritesNothing()
    {
        Fixture f;
        f.db.addItem(1, u"一等奖"_s, u"电脑"_s, 2, 1);
        f.frm->PrepareCurrentPrize();
        const QString before = f.frm->description();
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            screen.DBEdit1->setText(u"不要的"_s);
            return typeKey(screen, screen.DBEdit1, Qt::Key_Escape);
        };
        f.press(probe(f.frm).ActSetItem);
        QCOMPARE(f.itemCount(), 1);
        QCOMPARE(f.frm->description(), before);
    }

    void secondOpeningStartsFromDefaults()
    {
        Fixture f;
        QStringList seen;
        int opening = 0;
        f.ts.dialogs.onModal = [&](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            seen << screen.DBEdit1->text() + u'|' + screen.DBEdit2->text() + u'|' + screen.DBEdit3->text() + u'|'
                        + screen.DBEdit4->text();
            if (++opening == 1) {
                screen.DBEdit1->setText(u"一等奖"_s);
                screen.DBEdit3->setText(u"5"_s);
                return typeKey(screen, screen.DBEdit1, Qt::Key_Return);
            }
            return typeKey(screen, screen.DBEdit1, Qt::Key_Escape);
        };
        f.press(probe(f.frm).ActSetItem);
        f.press(probe(f.frm).ActSetItem);
        QCOMPARE(seen, QStringList({u"特别奖|现金1000元|1|1"_s, u"特别奖|现金1000元|1|1"_s}));
        QCOMPARE(f.itemCount(), 1);
    }

    void numberFieldsTakeDigitsAndSigns()
    {
        Fixture f;
        TSetItemFrm screen(f.ts.services);
        screen.show();
        screen.DBEdit3->clear();
        QTest::keyClicks(screen.DBEdit3, u"1a2,-x3"_s);
        QCOMPARE(screen.DBEdit3->text(), u"12-3"_s);
    }

    void unserviceableItemIsRefused_data()
    {
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("per");
        QTest::addRow("total 0") << u"0"_s << u"1"_s;
        QTest::addRow("negative total") << u"-2"_s << u"1"_s;
        QTest::addRow("per above total") << u"3"_s << u"4"_s;
        QTest::addRow("per above 20") << u"50"_s << u"21"_s;
        QTest::addRow("per 0") << u"5"_s << u"0"_s;
        QTest::addRow("sign only") << u"5"_s << u"-"_s;
    }
    void unserviceableItemIsRefused()
    {
        QFETCH(QString, sum);
        QFETCH(QString, per);
        Fixture f;
        bool stayedOpen = false;
        f.ts.dialogs.onModal = [&](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            screen.DBEdit3->setText(sum);
            screen.DBEdit4->setText(per);
            typeKey(screen, screen.DBEdit1, Qt::Key_Return);
            stayedOpen = screen.isVisible() && screen.result() != QDialog::Accepted;
            // The operator corrects the entry and confirms again.
            screen.DBEdit3->setText(u"10"_s);
            screen.DBEdit4->setText(u"2"_s);
            return typeKey(screen, screen.DBEdit1, Qt::Key_Return);
        };
        f.press(probe(f.frm).ActSetItem);
        QVERIFY(stayedOpen);
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s)
                     .count(u"每次抽奖人数不能大于20，也不能小于1,也不能大于此奖项的中奖总人数"_s),
                 1);
        QCOMPARE(f.itemCount(), 1);
        QCOMPARE(f.db.scalar(u"select SumNumber * 100 + iNumber from AwardItem"_s).toInt(), 1002);
    }

    void pickerListsOpenItemsBySeq()
    {
        Fixture f;
        const int a = f.db.addItem(2, u"A"_s, u"a"_s, 3, 1);
        f.db.addItem(1, u"完成"_s, u"b"_s, 2, 1, 2, true);
        f.db.addItem(0, u"超出"_s, u"c"_s, 2, 1, 3, false);
        const int d = f.db.addItem(1, u"D"_s, u"d"_s, 4, 2);
        QList<int> listed;
        f.ts.dialogs.onModal = [&](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetCurrItemFrm &>(dialog);
            for (const PrizeItem &item : screen.items)
                listed << item.RecNo;
            return typeKey(screen, screen.dxDBGrid1, Qt::Key_Return);
        };
        f.press(probe(f.frm).ActSetCurrItem);
        QCOMPARE(listed, QList<int>({d, a}));
        QCOMPARE(f.frm->round.currItemNo(), d);
        QCOMPARE(f.frm->description(), u"现在抽取:D, 奖品:d, 共:4人,准备抽取第:1位."_s);
    }

    void pickerEscapeChangesNothing()
    {
        Fixture f;
        const int a = f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        f.db.addItem(2, u"B"_s, u"b"_s, 3, 1);
        f.frm->PrepareCurrentPrize();
        const QString before = f.frm->description();
        const int soundCalls = f.ts.sound.calls.size();
        f.ts.dialogs.onModal = [](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetCurrItemFrm &>(dialog);
            screen.show();
            QTest::keyClick(screen.dxDBGrid1, Qt::Key_Down);
            return typeKey(screen, screen.dxDBGrid1, Qt::Key_Escape);
        };
        f.press(probe(f.frm).ActSetCurrItem);
        QCOMPARE(f.frm->round.currItemNo(), a);
        QCOMPARE(f.frm->description(), before);
        QCOMPARE(f.ts.sound.calls.size(), soundCalls); // no reload
    }

    void finishedItemThatLostAWinnerCanBeChosen()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        // Complete once, then one winner deleted: IsExec stays set.
        const int lost = f.db.addItem(2, u"B"_s, u"b"_s, 2, 1, 1, true);
        f.frm->PrepareCurrentPrize();
        f.ts.dialogs.onModal = [](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetCurrItemFrm &>(dialog);
            screen.show();
            QTest::keyClick(screen.dxDBGrid1, Qt::Key_Down);
            const QRect cell = screen.dxDBGrid1->visualRect(screen.dxDBGrid1->currentIndex());
            QTest::mouseClick(screen.dxDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(screen.dxDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
            return screen.result();
        };
        f.press(probe(f.frm).ActSetCurrItem);
        QCOMPARE(f.frm->round.currItemNo(), lost);
        QCOMPARE(f.frm->description(), u"现在抽取:B, 奖品:b, 共:2人,准备抽取第:2位."_s);
    }

    // The columns share the whole width; the indicator marks the selected row only.
    void pickerFillsItsWidthAndMarksTheSelectedRow()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        f.db.addItem(2, u"B"_s, u"b"_s, 3, 1);
        int columnsWidth = 0;
        int viewportWidth = -1;
        QStringList marksAtStart;
        QStringList marksAfterDown;
        const auto marks = [](TSetCurrItemFrm &screen) {
            QStringList out;
            for (int r = 0; r < screen.dxDBGrid1->model()->rowCount(); ++r)
                out << screen.dxDBGrid1->model()->headerData(r, Qt::Vertical).toString();
            return out;
        };
        f.ts.dialogs.onModal = [&](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetCurrItemFrm &>(dialog);
            screen.show();
            QApplication::processEvents();
            QHeaderView *header = screen.dxDBGrid1->horizontalHeader();
            for (int c = 0; c < header->count(); ++c)
                columnsWidth += header->sectionSize(c);
            viewportWidth = screen.dxDBGrid1->viewport()->width();
            marksAtStart = marks(screen);
            QTest::keyClick(screen.dxDBGrid1, Qt::Key_Down);
            marksAfterDown = marks(screen);
            return typeKey(screen, screen.dxDBGrid1, Qt::Key_Escape);
        };
        f.press(probe(f.frm).ActSetCurrItem);
        QCOMPARE(columnsWidth, viewportWidth);
        QCOMPARE(marksAtStart, (QStringList{u"▶"_s, QString()}));
        QCOMPARE(marksAfterDown, (QStringList{QString(), u"▶"_s}));
    }

    void emptyPickerStillConfirms()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 1, 1, 1, true);
        f.ts.dialogs.onModal = [](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetCurrItemFrm &>(dialog);
            return typeKey(screen, screen.dxDBGrid1, Qt::Key_Return);
        };
        f.press(probe(f.frm).ActSetCurrItem);
        QCOMPARE(f.frm->round.currItemNo(), 0);
        QCOMPARE(f.frm->description(), u"未设置奖项或全部奖项已抽完!"_s);
    }
};

QTEST_MAIN(TestPrizeScreens)
#include "tst_admin_prize_screens.moc"
