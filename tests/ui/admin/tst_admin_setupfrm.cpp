// The system settings screen, opened from the main screen (F10) with scripted
// answers and a real database file.
#include "ui/admin/loopcountspinbox.h"
#include "ui/admin/postingtablemodel.h"
#include "ui/admin/setupfrm.h"
#include "base/settings.h"
#include "ui/main/startfrm.h"
#include "screensupport.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kRuleMessage = u"每次抽奖人数不能大于20，也不能小于1,也不能大于此奖项的中奖总人数"_s;

struct Fixture {
    TempDb db;
    TestServices ts{db};
    std::unique_ptr<TStartFrm> frm;

    explicit Fixture(int employees = 1)
    {
        for (int i = 0; i < employees; ++i)
            db.addEmployee(QString::number(100001 + i), u"员工"_s + QString::number(i), u"一厂"_s);
    }
    TStartFrm &start()
    {
        if (!frm)
            frm = std::make_unique<TStartFrm>(ts.services);
        return *frm;
    }
    // Opens the settings screen by its command and runs `inside` while it is open.
    void openSetup(const std::function<int(TSetupFrm &)> &inside)
    {
        ts.dialogs.onModal = [inside](QDialog &d) {
            auto &screen = dynamic_cast<TSetupFrm &>(d);
            screen.show();
            return inside(screen);
        };
        start().ActSetup->trigger();
    }
    int count(const QString &table) { return db.scalar(u"select count(*) from "_s + table).toInt(); }
    QString iniPath() const { return db.folder() + u"config.ini"_s; }
};

int pressOk(TSetupFrm &screen)
{
    QTest::mouseClick(screen.BitBtn1, Qt::LeftButton);
    return screen.result();
}

QModelIndex prizeCell(TSetupFrm &screen, int row, const QString &field)
{
    return screen.ADOQuery2->index(row, screen.ADOQuery2->fieldIndex(field));
}

} // namespace

class TestSetupFrm : public QObject {
    Q_OBJECT
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
        f.openSetup([&](TSetupFrm &screen) {
            screen.RzSpinEdit1->setFocus();
            screen.RzSpinEdit1->selectAll();
            QTest::keyClicks(screen.RzSpinEdit1, typed);
            return pressOk(screen);
        });
        QCOMPARE(LoadSettings(f.db.folder()).iTime, saved);
        QCOMPARE(f.ts.services.settings.iTime, saved);
    }

    void loopCountFromFileIsShownInRange()
    {
        Fixture f;
        QFile ini(f.iniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[config]\r\niTime=3\r\n");
        ini.close();
        int shown = 0;
        f.openSetup([&](TSetupFrm &screen) {
            shown = screen.RzSpinEdit1->value();
            return pressOk(screen);
        });
        QCOMPARE(shown, 5);
        QCOMPARE(LoadSettings(f.db.folder()).iTime, 5);
    }

    void perPressRule_data()
    {
        QTest::addColumn<QVariant>("sum");
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("messages");
        QTest::addRow("10 of 8") << QVariant(8) << 10 << 8 << 1;
        QTest::addRow("30 of 30") << QVariant(30) << 30 << 20 << 1;
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
            screen.ADOQuery2->submit();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.texts(u"notify"_s).count(kRuleMessage), messages);
        if (messages) {
            const auto notices = f.ts.dialogs.calls;
            const auto it = std::find_if(notices.begin(), notices.end(), [](const auto &c) { return c.text == kRuleMessage; });
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
            roster->setData(roster->index(0, roster->fieldIndex(u"EmpName"_s)), u"O'Neil"_s);
            posted = roster->submit();
            // Longer than the field: the database refuses, the error is reported.
            roster->setData(roster->index(1, roster->fieldIndex(u"EmpName"_s)), QString(60, u'x'));
            roster->submit();
            return int(QDialog::Rejected);
        });
        QVERIFY(posted);
        QCOMPARE(f.db.scalar(u"select EmpName from EmpNo order by RecNo"_s).toString(), u"O'Neil"_s);
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QCOMPARE(f.db.scalar(u"select count(*) from EmpNo where EmpName = ?"_s, {u"员工1"_s}).toInt(), 1);
    }

    void resetKeepsItem9999ButRemovesItsWinners()
    {
        Fixture f;
        const int a = f.db.addItem(1, u"A"_s, u"a"_s, 2, 1, 2, true);
        const int kept = f.db.addItem(9999, u"K"_s, u"k"_s, 3, 1, 1, true);
        for (int item : {a, a, kept})
            f.db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values('1','x',?,'一厂')"_s, {item});
        f.db.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('1','x',?,1,'一厂')"_s, {a});
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActIni->trigger();
            return int(QDialog::Rejected);
        });
        QCOMPARE(f.ts.dialogs.texts(u"ask"_s), QStringList{u"确定要清除已中奖名单，并开始新的抽奖吗?"_s});
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
        QCOMPARE(f.ts.services.settings.backSound, music);
        f.start().ReloadDrawData();
        QCOMPARE(f.ts.sound.calls.last(), u"music:party.mp3"_s);
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

    void okRefreshesBoardAndDescriptionCancelDoesNot_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addRow("cancel") << false;
        QTest::addRow("ok") << true;
    }
    void okRefreshesBoardAndDescriptionCancelDoesNot()
    {
        QFETCH(bool, ok);
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        TStartFrm &start = f.start();
        start.AddBoardLabel(u"100001"_s, u"员工0"_s, u"一厂"_s, 1);
        const QString before = start.description();
        f.db.exec(u"update AwardItem set ExcNum = 1"_s); // changed behind the main screen's back
        f.openSetup([&](TSetupFrm &screen) {
            screen.Edit1->setText(u"年会抽奖"_s);
            screen.CheckBox1->setChecked(true);
            if (ok)
                return pressOk(screen);
            screen.BitBtn2->click();
            return screen.result();
        });
        QCOMPARE(start.FindBoardControl(u"Lab1"_s) > 0, !ok);
        QCOMPARE(start.description(), ok ? u"现在抽取:A, 奖品:a, 共:3人,准备抽取第:2位."_s : before);
        QCOMPARE(QFile::exists(f.iniPath()), ok);
        if (ok) {
            const Settings saved = LoadSettings(f.db.folder());
            QCOMPARE(saved.ATltle, u"年会抽奖"_s);
            QVERIFY(saved.showNo);
        }
    }

    void unwritableSettingsSkipTheRefresh()
    {
        Fixture f;
        f.db.addItem(1, u"A"_s, u"a"_s, 3, 1);
        TStartFrm &start = f.start();
        start.AddBoardLabel(u"100001"_s, u"员工0"_s, u"一厂"_s, 1);
        QVERIFY(QDir().mkpath(f.iniPath())); // a folder where the file should go
        f.openSetup([&](TSetupFrm &screen) {
            screen.Edit1->setText(u"新标题"_s);
            return pressOk(screen);
        });
        QCOMPARE(f.ts.dialogs.count(u"error"_s), 1);
        QVERIFY(f.ts.dialogs.texts(u"error"_s).first().startsWith(u"Unable to write to"_s));
        QCOMPARE(f.ts.services.settings.ATltle, u"新标题"_s);
        QVERIFY(start.FindBoardControl(u"Lab1"_s) > 0);
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
            openAfterYes = screen.isVisible() && screen.CancelImport && !screen.Importing && screen.BitBtn1->isEnabled()
                           && SetupFrm == &screen;
            screen.BitBtn2->click();
            return screen.result();
        });
        QVERIFY(openAfterNo);
        QVERIFY(openAfterYes);
        QCOMPARE(f.ts.dialogs.texts(u"ask"_s), QStringList({u"确定要取消本次操作吗?"_s, u"确定要取消本次操作吗?"_s}));
        QCOMPARE(SetupFrm, nullptr);
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
