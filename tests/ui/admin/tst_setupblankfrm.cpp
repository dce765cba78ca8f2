#include "ui/admin/selectempdlgfrm.h"
#include "ui/admin/setupblankfrm.h"
#include "store/catalogue.h"
#include "screensupport.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSqlRecord>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Rows of a table as "field|field|..." in RecNo order; NULL reads as empty.
QStringList rows(TempDb &t, bool designations)
{
    QSqlQuery q = t.db().exec(designations ? u"select sNo, sName, sTime, Checked, sCompCode from Award order by RecNo"_s
                                           : u"select sNo, sName, sCompCode from AwardBlank order by RecNo"_s);
    QStringList out;
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < q.record().count(); ++i)
            fields << q.value(i).toString();
        out << fields.join(u'|');
    }
    return out;
}

// A roster where code 2001 exists in two factories, and two prize items whose
// draw order is the reverse of their RecNo order.
struct Fixture {
    Fixture()
    {
        t.addEmployee(u"1001"_s, u"张三"_s, u"一厂"_s);
        t.addEmployee(u"1002"_s, u"李四"_s, u"二厂"_s);
        t.addEmployee(u"2001"_s, u"王五"_s, u"一厂"_s);
        t.addEmployee(u"2001"_s, u"赵六"_s, u"二厂"_s);
        second = t.addItem(2, u"二等奖"_s, u"手机"_s, 5, 1);
        first = t.addItem(1, u"一等奖"_s, u"电脑"_s, 1, 1);
    }
    TempDb t;
    ScriptedDialogs dialogs;
    int first = 0;
    int second = 0;
};

// Types text as key presses (QTest::keyClicks takes Latin-1 only).
void typeText(QWidget *edit, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &press);
    }
}

void enterCode(QLineEdit *edit, const QString &code)
{
    edit->selectAll();
    if (code.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        typeText(edit, code);
    QTest::keyClick(edit, Qt::Key_Return);
}

void showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

class tst_setupblankfrm : public QObject {
    Q_OBJECT

private:
    static QLineEdit *codeEdit(TSetupBlankFrm &f, bool d) { return d ? f.DBEdit1 : f.DBEdit3; }
    static QLineEdit *factoryEdit(TSetupBlankFrm &f, bool d) { return d ? f.DBEdit5 : f.DBEdit6; }
    static QTableView *gridOf(TSetupBlankFrm &f, bool d) { return d ? f.dxDBGrid1 : f.dxDBGrid2; }
    // Chooses an item in the prize-item box as the operator does: the box
    // takes the focus, then its list gives the choice.
    static void chooseInBox(TSetupBlankFrm &f, int index)
    {
        f.dxDBLookupEdit1->setFocus();
        f.dxDBLookupEdit1->setCurrentIndex(index);
        Q_EMIT f.dxDBLookupEdit1->activated(index);
    }

    static void bothLists()
    {
        QTest::addColumn<bool>("designation");
        QTest::addRow("designations") << true;
        QTest::addRow("exclusions") << false;
    }

private Q_SLOTS:
    void screenLayout()
    {
        Fixture f;
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        QCOMPARE(frm.windowTitle(), u"指定与排除"_s);
        QCOMPARE(frm.size(), QSize(681, 309));
        QCOMPARE(frm.font().pixelSize(), 13);
        QCOMPARE(frm.Label7->text(), u"设定白名单:"_s);
        QCOMPARE(frm.Label10->text(), u"设定黑名单:"_s);
        QCOMPARE(frm.Button1->geometry(), QRect(184, 0, 75, 25));
        QCOMPARE(frm.Button4->geometry(), QRect(592, 3, 75, 25));
        QCOMPARE(frm.BitBtn1->text(), u"确认"_s);
        QCOMPARE(frm.BitBtn2->geometry(), QRect(440, 273, 75, 25));
        QCOMPARE(frm.dxDBGrid1->geometry(), QRect(16, 56, 329, 205));
        QCOMPARE(frm.dxDBGrid2->geometry(), QRect(384, 56, 281, 205));
        QCOMPARE(frm.DBEdit3->geometry(), QRect(384, 32, 97, 21));
        QCOMPARE(frm.PopupMenu1->actions().size(), 1);
        QCOMPARE(frm.PopupMenu1->actions().front()->text(), u"清除列表"_s);

        QStringList headers;
        for (int c = 0; c < frm.ADOQuery1.columnCount(); ++c) {
            if (!frm.dxDBGrid1->isColumnHidden(c))
                headers << frm.ADOQuery1.headerData(c, Qt::Horizontal).toString();
        }
        QCOMPARE(headers, (QStringList{u"工厂名称"_s, u"号码"_s, u"姓名"_s, u"奖项"_s, u"状态"_s}));
        // The prize-item box lists the items in draw order.
        QCOMPARE(frm.dxDBLookupEdit1->count(), 2);
        QCOMPARE(frm.dxDBLookupEdit1->itemText(0), u"一等奖"_s);
        QCOMPARE(frm.dxDBLookupEdit1->itemData(0).toInt(), f.first);
    }

    void enterOnAnEmptyListCreatesItsFirstRow_data() { bothLists(); }
    void enterOnAnEmptyListCreatesItsFirstRow()
    {
        QFETCH(bool, designation);
        Fixture f;
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        enterCode(codeEdit(frm, designation), u"1001"_s);

        // No item chosen yet: the first in draw order, not the first by RecNo.
        // The row had no factory: it takes the person's.
        const QString expected = designation ? u"1001|张三|%1|0|一厂"_s.arg(f.first) : u"1001|张三|一厂"_s;
        QCOMPARE(rows(f.t, designation), QStringList{expected});
        QCOMPARE(gridOf(frm, designation)->model()->rowCount(), 1);
        QCOMPARE(f.dialogs.calls.size(), size_t(0));
        if (designation)
            QCOMPARE(frm.dxDBLookupEdit1->currentText(), u"一等奖"_s);

        // Written at once: another connection sees it before the screen closes.
        Database other(u"other-connection"_s);
        QVERIFY(other.open(f.t.path()).isEmpty());
        const QString statement =
            designation ? QString(Catalogue::OpenDesignations) : QString(Catalogue::AwardBlankByRecNo);
        QSqlQuery q = other.exec(statement, designation ? QVariantList{f.first} : QVariantList{});
        QVERIFY(q.next());
        QCOMPARE(q.value(u"sName"_s).toString(), u"张三"_s);
    }

    void enterOverARowChangesItInPlace_data() { bothLists(); }
    void enterOverARowChangesItInPlace()
    {
        QFETCH(bool, designation);
        Fixture f;
        if (designation)
            f.t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1001', '张三', ?, 1, '三厂')"_s,
                     {f.second});
        else
            f.t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1001', '张三', '三厂')"_s);
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        QCOMPARE(codeEdit(frm, designation)->text(), u"1001"_s);
        enterCode(codeEdit(frm, designation), u"1002"_s);

        // The item shown for the row stays; the draw's Checked is not touched.
        // Nobody has the code in the row's factory: the person's factory is taken.
        const QString expected = designation ? u"1002|李四|%1|1|二厂"_s.arg(f.second) : u"1002|李四|二厂"_s;
        QCOMPARE(rows(f.t, designation), QStringList{expected});
        QCOMPARE(factoryEdit(frm, designation)->text(), u"二厂"_s);
    }

    void emptyCodeIsRefused_data() { bothLists(); }
    void emptyCodeIsRefused()
    {
        QFETCH(bool, designation);
        Fixture f;
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        enterCode(codeEdit(frm, designation), QString());
        QCOMPARE(f.dialogs.calls.size(), size_t(1));
        QCOMPARE(f.dialogs.calls[0].kind, u"notify"_s);
        QCOMPARE(f.dialogs.calls[0].text, u"号码不能为空,请输入号码!"_s);
        QCOMPARE(f.dialogs.calls[0].caption, u"系统提示"_s);
        QCOMPARE(f.dialogs.calls[0].icon, Dialogs::Icon::None);
        QVERIFY(rows(f.t, designation).isEmpty());
    }

    void unknownCodeChangesNothingAndIsDroppedOnCancel_data() { bothLists(); }
    void unknownCodeChangesNothingAndIsDroppedOnCancel()
    {
        QFETCH(bool, designation);
        Fixture f;
        {
            TSetupBlankFrm frm(f.t.db(), f.dialogs);
            enterCode(codeEdit(frm, designation), u"9999"_s);
            QCOMPARE(f.dialogs.calls.size(), size_t(0));
            QCOMPARE(codeEdit(frm, designation)->text(), u"9999"_s);
            QVERIFY(rows(f.t, designation).isEmpty());
            frm.BitBtn2->click();
            QCOMPARE(frm.result(), int(QDialog::Rejected));
        }
        QVERIFY(rows(f.t, designation).isEmpty());
    }

    // 确认 posts the row being edited: a factory typed after the lookup stays.
    void okPostsTheRowBeingEdited_data() { bothLists(); }
    void okPostsTheRowBeingEdited()
    {
        QFETCH(bool, designation);
        Fixture f;
        {
            TSetupBlankFrm frm(f.t.db(), f.dialogs);
            enterCode(codeEdit(frm, designation), u"1001"_s);
            factoryEdit(frm, designation)->selectAll();
            typeText(factoryEdit(frm, designation), u"三厂"_s);
            frm.BitBtn1->click();
            QCOMPARE(frm.result(), int(QDialog::Accepted));
        }
        const QString expected = designation ? u"1001|张三|%1|0|三厂"_s.arg(f.first) : u"1001|张三|三厂"_s;
        QCOMPARE(rows(f.t, designation), QStringList{expected});
    }

    // Insert and Down on the last row give a new row, so that several people
    // are entered by code one after the other; an untouched one is dropped.
    void severalCodesOneAfterTheOther_data()
    {
        QTest::addColumn<bool>("designation");
        QTest::addColumn<int>("key");
        QTest::addRow("designations, Down") << true << int(Qt::Key_Down);
        QTest::addRow("designations, Insert") << true << int(Qt::Key_Insert);
        QTest::addRow("exclusions, Down") << false << int(Qt::Key_Down);
        QTest::addRow("exclusions, Insert") << false << int(Qt::Key_Insert);
    }
    void severalCodesOneAfterTheOther()
    {
        QFETCH(bool, designation);
        QFETCH(int, key);
        Fixture f;
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        QTableView *grid = gridOf(frm, designation);
        enterCode(codeEdit(frm, designation), u"1001"_s);
        QTest::keyClick(grid, Qt::Key(key));
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(codeEdit(frm, designation)->text(), QString());
        enterCode(codeEdit(frm, designation), u"1002"_s);
        QTest::keyClick(grid, Qt::Key(key));
        // Leaving the third row untouched drops it.
        const int other = grid->currentIndex().row() == 0 ? grid->model()->rowCount() - 1 : 0;
        grid->setCurrentIndex(grid->model()->index(other, 1));
        QCOMPARE(grid->model()->rowCount(), 2);
        QStringList codes;
        for (const QString &row : rows(f.t, designation))
            codes << row.section(u'|', 0, 0);
        codes.sort();
        QCOMPARE(codes, (QStringList{u"1001"_s, u"1002"_s}));
        QCOMPARE(f.dialogs.calls.size(), size_t(0));
    }

    void codeInTwoFactoriesThroughTheLookup()
    {
        Fixture f;
        f.t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1', 'x', '二厂')"_s);
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        // The row's factory tells which of the two people is meant.
        enterCode(frm.DBEdit3, u"2001"_s);
        QCOMPARE(rows(f.t, false), QStringList{u"2001|赵六|二厂"_s});
        // Without a factory on the row the lookup cannot tell; it takes one with their factory.
        enterCode(frm.DBEdit1, u"2001"_s);
        const QStringList designations = rows(f.t, true);
        QCOMPARE(designations.size(), 1);
        QVERIFY(designations[0] == u"2001|王五|%1|0|一厂"_s.arg(f.first)
                || designations[0] == u"2001|赵六|%1|0|二厂"_s.arg(f.first));
    }

    void pickerOpensOnTheRowItWasLeftOn()
    {
        Fixture f;
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        std::vector<int> openedOn;
        f.dialogs.onModal = [&](QDialog &dialog) {
            auto &picker = dynamic_cast<TSelectEmpDlgFrm &>(dialog);
            openedOn.push_back(picker.chosenRow());
            picker.selectRow(2);
            return int(openedOn.size() == 1 ? QDialog::Rejected : QDialog::Accepted);
        };
        frm.Button3->click(); // left on the third row, with Cancel
        frm.Button3->click();
        QCOMPARE(openedOn, (std::vector<int>{0, 2}));
        QCOMPARE(rows(f.t, false).size(), 1);
    }

    void codeInTwoFactoriesThroughThePicker_data() { bothLists(); }
    void codeInTwoFactoriesThroughThePicker()
    {
        QFETCH(bool, designation);
        Fixture f;
        TSetupBlankFrm frm(f.t.db(), f.dialogs);

        QStringList shown;
        QString footer;
        f.dialogs.onModal = [&](QDialog &dialog) {
            auto &picker = dynamic_cast<TSelectEmpDlgFrm &>(dialog);
            shown.clear();
            const QAbstractItemModel *roster = picker.dxDBGrid1->model();
            for (int r = 0; r < roster->rowCount(); ++r)
                shown << roster->index(r, 0).data().toString() + u' ' + roster->index(r, 2).data().toString();
            footer = picker.footer->text();
            picker.selectRow(static_cast<int>(shown.indexOf(u"2001 二厂"_s)));
            return int(QDialog::Accepted);
        };
        (designation ? frm.Button1 : frm.Button3)->click();

        QCOMPARE(f.dialogs.calls.size(), size_t(1));
        QCOMPARE(f.dialogs.calls[0].caption, u"选择员工"_s);
        QCOMPARE(footer, u"4"_s);
        QCOMPARE(shown.mid(0, 2), (QStringList{u"1001 一厂"_s, u"1002 二厂"_s}));
        const QString expected = designation ? u"2001|赵六|%1|0|二厂"_s.arg(f.first) : u"2001|赵六|二厂"_s;
        QCOMPARE(rows(f.t, designation), QStringList{expected});
        QCOMPARE(gridOf(frm, designation)->currentIndex().row(), 0);

        // Cancel in the picker adds nobody.
        f.dialogs.onModal = [](QDialog &) { return int(QDialog::Rejected); };
        (designation ? frm.Button1 : frm.Button3)->click();
        QCOMPARE(rows(f.t, designation).size(), 1);
    }

    // The picker's columns fill its grid, without a grey strip at the right,
    // and give a long factory name the width the code and name do not need.
    void pickerShowsALongFactoryNameWhole()
    {
        Fixture f;
        f.t.addEmployee(u"3001"_s, u"钱七"_s, u"江苏省苏州市工业园区精密电子元器件制造有限公司"_s);
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        int total = 0;
        int viewport = -1;
        int factory = 0;
        int needed = 0;
        f.dialogs.onModal = [&](QDialog &dialog) {
            auto &picker = dynamic_cast<TSelectEmpDlgFrm &>(dialog);
            picker.show();
            if (!QTest::qWaitForWindowExposed(&picker))
                return int(QDialog::Rejected);
            const QHeaderView *header = picker.dxDBGrid1->horizontalHeader();
            for (int c = 0; c < header->count(); ++c)
                total += header->sectionSize(c);
            viewport = picker.dxDBGrid1->viewport()->width();
            factory = header->sectionSize(2);
            needed = static_cast<QAbstractItemView *>(picker.dxDBGrid1)->sizeHintForColumn(2);
            return int(QDialog::Rejected);
        };
        frm.Button3->click();
        QCOMPARE(total, viewport);
        QVERIFY2(factory >= needed, qPrintable(u"factory column %1 for %2"_s.arg(factory).arg(needed)));
    }

    void clearActsOnTheListWhoseGridHasTheFocus_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("designationsLeft");
        QTest::addColumn<int>("exclusionsLeft");
        QTest::addRow("designation code edit") << u"DBEdit1"_s << 2 << 2;
        QTest::addRow("exclusion factory edit") << u"DBEdit6"_s << 2 << 2;
        QTest::addRow("prize-item box") << u"dxDBLookupEdit1"_s << 2 << 2;
        QTest::addRow("designation grid") << u"dxDBGrid1"_s << 0 << 2;
        QTest::addRow("exclusion grid") << u"dxDBGrid2"_s << 2 << 0;
    }
    void clearActsOnTheListWhoseGridHasTheFocus()
    {
        QFETCH(QString, focus);
        QFETCH(int, designationsLeft);
        QFETCH(int, exclusionsLeft);
        Fixture f;
        for (int i = 0; i < 2; ++i) {
            f.t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1001', '张三', ?, 0, '一厂')"_s,
                     {f.first});
            f.t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1002', '李四', '二厂')"_s);
        }
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        showActive(frm);
        frm.findChild<QWidget *>(focus)->setFocus();
        QCOMPARE(frm.focusWidget()->objectName(), focus);
        frm.ActClear->trigger();
        QCOMPARE(rows(f.t, true).size(), designationsLeft);
        QCOMPARE(rows(f.t, false).size(), exclusionsLeft);
        QCOMPARE(frm.ADOQuery1.rowCount(), designationsLeft);
        QCOMPARE(frm.ADOQuery2.rowCount(), exclusionsLeft);
        QCOMPARE(f.dialogs.calls.size(), size_t(0));
    }

    void deleteRemovesTheCurrentRowAndNothingOnAnEmptyList()
    {
        Fixture f;
        for (const char16_t *code : {u"1", u"2", u"3"})
            f.t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?, 'n', 'c')"_s,
                     {QString::fromUtf16(code)});
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        frm.Button2->click(); // empty designation list
        QVERIFY(rows(f.t, true).isEmpty());
        QCOMPARE(frm.ADOQuery1.rowCount(), 0);

        frm.dxDBGrid2->setCurrentIndex(frm.ADOQuery2.index(1, 2));
        QCOMPARE(frm.DBEdit3->text(), u"2"_s);
        frm.Button4->click();
        QCOMPARE(rows(f.t, false), (QStringList{u"1|n|c"_s, u"3|n|c"_s}));
        QCOMPARE(frm.DBEdit3->text(), u"3"_s);
        frm.Button4->click();
        frm.Button4->click();
        frm.Button4->click();
        QVERIFY(rows(f.t, false).isEmpty());
        QCOMPARE(f.dialogs.calls.size(), size_t(0));
    }

    void cancelKeepsPostedRowsAndDropsTheRowInEdit()
    {
        Fixture f;
        {
            TSetupBlankFrm frm(f.t.db(), f.dialogs);
            enterCode(frm.DBEdit3, u"1001"_s);
            typeText(frm.DBEdit6, u"一厂"_s);
            enterCode(frm.DBEdit3, u"1001"_s); // posts the factory typed above
            enterCode(frm.DBEdit1, u"1002"_s);
            typeText(frm.DBEdit5, u"二厂"_s); // never posted
            QTest::keyClick(&frm, Qt::Key_Escape);
            QCOMPARE(frm.result(), int(QDialog::Rejected));
            QCOMPARE(frm.ADOQuery1.state(), PostedList::State::Edit);
            // The prize-item box losing the focus because the screen closes
            // is no leaving of it.
            QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(frm.dxDBLookupEdit1, &deactivated);
        }
        QCOMPARE(rows(f.t, false), QStringList{u"1001|张三|一厂"_s});
        QCOMPARE(rows(f.t, true), QStringList{u"1002|李四|%1|0|二厂"_s.arg(f.first)});
    }

    // Leaving the box posts the rows changed meanwhile. It never re-assigns
    // the existing designation selected, and a new row that has only its item
    // is no designation of nobody: it stays open for its code, and is
    // dropped when left.
    void leavingThePrizeItemBoxPostsPendingEdits()
    {
        Fixture f;
        f.t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1001', '张三', ?, 0, '一厂')"_s,
                 {f.first});
        f.t.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1002', '李四', '二厂')"_s);
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        showActive(frm);
        typeText(frm.DBEdit6, u"X"_s);
        chooseInBox(frm, 1);
        frm.dxDBGrid1->setFocus();
        QCOMPARE(rows(f.t, true), QStringList{u"1001|张三|%1|0|一厂"_s.arg(f.first)});
        QCOMPARE(rows(f.t, false), QStringList{u"1002|李四|二厂X"_s});
        QCOMPARE(frm.currentItem(), f.second);

        QTest::keyClick(frm.dxDBGrid1, Qt::Key_Down);
        chooseInBox(frm, 0);
        frm.DBEdit1->setFocus();
        QCOMPARE(frm.ADOQuery1.state(), PostedList::State::Insert);
        QCOMPARE(rows(f.t, true).size(), 1);
        frm.dxDBGrid1->setCurrentIndex(frm.ADOQuery1.index(0, 1));
        QCOMPARE(frm.ADOQuery1.rowCount(), 1);
        QCOMPARE(rows(f.t, true).size(), 1);
    }

    // The box edits only the row being added and shows the item that row
    // gets, whether the item was chosen before the row was started (with an
    // existing row selected) or on the new row; the existing row keeps its
    // item, also when a code is typed over it afterwards.
    void prizeBoxEditsOnlyTheRowBeingAdded_data()
    {
        QTest::addColumn<int>("start"); // the key that starts the new row; 0: the picker
        QTest::addColumn<bool>("chosenBefore");
        QTest::addRow("chosen, then Down") << int(Qt::Key_Down) << true;
        QTest::addRow("Down, then chosen") << int(Qt::Key_Down) << false;
        QTest::addRow("chosen, then Insert") << int(Qt::Key_Insert) << true;
        QTest::addRow("Insert, then chosen") << int(Qt::Key_Insert) << false;
        QTest::addRow("chosen, then the picker") << 0 << true;
    }
    void prizeBoxEditsOnlyTheRowBeingAdded()
    {
        QFETCH(int, start);
        QFETCH(bool, chosenBefore);
        Fixture f;
        f.t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1001', '张三', ?, 0, '一厂')"_s,
                 {f.first});
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        showActive(frm);
        const int itemColumn = frm.ADOQuery1.columnOf(u"sItemName"_s);
        const QString existing = u"1001|张三|%1|0|一厂"_s.arg(f.first);
        QCOMPARE(frm.dxDBLookupEdit1->currentText(), u"一等奖"_s);
        if (chosenBefore) {
            chooseInBox(frm, 1);
            frm.dxDBGrid1->setFocus();
            QCOMPARE(rows(f.t, true), QStringList{existing});
            QCOMPARE(frm.ADOQuery1.index(0, itemColumn).data().toString(), u"一等奖"_s);
        }

        if (start == 0) {
            f.dialogs.onModal = [](QDialog &) { return int(QDialog::Accepted); }; // 1001 in 一厂
            frm.Button1->click();
            QCOMPARE(rows(f.t, true), (QStringList{existing, u"1001|张三|%1|0|一厂"_s.arg(f.second)}));
        } else {
            QTest::keyClick(frm.dxDBGrid1, Qt::Key(start));
            QCOMPARE(frm.ADOQuery1.state(), PostedList::State::Insert);
            // The new row shows the item it gets: the one chosen, else the
            // one of the row it was started from.
            QCOMPARE(frm.dxDBLookupEdit1->currentText(), chosenBefore ? u"二等奖"_s : u"一等奖"_s);
            if (!chosenBefore)
                chooseInBox(frm, 1);
            QCOMPARE(frm.ADOQuery1.index(frm.ADOQuery1.current(), itemColumn).data().toString(), u"二等奖"_s);
            enterCode(frm.DBEdit1, u"1002"_s);
            QStringList expected{existing, u"1002|李四|%1|0|二厂"_s.arg(f.second)};
            QStringList stored = rows(f.t, true);
            stored.sort();
            QCOMPARE(stored, expected);
        }
        QCOMPARE(frm.dxDBLookupEdit1->currentText(), u"二等奖"_s);

        // Back on the existing row: another item chosen and a code typed over
        // the row change its person, not its item.
        const int existingRow = frm.ADOQuery1.value(0, u"sTime"_s).toInt() == f.first ? 0 : 1;
        frm.dxDBGrid1->setCurrentIndex(frm.ADOQuery1.index(existingRow, 1));
        QCOMPARE(frm.dxDBLookupEdit1->currentText(), u"一等奖"_s);
        chooseInBox(frm, 1);
        enterCode(frm.DBEdit1, u"2001"_s);
        QCOMPARE(frm.ADOQuery1.value(existingRow, u"sNo"_s).toString(), u"2001"_s);
        QCOMPARE(frm.ADOQuery1.value(existingRow, u"sTime"_s).toInt(), f.first);
        QVERIFY(rows(f.t, true).contains(u"2001|王五|%1|0|一厂"_s.arg(f.first)));
        QCOMPARE(f.dialogs.count(u"error"_s), 0);
    }

    void currentItemFollowsTheItemShownForTheRow()
    {
        Fixture f;
        f.t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1001', '张三', ?, 0, '一厂')"_s,
                 {f.second});
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        QCOMPARE(frm.dxDBLookupEdit1->currentText(), u"二等奖"_s);
        QCOMPARE(frm.currentItem(), f.second);
        f.dialogs.onModal = [](QDialog &) { return int(QDialog::Accepted); };
        frm.Button1->click(); // the picker's first row, 1001 in 一厂
        QCOMPARE(rows(f.t, true).last(), u"1001|张三|%1|0|一厂"_s.arg(f.second));
    }

    void deletedItemShowsAnEmptyCell()
    {
        Fixture f;
        f.t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1001', '张三', 999, 0, '一厂')"_s);
        f.t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1002', '李四', ?, 0, '二厂')"_s,
                 {f.first});
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        const int itemColumn = frm.ADOQuery1.columnOf(u"sItemName"_s);
        QCOMPARE(frm.ADOQuery1.index(0, itemColumn).data().toString(), QString());
        QCOMPARE(frm.ADOQuery1.index(1, itemColumn).data().toString(), u"一等奖"_s);
        QCOMPARE(frm.dxDBLookupEdit1->currentIndex(), -1);
        // Choosing an item in the cell writes its RecNo once the row is left.
        QVERIFY(frm.ADOQuery1.setData(frm.ADOQuery1.index(0, itemColumn), f.second));
        QCOMPARE(frm.dxDBLookupEdit1->currentText(), u"二等奖"_s);
        frm.dxDBGrid1->setCurrentIndex(frm.ADOQuery1.index(1, 1));
        QCOMPARE(rows(f.t, true).first(), u"1001|张三|%1|0|一厂"_s.arg(f.second));
    }

    void refusedPostIsReportedAndTheRowStaysInEdit()
    {
        Fixture f;
        TSetupBlankFrm frm(f.t.db(), f.dialogs);
        f.t.exec(u"create trigger refuse before insert on AwardBlank begin select raise(abort, 'refused'); end"_s);
        enterCode(frm.DBEdit3, u"1001"_s);
        QCOMPARE(f.dialogs.count(u"error"_s), 1);
        QVERIFY(rows(f.t, false).isEmpty());
        QCOMPARE(frm.ADOQuery2.state(), PostedList::State::Insert);
        f.t.exec(u"drop trigger refuse"_s);
        enterCode(frm.DBEdit3, u"1001"_s);
        QCOMPARE(rows(f.t, false), QStringList{u"1001|张三|一厂"_s});
    }
};

QTEST_MAIN(tst_setupblankfrm)
#include "tst_setupblankfrm.moc"
