// The system settings screen, opened as the main screen opens it (F10), with
// scripted answers and a real database file.
#include "admin/rosterimport.h"
#include "admin/settingsgrids.h"
#include "ui/admin/loopcountspinbox.h"
#include "ui/admin/postedgrid.h"
#include "ui/admin/setupfrm.h"
#include "base/settings.h"
#include "store/setupstore.h"
#include "testsupport.h"
#include "screensupport.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QKeyEvent>
#include <QTableView>
#include <QTest>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include "ui/admin/stagelookfrm.h"
#include "admin/settingsgrids.h"

using namespace Qt::StringLiterals;

namespace {

const QString kRuleMessage = u"每次抽奖人数不能大于100，也不能小于1,也不能大于此奖项的中奖总人数"_s;

struct Fixture {
    TempDb db;
    TestServices ts{db};

    explicit Fixture(int employees = 1)
    {
        for (int i = 0; i < employees; ++i)
            db.addEmployee(QString::number(100001 + i), u"员工"_s + QString::number(i), u"一厂"_s);
    }
    // Opens the settings screen on the settings config.ini holds and runs
    // `inside` while it is open; returns the screen's result.
    int openSetup(const std::function<int(TSetupFrm &)> &inside)
    {
        ts.settings = LoadSettings(db.folder());
        ts.dialogs.onModal = [inside](QDialog &d) {
            auto &screen = dynamic_cast<TSetupFrm &>(d);
            screen.show();
            return inside(screen);
        };
        TSetupFrm screen(ts.settings, db.db(), ts.dialogs, ts.pacer);
        screen.FormShow();
        return ts.dialogs.runModal(screen);
    }
    int count(const QString &table) { return db.scalar(u"select count(*) from "_s + table).toInt(); }
    QString iniPath() const { return db.folder() + u"config.ini"_s; }
};

} // namespace

class TestSetupFrm : public QObject {
    Q_OBJECT

    static int pressOk(TSetupFrm &screen)
    {
        QTest::mouseClick(screen.BitBtn1, Qt::LeftButton);
        return screen.result();
    }

    static QModelIndex prizeCell(TSetupFrm &screen, int row, const QString &field)
    {
        return screen.ADOQuery2->index(row, screen.ADOQuery2->columnOf(field));
    }

    // Opens the cell's editor, gives it `text` (typed key by key when `typed`,
    // so that the editor's own limits apply) and ends it with Enter.
    static void enterCell(QTableView *view, const QModelIndex &cell, const QString &text, bool typed = false)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // editors already closed
        view->setCurrentIndex(cell);
        view->edit(cell);
        auto *editor = view->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        if (typed) {
            editor->clear();
            // Key by key with their text (QTest::keyClicks takes Latin-1 only).
            for (const QChar ch : text) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(editor, &press);
            }
        } else {
            editor->setText(text);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor hands its value over after the key
    }

    static QStringList prizeRows(Fixture &f)
    {
        QSqlQuery q = f.db.db().exec(u"select ifnull(iSeq,'-'), ifnull(ItemName,'-'), ifnull(SumNumber,'-'), "
                                     "ifnull(ExcNum,'-'), ifnull(IsExec,'-') from AwardItem order by RecNo"_s);
        QStringList out;
        while (q.next())
            out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                               q.value(3).toString(), q.value(4).toString()}
                       .join(u'|');
        return out;
    }

private Q_SLOTS:
    void loopCountIsRoundedAndBounded_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("saved");
        QTest::addRow("above the range") << u"100"_s << 50;
        QTest::addRow("not a number") << u"abc"_s << 5;
        QTest::addRow("within") << u"25"_s << 25;
        QTest::addRow("below") << u"2"_s << 5;
    }
    void loopCountIsRoundedAndBounded()
    {
        QFETCH(QString, typed);
        QFETCH(int, saved);
        Fixture f;
        int kept = -1;
        const int result = f.openSetup([&](TSetupFrm &screen) {
            screen.findChild<QSpinBox *>(u"RzSpinEdit1"_s)->setFocus();
            screen.findChild<QSpinBox *>(u"RzSpinEdit1"_s)->selectAll();
            QTest::keyClicks(screen.findChild<QSpinBox *>(u"RzSpinEdit1"_s), typed);
            const int ok = pressOk(screen);
            kept = screen.settings().iTime;
            return ok;
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(kept, saved);
    }

    void loopCountFromFileIsShownInRange()
    {
        Fixture f;
        QFile ini(f.iniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[config]\r\niTime=3\r\n");
        ini.close();
        int shown = 0;
        int kept = 0;
        f.openSetup([&](TSetupFrm &screen) {
            shown = screen.findChild<QSpinBox *>(u"RzSpinEdit1"_s)->value();
            const int ok = pressOk(screen);
            kept = screen.settings().iTime;
            return ok;
        });
        QCOMPARE(shown, 5);
        QCOMPARE(kept, 5);
    }

    void perPressRule_data()
    {
        QTest::addColumn<QVariant>("sum");
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("messages");
        QTest::addRow("10 of 8") << QVariant(8) << 10 << 8 << 1;
        QTest::addRow("30 of 30") << QVariant(30) << 30 << 30 << 0;
        QTest::addRow("100 of 300") << QVariant(300) << 100 << 100 << 0;
        QTest::addRow("101 of 300") << QVariant(300) << 101 << 100 << 1;
        QTest::addRow("0 of 5") << QVariant(5) << 0 << 5 << 1;
        QTest::addRow("accepted") << QVariant(8) << 8 << 8 << 0;
        QTest::addRow("total 0 ends") << QVariant(0) << 1 << 0 << 1;
        QTest::addRow("no total ends") << QVariant() << 3 << 0 << 1;
    }
    void perPressRule()
    {
        QFETCH(QVariant, sum);
        QFETCH(int, entered);
        QFETCH(int, kept);
        QFETCH(int, messages);
        Fixture f;
        const int item = f.db.addItem(1, u"A"_s, u"a"_s, 1, 1);
        f.db.exec(u"update AwardItem set SumNumber = ? where RecNo = ?"_s, {sum, item});
        f.openSetup([&](TSetupFrm &screen) {
            screen.ADOQuery2->setData(prizeCell(screen, 0, u"iNumber"_s), entered);
            screen.ADOQuery2->post();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s).count(kRuleMessage), messages);
        if (messages) {
            const auto notices = f.ts.dialogs.calls;
            const auto it =
                std::find_if(notices.begin(), notices.end(), [](const auto &c) { return c.text == kRuleMessage; });
            QCOMPARE(it->caption, u" 系统提示"_s);
        }
        QCOMPARE(f.db.scalar(u"select iNumber from AwardItem"_s).toInt(), kept);
    }

    void newPrizeRowCountsRows()
    {
        Fixture f;
        for (int seq : {10, 20, 30, 40})
            f.db.addItem(seq, u"奖"_s, u"品"_s, 2, 1);
        bool stillOpen = false;
        f.openSetup([&](TSetupFrm &screen) {
            screen.dxDBGrid2->setFocus();
            screen.dxDBGrid2->setCurrentIndex(prizeCell(screen, 3, u"iSeq"_s));
            QTest::keyClick(screen.dxDBGrid2, Qt::Key_Down);
            screen.ADOQuery2->setData(prizeCell(screen, 4, u"ItemName"_s), u"新奖"_s);
            // Enter in the grid posts the row and leaves the screen open.
            QTest::keyClick(screen.dxDBGrid2, Qt::Key_Return);
            stillOpen = screen.isVisible();
            return int(QDialog::Rejected);
        });
        QVERIFY(stillOpen);
        QCOMPARE(f.db.scalar(u"select iSeq from AwardItem where ItemName = ?"_s, {u"新奖"_s}).toInt(), 5);
    }

    void gridEditIsWrittenWhenPostedAndRefusalReported()
    {
        Fixture f(2);
        bool posted = false;
        f.openSetup([&](TSetupFrm &screen) {
            auto *roster = screen.ADOQuery1;
            roster->setData(roster->index(0, roster->columnOf(u"EmpName"_s)), u"O'Neil"_s);
            screen.rosterGrid->run([&] { roster->post(); });
            posted = f.ts.dialogs.count(u"error"_s) == 0;
            // Longer than the field: the database refuses, the error is reported.
            screen.dxDBGrid1->setCurrentIndex(roster->index(1, roster->columnOf(u"EmpName"_s)));
            roster->setData(roster->index(1, roster->columnOf(u"EmpName"_s)), QString(60, u'x'));
            screen.rosterGrid->run([&] { roster->post(); });
            return int(QDialog::Rejected);
        });
        QVERIFY(posted);
        QCOMPARE(f.db.scalar(u"select EmpName from EmpNo order by RecNo"_s).toString(), u"O'Neil"_s);
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QCOMPARE(f.db.scalar(u"select count(*) from EmpNo where EmpName = ?"_s, {u"员工1"_s}).toInt(), 1);
    }

    // Insert and Down on the last row in both grids, also on empty ones: the
    // new row is written only once it was changed and left, an untouched one
    // is dropped, Esc takes a pending one back, and nothing is reported.
    void newRowsStayPendingUntilChangedAndLeft_data()
    {
        QTest::addColumn<bool>("prize");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("key");
        QTest::addRow("roster Insert") << false << 2 << int(Qt::Key_Insert);
        QTest::addRow("roster Down on last") << false << 2 << int(Qt::Key_Down);
        QTest::addRow("empty roster Insert") << false << 0 << int(Qt::Key_Insert);
        QTest::addRow("empty roster Down") << false << 0 << int(Qt::Key_Down);
        QTest::addRow("prizes Insert") << true << 2 << int(Qt::Key_Insert);
        QTest::addRow("prizes Down on last") << true << 2 << int(Qt::Key_Down);
        QTest::addRow("no prizes Down") << true << 0 << int(Qt::Key_Down);
    }
    void newRowsStayPendingUntilChangedAndLeft()
    {
        QFETCH(bool, prize);
        QFETCH(int, rows);
        QFETCH(int, key);
        Fixture f(prize ? 0 : rows);
        for (int i = 0; prize && i < rows; ++i)
            f.db.addItem(i + 1, u"奖"_s, u"品"_s, 2, 1);
        const QString table = prize ? u"AwardItem"_s : u"EmpNo"_s;
        const QString nameField = prize ? u"ItemName"_s : u"EmpName"_s;
        int shownWhilePending = -1;
        int storedWhilePending = -1;
        int shownAfterEsc = -1;
        int shownAfterLeaving = -1;
        f.openSetup([&](TSetupFrm &screen) {
            QTableView *view = prize ? screen.dxDBGrid2 : screen.dxDBGrid1;
            PostedList *list = prize ? static_cast<PostedList *>(screen.ADOQuery2) : screen.ADOQuery1;
            view->setFocus();
            if (rows > 0)
                view->setCurrentIndex(list->index(rows - 1, list->columnOf(nameField)));
            // Esc takes the untouched new row back and the screen stays open.
            QTest::keyClick(view, Qt::Key(key));
            shownWhilePending = list->rowCount();
            storedWhilePending = f.count(table);
            QTest::keyClick(view, Qt::Key_Escape);
            shownAfterEsc = list->rowCount();
            if (!screen.isVisible())
                return int(QDialog::Rejected);
            // Leaving an untouched new row drops it; a changed one is written.
            QTest::keyClick(view, Qt::Key(key));
            QTest::keyClick(view, Qt::Key(key));
            const int at = list->current();
            enterCell(view, list->index(at, list->columnOf(nameField)), u"新"_s);
            if (rows > 0)
                view->setCurrentIndex(list->index(0, list->columnOf(nameField)));
            shownAfterLeaving = list->rowCount();
            return int(QDialog::Rejected);
        });
        QCOMPARE(shownWhilePending, rows + 1);
        QCOMPARE(storedWhilePending, rows);
        QCOMPARE(shownAfterEsc, rows);
        QCOMPARE(shownAfterLeaving, rows + 1);
        QCOMPARE(f.count(table), rows + 1);
        QCOMPARE(f.db.scalar(u"select count(*) from %1 where %2 = ?"_s.arg(table, nameField), {u"新"_s}).toInt(), 1);
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 0);
    }

    // A new item starts with no winners, so it is open to the draw at once.
    void newPrizeItemCanBeDrawn()
    {
        Fixture f;
        f.openSetup([&](TSetupFrm &screen) {
            screen.dxDBGrid2->setFocus();
            QTest::keyClick(screen.dxDBGrid2, Qt::Key_Insert);
            enterCell(screen.dxDBGrid2, prizeCell(screen, 0, u"ItemName"_s), u"特等奖"_s);
            enterCell(screen.dxDBGrid2, prizeCell(screen, 0, u"SumNumber"_s), u"3"_s);
            return int(QDialog::Rejected);
        });
        QCOMPARE(prizeRows(f), QStringList{u"1|特等奖|3|0|0"_s});
        QCOMPARE(openPrizeItems(f.db.db()).size(), size_t(1));
    }

    // A refused post is reported in words naming the cause; the screen goes on
    // and the row keeps its whole edit, so it can be posted once the cause is gone.
    void refusedPostIsReportedAndRowKept()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 2, 1);
        f.db.exec(
            u"create trigger refuse before insert on AwardItem begin select raise(abort, 'database is locked'); end"_s);
        QStringList errors;
        int rowsAfterRefusal = 0;
        QString keptName;
        f.openSetup([&](TSetupFrm &screen) {
            screen.dxDBGrid2->setFocus();
            screen.dxDBGrid2->setCurrentIndex(prizeCell(screen, 0, u"ItemName"_s));
            QTest::keyClick(screen.dxDBGrid2, Qt::Key_Down);
            enterCell(screen.dxDBGrid2, prizeCell(screen, 1, u"ItemName"_s), u"新奖"_s);
            // Leaving the row again, by mouse and by key: refused every time, no crash.
            screen.dxDBGrid2->setCurrentIndex(prizeCell(screen, 0, u"ItemName"_s));
            QTest::keyClick(screen.dxDBGrid2, Qt::Key_Up);
            rowsAfterRefusal = screen.ADOQuery2->rowCount();
            keptName = screen.ADOQuery2->value(1, u"ItemName"_s).toString();
            errors = f.ts.dialogs.texts(u"error"_s);
            f.db.exec(u"drop trigger refuse"_s);
            QTest::keyClick(screen.dxDBGrid2, Qt::Key_Return);
            return int(QDialog::Rejected);
        });
        QVERIFY(errors.size() >= 2);
        for (const QString &text : errors) {
            QVERIFY2(text.startsWith(u"本行没有保存"_s), qPrintable(text));
            QVERIFY(text.contains(u"Esc"_s));
        }
        QCOMPARE(rowsAfterRefusal, 2);
        QCOMPARE(keptName, u"新奖"_s);
        QCOMPARE(prizeRows(f), QStringList({u"1|A|2|0|0"_s, u"2|新奖|-|0|0"_s}));
    }

    // Editors keep to the field: a text field's size, whole numbers only. A
    // value that still does not fit is named by its caption and the rest of
    // the row's edit stays.
    void editorsKeepToTheFields()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 2, 1);
        QString typedName;
        QString typedSum;
        QStringList errors;
        QString keptAwards;
        f.openSetup([&](TSetupFrm &screen) {
            QTableView *view = screen.dxDBGrid2;
            enterCell(view, prizeCell(screen, 0, u"ItemName"_s), QString(60, u'奖'), true);
            typedName = screen.ADOQuery2->value(0, u"ItemName"_s).toString();
            enterCell(view, prizeCell(screen, 0, u"SumNumber"_s), u"1x2.5"_s, true);
            typedSum = screen.ADOQuery2->value(0, u"SumNumber"_s).toString();
            // Values that bypass the editors are refused by name.
            screen.ADOQuery2->setData(prizeCell(screen, 0, u"Awards"_s), u"电视"_s);
            screen.ADOQuery2->setData(prizeCell(screen, 0, u"ItemName"_s), QString(51, u'x'));
            screen.prizeGrid->run([&] { screen.ADOQuery2->post(); });
            screen.ADOQuery2->setData(prizeCell(screen, 0, u"ItemName"_s), u"B"_s);
            screen.ADOQuery2->setData(prizeCell(screen, 0, u"SumNumber"_s), u"two"_s);
            screen.prizeGrid->run([&] { screen.ADOQuery2->post(); });
            errors = f.ts.dialogs.texts(u"error"_s);
            keptAwards = screen.ADOQuery2->value(0, u"Awards"_s).toString();
            return int(QDialog::Rejected);
        });
        QCOMPARE(typedName, QString(50, u'奖'));
        QCOMPARE(typedSum, u"125"_s);
        QCOMPARE(errors.size(), 2);
        QVERIFY2(errors[0].startsWith(u"“奖项”最多只能填50个字符"_s), qPrintable(errors[0]));
        QVERIFY2(errors[1].startsWith(u"“中奖人数”只能填整数"_s), qPrintable(errors[1]));
        QCOMPARE(keptAwards, u"电视"_s);
        QCOMPARE(prizeRows(f), QStringList{u"1|%1|125|0|0"_s.arg(QString(50, u'奖'))});
    }

    // A value the database refuses for a reason of its own is named by the
    // caption of the field its check mentions.
    void databaseRefusalNamesTheField()
    {
        Fixture f(1);
        f.db.exec(u"create trigger refuse before update on EmpNo when new.DartNo = 'x' "
                  "begin select raise(abort, 'CHECK constraint failed: DartNo'); end"_s);
        f.openSetup([&](TSetupFrm &screen) {
            screen.ADOQuery1->setData(screen.ADOQuery1->index(0, screen.ADOQuery1->columnOf(u"DartNo"_s)), u"x"_s);
            screen.rosterGrid->run([&] { screen.ADOQuery1->post(); });
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QVERIFY2(f.ts.dialogs.texts(u"error"_s).first().startsWith(u"数据库拒绝保存“部门”的值"_s),
                 qPrintable(f.ts.dialogs.texts(u"error"_s).first()));
    }

    // OK posts the row being typed; Cancel drops it.
    void okPostsTheRowBeingEdited_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addRow("ok") << true;
        QTest::addRow("cancel") << false;
    }
    void okPostsTheRowBeingEdited()
    {
        QFETCH(bool, ok);
        Fixture f(1);
        f.openSetup([&](TSetupFrm &screen) {
            screen.ADOQuery1->setData(screen.ADOQuery1->index(0, screen.ADOQuery1->columnOf(u"EmpName"_s)), u"改名"_s);
            if (ok)
                return pressOk(screen);
            screen.BitBtn2->click();
            return screen.result();
        });
        QCOMPARE(f.db.scalar(u"select EmpName from EmpNo"_s).toString(), ok ? u"改名"_s : u"员工0"_s);
    }

    // The status line stays clear of every other control and shows a long
    // row whole, name and all; the grids show every caption and value whole
    // within their width.
    void statusLineAndColumnsAreNotCut()
    {
        Fixture f(0);
        f.db.addEmployee(u"100001"_s, u"欧阳娜娜"_s, u"第一分厂"_s, u"行政部"_s);
        f.db.addItem(1, u"一等奖"_s, u"现金1000元"_s, 20, 20);
        f.openSetup([&](TSetupFrm &screen) {
            QApplication::processEvents();
            [&] {
                for (const QWidget *other : screen.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                    if (other != screen.Label1 && other->isVisible())
                        QVERIFY2(!screen.Label1->geometry().intersects(other->geometry()),
                                 qPrintable(other->objectName()));
                }
                const QString status = RosterImport::statusText(123456, u"A00123456"_s, u"欧阳娜扎尔·买买提艾力"_s);
                QVERIFY2(screen.Label1->fontMetrics().horizontalAdvance(status) <= screen.Label1->width(),
                         qPrintable(QString::number(screen.Label1->width())));
            }();
            for (QTableView *view : {screen.dxDBGrid1, screen.dxDBGrid2}) {
                QHeaderView *header = view->horizontalHeader();
                int total = 0;
                for (int c = 0; c < header->count(); ++c) {
                    if (view->isColumnHidden(c))
                        continue;
                    const QString caption = view->model()->headerData(c, Qt::Horizontal).toString();
                    [&] {
                        QVERIFY2(header->sectionSize(c) >= header->sectionSizeHint(c), qPrintable(caption));
                        QVERIFY2(view->columnWidth(c) >= static_cast<QAbstractItemView *>(view)->sizeHintForColumn(c),
                                 qPrintable(caption));
                    }();
                    total += header->sectionSize(c);
                }
                [&] {
                    QVERIFY2(total <= view->viewport()->width(),
                             qPrintable(u"%1 > %2"_s.arg(total).arg(view->viewport()->width())));
                }();
            }
            return int(QDialog::Rejected);
        });
    }

    void resetKeepsItem9999ButRemovesItsWinners()
    {
        Fixture f;
        const int a = f.db.addItem(1, u"A"_s, u"a"_s, 2, 1, 2, true);
        const int kept = f.db.addItem(9999, u"K"_s, u"k"_s, 3, 1, 1, true);
        for (int item : {a, a, kept})
            f.db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('1','x',?,'一厂')"_s, {item});
        f.db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1','x',?,1,'一厂')"_s, {a});
        f.db.exec(u"insert into DrawLog(sWhen, sEvent, sTime, sNo) values('2026-01-01 08:00:00', '中奖', ?, '1')"_s,
                  {a});
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActIni->trigger();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.texts(u"ask"_s), QStringList{u"确定要清除已中奖名单，并开始新的抽奖吗?"_s});
        // The record keeps what was before and marks the new round.
        QCOMPARE(f.db.scalar(u"select group_concat(sEvent, ',') from (select sEvent from DrawLog order by RecNo)"_s)
                     .toString(),
                 u"中奖,重置"_s);
        QCOMPARE(
            f.db.scalar(u"select count(*) from DrawLog where sEvent = '重置' and sTime is null and length(sWhen) = 19"
                        " and sItemName || sAwards || sNo || sName || sCompCode || sHow = ''"_s)
                .toInt(),
            1);
        QCOMPARE(f.db.scalar(u"select ExcNum * 10 + IsExec from AwardItem where RecNo = ?"_s, {a}).toInt(), 0);
        QCOMPARE(f.db.scalar(u"select ExcNum * 10 + IsExec from AwardItem where RecNo = ?"_s, {kept}).toInt(), 11);
        QCOMPARE(f.count(u"AwardList"_s), 0);
        QCOMPARE(f.db.scalar(u"select count(*) from Award where Checked = 1"_s).toInt(), 0);
        QCOMPARE(f.ts.dialogs.calls.back().text, u"初始化完成!"_s);
        QCOMPARE(f.ts.dialogs.calls.back().caption, u" 系统提示"_s);
    }

    void resetOnEmptyTables()
    {
        Fixture f(0);
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActIni->trigger();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.count(u"ask"_s), 1);
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s).last(), u"初始化完成!"_s);
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 0);
    }

    void failedResetChangesNothing()
    {
        Fixture f;
        const int a = f.db.addItem(1, u"A"_s, u"a"_s, 2, 1, 2, true);
        f.db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('1','x',?,'一厂')"_s, {a});
        f.db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1','x',?,1,'一厂')"_s, {a});
        // The last step fails: the earlier ones must not stay written.
        f.db.exec(u"create trigger refuse before update on Award begin select raise(abort, 'refused'); end"_s);
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActIni->trigger();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QVERIFY(!f.ts.dialogs.texts(u"notify"_s).contains(u"初始化完成!"_s));
        QCOMPARE(f.db.scalar(u"select ExcNum * 10 + IsExec from AwardItem"_s).toInt(), 21);
        QCOMPARE(f.count(u"AwardList"_s), 1);
        QCOMPARE(f.count(u"DrawLog"_s), 0);
    }

    void pickedMusicSurvivesCancelButIsNotSaved()
    {
        Fixture f;
        const QString music = f.db.folder() + u"party.mp3"_s;
        QFile file(music);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        f.ts.dialogs.fileAnswers.push_back(music);
        QString shown;
        f.openSetup([&](TSetupFrm &screen) {
            screen.RzButtonEdit2Button->trigger();
            shown = screen.RzButtonEdit2->text();
            QTest::mouseClick(screen.BitBtn2, Qt::LeftButton);
            return screen.result();
        });
        QCOMPARE(f.ts.dialogs.texts(u"open"_s), QStringList{u"MP3|*.mp3|WMA|*.wma|AVI|*.avi"_s});
        QCOMPARE(shown, music);
        QVERIFY(!QFile::exists(f.iniPath()));
        QCOMPARE(f.ts.settings.backSound, music);
    }

    // 舞台外观 refuses a file that is no picture by name and copies a good one
    // into pictures/; 导入照片文件夹 copies a folder's photos (factory
    // sub-folders kept) and says how many of the roster have one.
    void stageLookAndPhotos()
    {
        Fixture f(3);
        const QString from = f.db.folder() + u"import/"_s;
        QVERIFY(QDir().mkpath(from + u"一厂"_s));
        QImage photo(30, 40, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        QVERIFY(photo.save(from + u"100001.jpg"_s));
        QVERIFY(photo.save(from + u"一厂/100002.png"_s));
        QVERIFY(photo.save(from + u"900009.jpg"_s)); // nobody of the roster
        QVERIFY(QDir().mkpath(from + u"杂项"_s)); // no factory of the roster
        QVERIFY(photo.save(from + u"杂项/100003.jpg"_s));
        QFile notPicture(from + u"100003.jpg"_s);
        QVERIFY(notPicture.open(QIODevice::WriteOnly));
        notPicture.write("工号,姓名\n");
        notPicture.close();
        f.ts.dialogs.fileAnswers = {from + u"100003.jpg"_s, from + u"100001.jpg"_s, from};

        f.ts.settings = LoadSettings(f.db.folder());
        TSetupFrm screen(f.ts.settings, f.db.db(), f.ts.dialogs, f.ts.pacer);
        screen.showDataFolder(f.db.folder());
        screen.FormShow();
        f.ts.dialogs.onModal = [&](QDialog &d) {
            auto *look = qobject_cast<TStageLookFrm *>(&d);
            if (!look)
                return int(QDialog::Rejected);
            look->chooseBackground(); // refused
            look->chooseBackground();
            look->findChild<QCheckBox *>(u"ShowPhotos"_s)->setChecked(true);
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(screen.LookButton, Qt::LeftButton);
        QCOMPARE(screen.settings().stageBackground, u"background.jpg"_s);
        QVERIFY(screen.settings().showPhotos);
        QVERIFY(QFile::exists(f.db.folder() + u"pictures/background.jpg"_s));
        QVERIFY(f.ts.dialogs.texts(u"notify"_s).value(0).contains(u"100003.jpg"_s));

        QTest::mouseClick(screen.PhotosButton, Qt::LeftButton);
        const QString report = f.ts.dialogs.texts(u"notify"_s).value(1);
        QVERIFY2(report.contains(u"已导入照片 3 张。员工名单 3 人中有 2 人有照片。"_s), qPrintable(report));
        QVERIFY2(report.contains(u"100003.jpg"_s), qPrintable(report));
        // The photo that matches nobody is named, and the folder that is no factory is left out and named.
        QVERIFY2(report.contains(u"其中 1 张照片没有对应的员工"_s) && report.contains(u"900009.jpg"_s),
                 qPrintable(report));
        QVERIFY2(report.contains(u"不是员工名单中的工厂名称"_s) && report.contains(u"杂项"_s), qPrintable(report));
        QVERIFY(QFile::exists(f.db.folder() + u"photos/一厂/100002.png"_s));
        QVERIFY(!QFile::exists(f.db.folder() + u"photos/100003.jpg"_s));
        QVERIFY(!QFileInfo::exists(f.db.folder() + u"photos/杂项"_s));
    }

    // A prize item's picture (the grid's 奖品图片) is stored by its RecNo, one
    // file whatever the suffix, and goes when the item is deleted.
    void prizePictureGoesWithItsItem()
    {
        Fixture f;
        const int recNo = f.db.addItem(1, u"一等奖"_s, u"电视机"_s, 1, 1);
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(f.db.folder() + u"tv.png"_s));
        QVERIFY(picture.save(f.db.folder() + u"tv.jpg"_s));
        f.ts.dialogs.fileAnswers = {f.db.folder() + u"tv.png"_s, f.db.folder() + u"tv.jpg"_s};
        const QString stored = f.db.folder() + u"pictures/prize-%1."_s.arg(recNo);
        f.openSetup([&](TSetupFrm &screen) {
            screen.showDataFolder(f.db.folder());
            const QModelIndex cell = prizeCell(screen, 0, PrizeGridList::pictureField());
            [&] { QCOMPARE(cell.data().toString(), QString()); }();
            screen.dxDBGrid2->setCurrentIndex(cell);
            screen.choosePrizePicture();
            [&] {
                QVERIFY(QFile::exists(stored + u"png"_s));
                QCOMPARE(cell.data().toString(), u"有"_s);
            }();
            screen.choosePrizePicture();
            [&] {
                QVERIFY(QFile::exists(stored + u"jpg"_s));
                QVERIFY(!QFile::exists(stored + u"png"_s));
            }();
            screen.deleteGridRow(*screen.prizeGrid);
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.count(u"AwardItem"_s), 0);
        QVERIFY(!QFile::exists(stored + u"jpg"_s));
    }

    void clearingRoster_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addRow("cancel") << false;
        QTest::addRow("ok") << true;
    }
    void clearingRoster()
    {
        QFETCH(bool, answer);
        Fixture f(3);
        f.ts.dialogs.askAnswers.push_back(answer);
        int rowsAfter = -1;
        QString footer;
        f.openSetup([&](TSetupFrm &screen) {
            screen.Button2->click();
            rowsAfter = screen.ADOQuery1->rowCount();
            footer = screen.dxDBGrid1Footer->text();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.texts(u"ask"_s), QStringList{u"确定要清除所有员工资料吗?"_s});
        QCOMPARE(f.count(u"EmpNo"_s), answer ? 0 : 3);
        QCOMPARE(rowsAfter, answer ? 0 : 3);
        QCOMPARE(footer, answer ? u"0"_s : u"3"_s);
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s).contains(u"清除员工资料成功！"_s), answer);
    }

    void deleteOnEmptyAndFilledGrid()
    {
        Fixture f;
        f.openSetup([&](TSetupFrm &screen) {
            screen.Button4->click();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.calls.size(), size_t(1)); // the screen itself, and nothing asked or reported
        const int a = f.db.addItem(1, u"A"_s, u"a"_s, 2, 1);
        f.db.addItem(2, u"B"_s, u"b"_s, 2, 1);
        f.openSetup([&](TSetupFrm &screen) {
            screen.dxDBGrid2->setCurrentIndex(prizeCell(screen, 1, u"ItemName"_s));
            screen.Button4->click();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.db.scalar(u"select group_concat(RecNo) from AwardItem"_s).toInt(), a);
        QCOMPARE(f.ts.dialogs.count(u"ask"_s), 0);
    }

    void cancelDuringImportAsks()
    {
        Fixture f;
        f.ts.dialogs.askAnswers = {false, true};
        bool openAfterNo = false;
        bool openAfterYes = false;
        f.openSetup([&](TSetupFrm &screen) {
            screen.Importing = true;
            screen.BitBtn1->setEnabled(false);
            QTest::keyClick(&screen, Qt::Key_Escape);
            openAfterNo = screen.isVisible() && screen.Importing && !screen.CancelImport;
            screen.BitBtn2->click();
            openAfterYes =
                screen.isVisible() && screen.CancelImport && !screen.Importing && screen.BitBtn1->isEnabled();
            screen.BitBtn2->click();
            return screen.result();
        });
        QVERIFY(openAfterNo);
        QVERIFY(openAfterYes);
        QCOMPARE(f.ts.dialogs.texts(u"ask"_s), QStringList({u"确定要取消本次操作吗?"_s, u"确定要取消本次操作吗?"_s}));
    }

    void largeRosterIsFetchedAsItScrolls()
    {
        Fixture f(0);
        {
            Transaction tx(f.db.db());
            for (int i = 0; i < 3000; ++i)
                f.db.addEmployee(QString::number(i), u"员工"_s, u"一厂"_s);
            tx.commit();
        }
        QString footer;
        int fetched = 0;
        QStringList captions;
        f.openSetup([&](TSetupFrm &screen) {
            footer = screen.dxDBGrid1Footer->text();
            fetched = screen.ADOQuery1->rowCount();
            // Columns in the grid's order: factory, department, code, name.
            QHeaderView *header = screen.dxDBGrid1->horizontalHeader();
            for (int visual = 0; visual < header->count(); ++visual) {
                const int logical = header->logicalIndex(visual);
                if (!header->isSectionHidden(logical))
                    captions << screen.ADOQuery1->headerData(logical, Qt::Horizontal).toString();
            }
            // Reset and clearing while the grid still holds an unfinished read of the roster.
            screen.ActIni->trigger();
            screen.ActClear->trigger();
            return int(QDialog::Rejected);
        });
        QCOMPARE(footer, u"3000"_s);
        QVERIFY(fetched < 3000);
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 0);
        QCOMPARE(f.count(u"EmpNo"_s), 0);
        QCOMPARE(captions, QStringList({u"工厂名称"_s, u"部门"_s, u"工号"_s, u"姓名"_s}));
    }
};

QTEST_MAIN(TestSetupFrm)
#include "tst_admin_setupfrm.moc"
