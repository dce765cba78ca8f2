// The prize item entry screen and the current prize picker, opened as the
// main screen opens them, with scripted answers and a real database file.
#include "ui/admin/setcurritemfrm.h"
#include "ui/admin/setitemfrm.h"
#include "store/setupstore.h"
#include "testsupport.h"
#include "screensupport.h"

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTableView>
#include <QHeaderView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What a picker closed without a choice gives.
constexpr int kNotChosen = -1;

struct Fixture {
    TempDb db;
    TestServices ts{db};

    int itemCount() { return db.scalar(u"select count(*) from AwardItem"_s).toInt(); }
    // The entry screen run by the dialogs' onModal, with the defaults of the
    // item after those there are; the item is written on OK. Returns the
    // screen's result.
    int enterItem(const QString &picturesFolder = QString())
    {
        TSetItemFrm screen(ts.exeFolder, db.db(), ts.dialogs);
        screen.setPicturesFolder(picturesFolder);
        screen.ADOQuery2NewRecord(countPrizeItems(db.db()));
        const int result = ts.dialogs.runModal(screen);
        if (result == QDialog::Accepted)
            screen.post();
        return result;
    }
    // The picker on the open items, run by the dialogs' onModal: the RecNo
    // chosen, or kNotChosen.
    int pickItem()
    {
        TSetCurrItemFrm screen(db.db());
        screen.open();
        if (ts.dialogs.runModal(screen) != QDialog::Accepted)
            return kNotChosen;
        return screen.selectedRecNo();
    }
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
        Fixture f;
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            return typeKey(screen, screen.DBEdit1, Qt::Key_Return);
        };
        QCOMPARE(f.enterItem(), int(QDialog::Accepted));
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
        // No picture beside the program: reported, and the screen still worked.
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QVERIFY(f.ts.dialogs.texts(u"error"_s).first().contains(u"setitem.jpg"_s));
    }

    // 奖品图片 on the entry page: a file that is no picture is refused by name
    // at once; a picture is copied as prize-<RecNo> once the item is written.
    void pictureIsStoredWithTheNewItem()
    {
        Fixture f;
        const QString text = f.db.folder() + u"奖品.jpg"_s;
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("电视机");
        file.close();
        QImage tv(40, 30, QImage::Format_RGB32);
        tv.fill(Qt::cyan);
        QVERIFY(tv.save(f.db.folder() + u"tv.png"_s));
        f.ts.dialogs.fileAnswers = {text, f.db.folder() + u"tv.png"_s};
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            screen.choosePicture();
            screen.choosePicture();
            return typeKey(screen, screen.DBEdit1, Qt::Key_Return);
        };
        QCOMPARE(f.enterItem(f.db.folder() + u"pictures/"_s), int(QDialog::Accepted));
        const int recNo = f.db.scalar(u"select max(RecNo) from AwardItem"_s).toInt();
        QVERIFY(QFile::exists(f.db.folder() + u"pictures/prize-%1.png"_s.arg(recNo)));
        QVERIFY(f.ts.dialogs.texts(u"notify"_s).value(0).contains(u"奖品.jpg"_s));
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
        f.enterItem();
        QCOMPARE(f.db.scalar(u"select iSeq from AwardItem where ItemName = ?"_s, {u"特别奖"_s}).toInt(), 3);
    }

    void escapeWritesNothing()
    {
        Fixture f;
        f.db.addItem(1, u"一等奖"_s, u"电脑"_s, 2, 1);
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            screen.DBEdit1->setText(u"不要的"_s);
            return typeKey(screen, screen.DBEdit1, Qt::Key_Escape);
        };
        QCOMPARE(f.enterItem(), int(QDialog::Rejected));
        QCOMPARE(f.itemCount(), 1);
    }

    void numberFieldsTakeDigitsAndSigns()
    {
        Fixture f;
        TSetItemFrm screen(f.ts.exeFolder, f.db.db(), f.ts.dialogs);
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
        QTest::addRow("per above 100") << u"500"_s << u"101"_s;
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
        f.enterItem();
        QVERIFY(stayedOpen);
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s)
                     .count(u"每次抽奖人数不能大于100，也不能小于1,也不能大于此奖项的中奖总人数"_s),
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
        QCOMPARE(f.pickItem(), d);
        QCOMPARE(listed, QList<int>({d, a}));
    }

    void pickerEscapeChoosesNothing()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        f.db.addItem(2, u"B"_s, u"b"_s, 3, 1);
        f.ts.dialogs.onModal = [](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetCurrItemFrm &>(dialog);
            screen.show();
            QTest::keyClick(screen.dxDBGrid1, Qt::Key_Down);
            return typeKey(screen, screen.dxDBGrid1, Qt::Key_Escape);
        };
        QCOMPARE(f.pickItem(), kNotChosen);
    }

    void finishedItemThatLostAWinnerCanBeChosen()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        // Complete once, then one winner deleted: IsExec stays set.
        const int lost = f.db.addItem(2, u"B"_s, u"b"_s, 2, 1, 1, true);
        f.ts.dialogs.onModal = [](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetCurrItemFrm &>(dialog);
            screen.show();
            QTest::keyClick(screen.dxDBGrid1, Qt::Key_Down);
            const QRect cell = screen.dxDBGrid1->visualRect(screen.dxDBGrid1->currentIndex());
            QTest::mouseClick(screen.dxDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(screen.dxDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
            return screen.result();
        };
        QCOMPARE(f.pickItem(), lost);
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
        f.pickItem();
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
        QCOMPARE(f.pickItem(), 0);
    }
};

QTEST_MAIN(TestPrizeScreens)
#include "tst_admin_prize_screens.moc"
