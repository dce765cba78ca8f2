// The administration screens opened by the main screen's commands: what the
// main screen gives them and how it takes back what they changed (the
// description line, the current item, the board, the settings and the music).
// The screens themselves are tested in tests/ui/admin.
#include "listsfrmparts.h"
#include "startfrmfixture.h"
#include "startfrmprobe.h"

#include "base/errors.h"
#include "base/settings.h"
#include "store/snapshots.h"
#include "ui/admin/listsfrm.h"
#include "ui/admin/setcurritemfrm.h"
#include "ui/admin/setitemfrm.h"
#include "ui/admin/setupblankfrm.h"
#include "ui/admin/setupfrm.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Fixture {
    TempDb db;
    TestServices ts{db};
    std::unique_ptr<TStartFrm> frm;

    explicit Fixture(int employees = 1)
    {
        for (int i = 0; i < employees; ++i)
            db.addEmployee(QString::number(100001 + i), u"员工"_s + QString::number(i), u"一厂"_s);
    }
    // The main screen, started at the first call.
    TStartFrm &start()
    {
        if (!frm)
            frm = makeStartFrm(ts);
        return *frm;
    }
    int itemCount() { return db.scalar(u"select count(*) from AwardItem"_s).toInt(); }
    QString iniPath() const { return db.folder() + u"config.ini"_s; }
};

// A part of a screen by its object name; the test stops when there is none.
template <typename Part> Part &part(const QObject &screen, const char *name)
{
    auto *found = screen.findChild<Part *>(QString::fromLatin1(name));
    if (!found)
        qFatal("%s has no %s", screen.metaObject()->className(), name);
    return *found;
}

// Shows the screen and types a key into the widget, as the operator would.
int typeKey(QDialog &screen, QWidget &target, Qt::Key key)
{
    screen.show();
    QTest::keyClick(&target, key);
    return screen.result();
}

QTableView &pickerGrid(QDialog &picker) { return part<QTableView>(picker, "dxDBGrid1"); }

int pressOk(QDialog &screen)
{
    QTest::mouseClick(&part<QPushButton>(screen, "BitBtn1"), Qt::LeftButton);
    return screen.result();
}

// Runs `inside` on the settings screen that F10 opens.
void openSetup(Fixture &f, const std::function<int(TSetupFrm &)> &inside)
{
    f.ts.dialogs.onModal = [inside](QDialog &d) {
        auto &screen = dynamic_cast<TSetupFrm &>(d);
        screen.show();
        return inside(screen);
    };
    probe(f.start()).ActSetup->trigger();
}

// Types into the password screen that the settings screen's 设置密码 opens
// and presses 确认; then closes the settings screen with 确认 or 取消. The
// messages shown on the way are in f.ts.dialogs.
void setPassword(Fixture &f, const QStringList &typed, bool confirmSettings = false)
{
    f.ts.dialogs.onModal = [&](QDialog &d) {
        if (auto *setup = qobject_cast<TSetupFrm *>(&d)) {
            setup->show();
            QTest::mouseClick(&part<QPushButton>(*setup, "PasswordButton"), Qt::LeftButton);
            return confirmSettings ? pressOk(*setup) : int(QDialog::Rejected);
        }
        d.show();
        const char *fields[] = {"CurrentEdit", "NewEdit", "RepeatEdit"};
        for (int i = 0; i < 3; ++i) {
            auto &edit = part<QLineEdit>(d, fields[i]);
            if (edit.echoMode() != QLineEdit::Password)
                qFatal("%s shows what is typed", fields[i]);
            edit.insert(typed.value(i)); // as an input method would: keyClicks takes no Chinese
        }
        return pressOk(d);
    };
    probe(f.start()).ActSetup->trigger();
    f.ts.dialogs.onModal = nullptr;
}

void addWinner(TempDb &db, const QString &code, const QString &name, int item, const QString &factory)
{
    db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)"_s, {code, name, item, factory});
}

} // namespace

class TestAdminFromMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // F8: the prize item entry screen.
    void enterAtOnceAddsAndShowsTheDefaultItem()
    {
        Fixture f;
        f.start();
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            return typeKey(screen, *screen.DBEdit1, Qt::Key_Return);
        };
        probe(f.frm).ActSetItem->trigger();
        QCOMPARE(f.itemCount(), 1);
        QCOMPARE(f.frm->description(), u"现在抽取:特别奖, 奖品:现金1000元, 共:1人,准备抽取第:1位."_s);
    }

    void newItemFollowsItemCount()
    {
        Fixture f;
        f.start();
        f.db.addItem(7, u"一等奖"_s, u"电脑"_s, 2, 1);
        f.db.addItem(3, u"二等奖"_s, u"手机"_s, 4, 2);
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            return typeKey(screen, *screen.DBEdit4, Qt::Key_Return);
        };
        probe(f.frm).ActSetItem->trigger();
        QCOMPARE(f.db.scalar(u"select iSeq from AwardItem where ItemName = ?"_s, {u"特别奖"_s}).toInt(), 3);
    }

    void escapeWritesNothing()
    {
        Fixture f;
        f.start();
        f.db.addItem(1, u"一等奖"_s, u"电脑"_s, 2, 1);
        f.frm->PrepareCurrentPrize();
        const QString before = f.frm->description();
        f.ts.dialogs.onModal = [](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            screen.DBEdit1->setText(u"不要的"_s);
            return typeKey(screen, *screen.DBEdit1, Qt::Key_Escape);
        };
        probe(f.frm).ActSetItem->trigger();
        QCOMPARE(f.itemCount(), 1);
        QCOMPARE(f.frm->description(), before);
    }

    void secondOpeningStartsFromDefaults()
    {
        Fixture f;
        f.start();
        QStringList seen;
        int opening = 0;
        f.ts.dialogs.onModal = [&](QDialog &d) {
            auto &screen = dynamic_cast<TSetItemFrm &>(d);
            seen << screen.DBEdit1->text() + u'|' + screen.DBEdit2->text() + u'|' + screen.DBEdit3->text() + u'|'
                        + screen.DBEdit4->text();
            if (++opening == 1) {
                screen.DBEdit1->setText(u"一等奖"_s);
                screen.DBEdit3->setText(u"5"_s);
                return typeKey(screen, *screen.DBEdit1, Qt::Key_Return);
            }
            return typeKey(screen, *screen.DBEdit1, Qt::Key_Escape);
        };
        probe(f.frm).ActSetItem->trigger();
        probe(f.frm).ActSetItem->trigger();
        QCOMPARE(seen, QStringList({u"特别奖|现金1000元|1|1"_s, u"特别奖|现金1000元|1|1"_s}));
        QCOMPARE(f.itemCount(), 1);
    }

    // F9: the current prize picker.
    void pickedItemBecomesCurrent()
    {
        Fixture f;
        f.start();
        f.db.addItem(2, u"A"_s, u"a"_s, 3, 1);
        f.db.addItem(1, u"完成"_s, u"b"_s, 2, 1, 2, true);
        f.db.addItem(0, u"超出"_s, u"c"_s, 2, 1, 3, false);
        const int d = f.db.addItem(1, u"D"_s, u"d"_s, 4, 2);
        f.ts.dialogs.onModal = [](QDialog &dialog) { return typeKey(dialog, pickerGrid(dialog), Qt::Key_Return); };
        probe(f.frm).ActSetCurrItem->trigger();
        QCOMPARE(f.frm->round.currItemNo(), d);
        QCOMPARE(f.frm->description(), u"现在抽取:D, 奖品:d, 共:4人,准备抽取第:1位."_s);
    }

    void pickerEscapeChangesNothing()
    {
        Fixture f;
        f.start();
        const int a = f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        f.db.addItem(2, u"B"_s, u"b"_s, 3, 1);
        f.frm->PrepareCurrentPrize();
        const QString before = f.frm->description();
        const int soundCalls = f.ts.sound.calls.size();
        f.ts.dialogs.onModal = [](QDialog &dialog) {
            dialog.show();
            QTest::keyClick(&pickerGrid(dialog), Qt::Key_Down);
            return typeKey(dialog, pickerGrid(dialog), Qt::Key_Escape);
        };
        probe(f.frm).ActSetCurrItem->trigger();
        QCOMPARE(f.frm->round.currItemNo(), a);
        QCOMPARE(f.frm->description(), before);
        QCOMPARE(f.ts.sound.calls.size(), soundCalls); // no reload
    }

    void finishedItemThatLostAWinnerBecomesCurrent()
    {
        Fixture f;
        f.start();
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        // Complete once, then one winner deleted: IsExec stays set.
        const int lost = f.db.addItem(2, u"B"_s, u"b"_s, 2, 1, 1, true);
        f.frm->PrepareCurrentPrize();
        f.ts.dialogs.onModal = [](QDialog &dialog) {
            QTableView &grid = pickerGrid(dialog);
            dialog.show();
            QTest::keyClick(&grid, Qt::Key_Down);
            const QRect cell = grid.visualRect(grid.currentIndex());
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
            return dialog.result();
        };
        probe(f.frm).ActSetCurrItem->trigger();
        QCOMPARE(f.frm->round.currItemNo(), lost);
        QCOMPARE(f.frm->description(), u"现在抽取:B, 奖品:b, 共:2人,准备抽取第:2位."_s);
    }

    void emptyPickerLeavesNoCurrentItem()
    {
        Fixture f;
        f.start();
        f.db.addItem(1, u"A"_s, u"a"_s, 1, 1, 1, true);
        f.ts.dialogs.onModal = [](QDialog &dialog) { return typeKey(dialog, pickerGrid(dialog), Qt::Key_Return); };
        probe(f.frm).ActSetCurrItem->trigger();
        QCOMPARE(f.frm->round.currItemNo(), 0);
        QCOMPARE(f.frm->description(), u"未设置奖项或全部奖项已抽完!"_s);
    }

    // F10: the settings screen. OK saves the loop count the screen holds,
    // kept in range whether typed or read from the file.
    void okSavesTheLoopCount_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("saved");
        QTest::addRow("above the range") << QByteArray() << u"100"_s << 50;
        QTest::addRow("not a number") << QByteArray() << u"abc"_s << 5;
        QTest::addRow("within") << QByteArray() << u"25"_s << 25;
        QTest::addRow("below") << QByteArray() << u"2"_s << 5;
        QTest::addRow("below in the file") << QByteArray("[config]\r\niTime=3\r\n") << QString() << 5;
    }
    void okSavesTheLoopCount()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, typed);
        QFETCH(int, saved);
        Fixture f;
        if (!ini.isEmpty()) {
            QFile file(f.iniPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(ini);
        }
        openSetup(f, [&](TSetupFrm &screen) {
            if (!typed.isEmpty()) {
                auto &loopCount = part<QSpinBox>(screen, "RzSpinEdit1");
                loopCount.setFocus();
                loopCount.selectAll();
                QTest::keyClicks(&loopCount, typed);
            }
            // The screen names the folder of the database in use.
            [&] {
                QCOMPARE(part<QLabel>(screen, "DataFolderLabel").toolTip(), QDir::toNativeSeparators(f.db.folder()));
            }();
            return pressOk(screen);
        });
        QCOMPARE(LoadSettings(f.db.folder()).iTime, saved);
        QCOMPARE(f.ts.settings.iTime, saved);
    }

    // Music picked and then cancelled is not saved, but the next reload plays it.
    void pickedMusicPlaysAtTheNextReload()
    {
        Fixture f;
        const QString music = f.db.folder() + u"party.mp3"_s;
        QFile file(music);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        f.ts.dialogs.fileAnswers.push_back(music);
        openSetup(f, [&](TSetupFrm &screen) {
            part<QLineEdit>(screen, "RzButtonEdit2").actions().constFirst()->trigger();
            QTest::mouseClick(&part<QPushButton>(screen, "BitBtn2"), Qt::LeftButton);
            return screen.result();
        });
        QVERIFY(!QFile::exists(f.iniPath()));
        QCOMPARE(f.ts.settings.backSound, music);
        f.start().ReloadDrawData();
        QCOMPARE(f.ts.sound.calls.last(), u"music:party.mp3"_s);
    }

    void okRefreshesBoardAndDescriptionCancelDoesNot_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("reset");
        QTest::addRow("cancel") << false << false;
        QTest::addRow("ok") << true << false;
        QTest::addRow("reset, ok") << true << true;
        QTest::addRow("reset, cancel") << false << true;
    }
    void okRefreshesBoardAndDescriptionCancelDoesNot()
    {
        QFETCH(bool, ok);
        QFETCH(bool, reset);
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        TStartFrm &start = f.start();
        start.AddBoardLabel(u"100001"_s, u"员工0"_s, u"一厂"_s, 1);
        start.ShowCandidate(u"100001"_s, u"一厂 员工0"_s);
        const QString before = start.description();
        const QString titleBefore = probe(start).Titles->text();
        f.db.exec(u"update AwardItem set ExcNum = 1"_s); // changed behind the main screen's back
        QSignalSpy stageChosen(&start, &TStartFrm::stageScreenChosen);
        f.ts.settings.stageScreen = u"HDMI-1"_s; // chosen on another evening
        QString stageScreen;
        openSetup(f, [&](TSetupFrm &screen) {
            part<QLineEdit>(screen, "Edit1").setText(u"年会抽奖"_s);
            part<QCheckBox>(screen, "CheckBox1").setChecked(true);
            // 舞台显示屏: the default first, then every connected screen, then
            // the chosen one that is not connected now.
            auto &stage = part<QComboBox>(screen, "StageScreenBox");
            [&] {
                QCOMPARE(stage.count(), 2 + QGuiApplication::screens().size());
                QVERIFY(stage.itemData(0).toString().isEmpty());
                QCOMPARE(stage.currentText(), u"HDMI-1 (未连接)"_s);
            }();
            stage.setCurrentIndex(0);
            stageScreen = stage.currentData().toString();
            if (reset) {
                screen.findChild<QAction *>(u"ActIni"_s)->trigger();
                // The stage follows the reset at once, while the screen is open.
                [&] {
                    QVERIFY(probe(start).label(1) == nullptr);
                    QCOMPARE(probe(start).EmpName->text(), u"本次中奖者是:......"_s);
                    QCOMPARE(start.description(), u"现在抽取:A, 奖品:a, 共:3人,准备抽取第:1位."_s);
                }();
            }
            if (ok)
                return pressOk(screen);
            part<QPushButton>(screen, "BitBtn2").click();
            return screen.result();
        });
        // A reset empties the board and the digits also when the screen is
        // then cancelled; the item starts again from its first place.
        const bool refreshed = ok || reset;
        QCOMPARE(probe(start).label(1) != nullptr, !refreshed);
        QCOMPARE(start.description(), reset ? u"现在抽取:A, 奖品:a, 共:3人,准备抽取第:1位."_s
                                      : ok  ? u"现在抽取:A, 奖品:a, 共:3人,准备抽取第:2位."_s
                                            : before);
        QCOMPARE(QFile::exists(f.iniPath()), ok);
        // A saved title shows at once; after the reset or any saved change
        // the digits and the winner line present nobody the board dropped.
        QCOMPARE(probe(start).Titles->text(), ok ? u"年会抽奖"_s : titleBefore);
        QCOMPARE(probe(start).EmpName->text(), refreshed ? u"本次中奖者是:......"_s : u"本次中奖者是:一厂 员工0"_s);
        QCOMPARE(probe(start).numbers[5]->text(), refreshed ? u"0"_s : u"1"_s);
        if (ok) {
            const Settings saved = LoadSettings(f.db.folder());
            QCOMPARE(saved.ATltle, u"年会抽奖"_s);
            QVERIFY(saved.showNo);
            QCOMPARE(saved.stageScreen, stageScreen);
            QCOMPARE(stageChosen.size(), 1);
            QCOMPARE(stageChosen.first().first().toString(), stageScreen);
        } else {
            QCOMPARE(stageChosen.size(), 0);
        }
    }

    // After 恢复数据 the settings screen closes and the main screen reads the
    // data and config.ini again: nothing it showed from before stays.
    void restoreReloadsTheMainScreen()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        TStartFrm &start = f.start();
        Snapshots::take(f.db.db(), Snapshots::reset());
        f.db.exec(u"update AwardItem set ExcNum = 1"_s);
        start.PrepareCurrentPrize();
        start.AddBoardLabel(u"100001"_s, u"员工0"_s, u"一厂"_s, 1);
        start.ShowCandidate(u"100001"_s, u"一厂 员工0"_s);
        QFile ini(f.iniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[config]\r\nATltle=T\r\nstageBackground=background.png\r\n");
        ini.close();
        // ... with the background it names, as a restored backup brings it.
        QVERIFY(QDir().mkpath(f.db.folder() + u"pictures"_s));
        QImage background(64, 48, QImage::Format_RGB32);
        background.fill(Qt::green);
        QVERIFY(background.save(f.db.folder() + u"pictures/background.png"_s));
        QVERIFY(!probe(start).Image1->isHidden());
        f.ts.dialogs.onModal = [](QDialog &d) {
            d.show();
            part<QPushButton>(d, "RestoreButton").click();
            return d.result();
        };
        probe(start).ActSetup->trigger();
        QCOMPARE(f.ts.dialogs.texts(u"error"_s), QStringList());
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s).last(), u"数据已恢复。"_s);
        QCOMPARE(start.description(), u"现在抽取:A, 奖品:a, 共:3人,准备抽取第:1位."_s);
        QCOMPARE(probe(start).Titles->text(), u"T"_s);
        // The background is decoded off the screen's thread.
        QTRY_VERIFY(probe(start).Image1->isHidden());
        QVERIFY(probe(start).label(1) == nullptr);
        QCOMPARE(probe(start).EmpName->text(), u"本次中奖者是:......"_s);
    }

    void unwritableSettingsSkipTheRefresh()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        TStartFrm &start = f.start();
        start.AddBoardLabel(u"100001"_s, u"员工0"_s, u"一厂"_s, 1);
        QVERIFY(QDir().mkpath(f.iniPath())); // a folder where the file should go
        openSetup(f, [&](TSetupFrm &screen) {
            part<QLineEdit>(screen, "Edit1").setText(u"新标题"_s);
            return pressOk(screen);
        });
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QVERIFY(f.ts.dialogs.texts(u"error"_s).first().startsWith(u"Unable to write to"_s));
        QCOMPARE(f.ts.settings.ATltle, u"新标题"_s);
        QVERIFY(probe(start).label(1) != nullptr);
    }

    // SetupFrm names the settings screen while it is open, and nothing after.
    void setupFrmNamesTheOpenScreen()
    {
        Fixture f;
        bool named = false;
        openSetup(f, [&](TSetupFrm &screen) {
            named = SetupFrm == &screen;
            part<QPushButton>(screen, "BitBtn2").click();
            return screen.result();
        });
        QVERIFY(named);
        QCOMPARE(SetupFrm, nullptr);
    }

    // F11: the winners list. Closing it refreshes the board and the
    // description line, also after an error.
    void closingTheWinnersListRefreshes_data()
    {
        QTest::addColumn<QString>("inside");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("errors");
        // The first item is full: the start took the next open one, and a
        // deleted winner's freed place does not change that.
        const QString line = u"现在抽取:二等奖, 奖品:自行车, 共:5人,准备抽取第:1位."_s;
        QTest::addRow("closed at once") << u"close"_s << line << 0;
        QTest::addRow("after deleting a winner") << u"delete"_s << line << 0;
        QTest::addRow("after an error") << u"delete-then-throw"_s << line << 1;
        QTest::addRow("after an absent winner")
            << u"absent"_s << u"现在抽取:一等奖, 奖品:电视机, 共:3人,准备抽取第:3位."_s << 0;
    }
    void closingTheWinnersListRefreshes()
    {
        QFETCH(QString, inside);
        QFETCH(QString, description);
        QFETCH(int, errors);
        Fixture f(0);
        f.db.addEmployee(u"1001"_s, u"张三"_s, u"一厂"_s);
        const int first = f.db.addItem(1, u"一等奖"_s, u"电视机"_s, 3, 1, 3, true);
        f.db.addItem(2, u"二等奖"_s, u"自行车"_s, 5, 1, 0, false);
        addWinner(f.db, u"1001"_s, u"张三"_s, first, u"一厂"_s);
        addWinner(f.db, u"1002"_s, u"李四"_s, first, u"二厂"_s);
        addWinner(f.db, u"1003"_s, u"王五"_s, first, u"一厂"_s);
        TStartFrm &main = f.start();
        main.AddBoardLabel(u"1001"_s, u"张三"_s, u"一厂"_s, 1);
        main.AddBoardLabel(u"1002"_s, u"李四"_s, u"二厂"_s, 2);
        main.ShowCandidate(u"1002"_s, u"二厂 李四"_s);
        f.ts.sound.calls.clear();
        bool sawGlobal = false;
        f.ts.dialogs.onModal = [&](QDialog &dialog) {
            auto *screen = qobject_cast<TListsFrm *>(&dialog);
            sawGlobal = screen && ListsFrm == screen && screen->parent() == &main;
            if (inside == u"absent"_s && screen)
                ListsFrmParts(*screen).ActAbsent->trigger();
            else if (inside != u"close"_s && screen)
                ListsFrmParts(*screen).ActDel->trigger();
            if (inside == u"delete-then-throw"_s)
                throw AppError(u"磁盘错误"_s);
            return int(QDialog::Rejected);
        };
        probe(main).ActList->trigger(); // F11

        QVERIFY(sawGlobal);
        QCOMPARE(ListsFrm, nullptr);
        QCOMPARE(f.ts.dialogs.count(u"modal"_s), 1);
        QCOMPARE(f.ts.dialogs.count(u"error"_s), errors);
        QCOMPARE(probe(main).Panel2->findChildren<QLabel *>(QRegularExpression(u"^Lab\\d+$"_s)).size(), 0);
        QCOMPARE(main.description(), description);
        // The digits and the winner line no longer present a winner the board
        // has dropped (and the list may have removed).
        QCOMPARE(probe(main).EmpName->text(), u"本次中奖者是:......"_s);
        for (RollingDigit *digit : probe(main).numbers)
            QCOMPARE(digit->text(), u"0"_s);
        QVERIFY(!main.board().captionShown());
        QVERIFY(f.ts.sound.calls.size() >= 1 && f.ts.sound.calls.constFirst().startsWith(u"music:"_s));
        QVERIFY(main.findChildren<TListsFrm *>().isEmpty());
    }

    // F2: the designations and exclusions, behind the password: the built-in
    // one until the operator sets theirs in the settings screen (which holds
    // whether that screen then closes with 确认 or 取消), theirs after.
    void f2OpensTheScreenOnlyWithThePassword_data()
    {
        QTest::addColumn<QString>("setInSettings");
        QTest::addColumn<bool>("settingsConfirmed");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::addRow("right") << QString() << false << u"582"_s << true;
        QTest::addRow("trailing space") << QString() << false << u"582 "_s << false;
        QTest::addRow("cancel") << QString() << false << QString() << false;
        QTest::addRow("own one") << u"年会 2026"_s << false << u"年会 2026"_s << true;
        QTest::addRow("own one, settings confirmed") << u"年会 2026"_s << true << u"年会 2026"_s << true;
        QTest::addRow("582 no longer") << u"年会 2026"_s << false << u"582"_s << false;
        QTest::addRow("582 no longer, settings confirmed") << u"年会 2026"_s << true << u"582"_s << false;
    }
    void f2OpensTheScreenOnlyWithThePassword()
    {
        QFETCH(QString, setInSettings);
        QFETCH(bool, settingsConfirmed);
        QFETCH(QString, typed);
        QFETCH(bool, opens);
        Fixture f(0);
        f.db.addEmployee(u"1001"_s, u"张三"_s, u"一厂"_s);
        f.db.addItem(1, u"一等奖"_s, u"电脑"_s, 1, 1);
        TStartFrm &main = f.start();
        if (!setInSettings.isEmpty()) {
            setPassword(f, {u"582"_s, setInSettings, setInSettings}, settingsConfirmed);
            QCOMPARE(f.ts.dialogs.texts(u"notify"_s), QStringList{u"密码已设置。此后按 F2 时请输入新密码。"_s});
            // Kept as a salted hash only, as the next start reads it.
            QFile ini(f.iniPath());
            QVERIFY(ini.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(ini.readAll());
            QVERIFY2(!text.contains(setInSettings) && !text.contains(u"2026"_s), qPrintable(text));
            QVERIFY(LoadSettings(f.db.folder()).passwordHash.startsWith(u"pbkdf2-sha256$"_s));
            QCOMPARE(LoadSettings(f.db.folder()).passwordHash, f.ts.settings.passwordHash);
        }
        const QString before = main.description();
        f.ts.dialogs.calls.clear();
        f.ts.dialogs.inputAnswers.push_back(typed);
        f.ts.dialogs.onModal = [&](QDialog &dialog) {
            auto &screen = dynamic_cast<TSetupBlankFrm &>(dialog);
            // The designation code, then Enter: the row is written.
            auto &code = part<QLineEdit>(screen, "DBEdit1");
            code.selectAll();
            QTest::keyClicks(&code, u"1001"_s);
            QTest::keyClick(&code, Qt::Key_Return);
            return int(QDialog::Accepted);
        };
        probe(main).ActSetBlank->trigger();
        QCOMPARE(f.ts.dialogs.count(u"modal"_s), opens ? 1 : 0);
        QCOMPARE(f.db.scalar(u"select count(*) from Award"_s).toInt(), opens ? 1 : 0);
        QCOMPARE(main.description(), before);
        // F2 says what it is, and a wrong password says so.
        QCOMPARE(f.ts.dialogs.calls.front().caption, u"指定与排除"_s);
        const bool wrong = !opens && !typed.isEmpty();
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s),
                 wrong ? QStringList{u"密码不正确，指定与排除名单没有打开。请按 F2 重新输入。"_s} : QStringList());
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 0);
    }

    // The password screen refuses with a reason and keeps the password in
    // force; a wrong current one counts towards the wait as on F2.
    void settingThePasswordIsRefused_data()
    {
        QTest::addColumn<QStringList>("typed"); // current, new, again
        QTest::addColumn<QString>("message");
        QTest::addRow("wrong current") << QStringList{u"123"_s, u"abc"_s, u"abc"_s}
                                       << u"当前密码不正确，请重新输入。"_s;
        QTest::addRow("no current") << QStringList{QString(), u"abc"_s, u"abc"_s} << u"当前密码不正确，请重新输入。"_s;
        QTest::addRow("empty new") << QStringList{u"582"_s, QString(), QString()}
                                   << u"新密码不能为空，请输入新密码。"_s;
        QTest::addRow("typed twice differently")
            << QStringList{u"582"_s, u"abc"_s, u"abd"_s} << u"两次输入的新密码不一致，请重新输入新密码。"_s;
    }
    void settingThePasswordIsRefused()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        Fixture f;
        setPassword(f, typed);
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s), QStringList{message});
        QCOMPARE(f.ts.settings.passwordHash, QString());
        QCOMPARE(LoadSettings(f.db.folder()).passwordHash, QString());
    }

    // Five wrong ones in a row, on F2 or as the current one in the password
    // screen, make F2 wait a minute, saying how long is left; then it asks again.
    void f2WaitsAfterFiveWrongOnes()
    {
        Fixture f;
        TStartFrm &main = f.start();
        setPassword(f, {u"111"_s, u"abc"_s, u"abc"_s});
        for (int i = 0; i < 4; ++i) {
            f.ts.dialogs.inputAnswers.push_back(u"58"_s);
            probe(main).ActSetBlank->trigger();
        }
        QCOMPARE(f.ts.dialogs.count(u"input"_s), 4);
        const QString wrong = u"密码不正确，指定与排除名单没有打开。请按 F2 重新输入。"_s;
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s), (QStringList{u"当前密码不正确，请重新输入。"_s, wrong, wrong, wrong,
                                                               u"密码已连续输错 5 次，请在 60 秒后再试。"_s}));
        f.ts.dialogs.calls.clear();
        f.ts.pacer.clockMs += 45'500;
        f.ts.dialogs.inputAnswers.push_back(u"582"_s);
        probe(main).ActSetBlank->trigger();
        QCOMPARE(f.ts.dialogs.count(u"input"_s), 0);
        QCOMPARE(f.ts.dialogs.count(u"modal"_s), 0);
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s), QStringList{u"密码已连续输错 5 次，请在 15 秒后再试。"_s});
        // The password screen waits as well.
        setPassword(f, {u"582"_s, u"abc"_s, u"abc"_s});
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s).constLast(), u"密码已连续输错 5 次，请在 15 秒后再试。"_s);
        QCOMPARE(f.ts.settings.passwordHash, QString());
        f.ts.dialogs.calls.clear();
        f.ts.pacer.clockMs += 15'000;
        probe(main).ActSetBlank->trigger();
        QCOMPARE(f.ts.dialogs.count(u"input"_s), 1);
        QCOMPARE(f.ts.dialogs.count(u"modal"_s), 1);
        QCOMPARE(f.ts.dialogs.count(u"notify"_s), 0);
    }

    // A stored form this version cannot read opens nothing and says what to do.
    void unreadableStoredPasswordIsExplained()
    {
        Fixture f;
        SavePasswordHash(f.db.folder(), u"argon2id$v=19$m=65536$xyz"_s);
        f.ts.dialogs.inputAnswers.push_back(u"582"_s);
        probe(f.start()).ActSetBlank->trigger();
        QCOMPARE(f.ts.dialogs.count(u"modal"_s), 0);
        const QString text = f.ts.dialogs.texts(u"notify"_s).value(0);
        QVERIFY2(text.contains(QDir::toNativeSeparators(f.iniPath())) && text.contains(u"passwordHash"_s),
                 qPrintable(text));
    }
};

QTEST_MAIN(TestAdminFromMain)
#include "tst_admin_from_main.moc"
