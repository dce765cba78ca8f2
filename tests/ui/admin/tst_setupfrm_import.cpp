// The settings screen's roster import, run by its command with scripted
// answers, a pacer that never sleeps and a real database file.
#include "ui/admin/setupfrm.h"
#include "testsupport.h"
#include "screensupport.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// More rows than the import stores between two pauses at the latest, so that
// a pause comes while rows are stored whatever the clock says.
constexpr int RosterRows = 60000;

struct Fixture {
    TempDb db;
    TestServices ts{db};

    // Runs `inside` while the settings screen is open.
    void openSetup(const std::function<void(TSetupFrm &)> &inside)
    {
        ts.dialogs.onModal = [this, inside](QDialog &d) {
            auto &screen = dynamic_cast<TSetupFrm &>(d);
            screen.show();
            ts.dialogs.calls.clear(); // the screen's opening

            inside(screen);
            return int(QDialog::Rejected);
        };
        TSetupFrm screen(ts.settings, db.db(), ts.dialogs, ts.pacer);
        screen.FormShow();
        ts.dialogs.runModal(screen);
    }
    QString writeRoster(const QString &name, int rows, int longDepartmentAt = 0)
    {
        QByteArray text;
        for (int i = 1; i <= rows; ++i) {
            const QString dept = i == longDepartmentAt ? QString(60, u'部') : u"部门"_s;
            text += u"一厂\t%1\t员工%2\tE%2\r\n"_s.arg(dept).arg(i).toUtf8();
        }
        const QString path = db.folder() + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }
    int employees() { return db.scalar(u"select count(*) from EmpNo"_s).toInt(); }
};

} // namespace

class TestSetupFrmImport : public QObject {
    Q_OBJECT

    // No import under way: OK, the grids and the commands on the data take input again.
    static bool takesCommands(TSetupFrm &screen)
    {
        return screen.BitBtn1->isEnabled() && !screen.Importing && screen.dxDBGrid1->isEnabled()
               && screen.dxDBGrid2->isEnabled() && screen.ActClear->isEnabled() && screen.ActIni->isEnabled()
               && screen.ActDel->isEnabled() && screen.Button4->isEnabled();
    }

private Q_SLOTS:
    void importCompletes()
    {
        Fixture f;
        f.ts.dialogs.fileAnswers = {f.writeRoster(u"roster.txt"_s, RosterRows)};
        bool busyAtPump = false;
        QString shownAtPump;
        int barAtNotice = -1;
        f.openSetup([&](TSetupFrm &screen) {
            // The screen shows the end before the notice about it is read.
            f.ts.dialogs.onNotify = [&](const ScriptedDialogs::Call &) { barAtNotice = screen.ProgressBar1->value(); };
            f.ts.pacer.onPump = [&](int n) {
                (void)n;
                // Nothing else writes meanwhile: the grids and the commands on the data wait; Cancel answers.
                busyAtPump = screen.Importing && !screen.BitBtn1->isEnabled() && !screen.dxDBGrid1->isEnabled()
                             && !screen.dxDBGrid2->isEnabled() && !screen.ActClear->isEnabled()
                             && !screen.ActIni->isEnabled() && !screen.ActDel->isEnabled()
                             && !screen.Button1->isEnabled() && screen.BitBtn2->isEnabled();
                if (shownAtPump.isEmpty() && f.employees() >= 1000) // the row before the one about to be read
                    shownAtPump = screen.Label1->text();
            };
            screen.ActImport->trigger();
            // The classic entries stay, after a first one that shows every roster file.
            const QStringList filter = f.ts.dialogs.texts(u"open"_s).value(0).split(u'|');
            QVERIFY2(filter.size() >= 6 && filter.size() % 2 == 0, qPrintable(filter.join(u'|')));
            QCOMPARE(filter.mid(2, 4), (QStringList{u"Execl文件"_s, u"*.xls"_s, u"TXT文件"_s, u"*.txt"_s}));
            for (const char *pattern : {"*.xls", "*.xlsx", "*.xlsm", "*.ods", "*.csv", "*.txt"})
                QVERIFY2(filter[1].split(u';').contains(QLatin1String(pattern)), pattern);
            QVERIFY(busyAtPump);
            const auto shown =
                QRegularExpression(u"^正在导入：第\\[(\\d+)\\]行，员工：\\[E(\\d+)\\]姓名:\\[员工(\\d+)\\]$"_s)
                    .match(shownAtPump);
            QVERIFY2(shown.hasMatch() && shown.captured(1) == shown.captured(2)
                         && shown.captured(1) == shown.captured(3),
                     qPrintable(shownAtPump));
            QCOMPARE(f.ts.dialogs.count(u"choose"_s), 0); // an empty roster has nothing to keep
            QCOMPARE(f.ts.dialogs.texts(u"notify"_s), QStringList{u"导入员工资料完成!"_s});
            QCOMPARE(f.ts.dialogs.calls.back().caption, u" 系统提示"_s);
            QCOMPARE(f.ts.dialogs.calls.back().icon, Dialogs::Icon::None);
            QCOMPARE(screen.Label1->text(), u"导入员工资料完成"_s);
            QCOMPARE(screen.ProgressBar1->value(), 100);
            QCOMPARE(barAtNotice, 100);
            QVERIFY(takesCommands(screen));
            QCOMPARE(screen.rosterCount(), RosterRows);
        });
        QCOMPARE(f.employees(), RosterRows);
    }

    // Cancel confirmed while events are handled: the row in progress is
    // completed, the stop is told with the rows kept, and the screen stays open.
    void cancelMidImport()
    {
        Fixture f;
        f.ts.dialogs.fileAnswers = {f.writeRoster(u"roster.txt"_s, RosterRows)};
        int storedAtCancel = -1;
        f.openSetup([&](TSetupFrm &screen) {
            f.ts.pacer.onPump = [&](int) {
                // Events are let through while the file is read too; this
                // stop comes between rows, after a thousand of them.
                if (storedAtCancel >= 0 || f.employees() < 1000)
                    return;
                storedAtCancel = f.employees();
                screen.BitBtn2Click();
                QVERIFY(screen.CancelImport && !screen.Importing && screen.BitBtn1->isEnabled());
            };
            screen.ActImport->trigger();
            QVERIFY(screen.isVisible());
            QCOMPARE(f.ts.dialogs.texts(u"ask"_s), QStringList{u"确定要取消本次操作吗?"_s});
            QVERIFY(storedAtCancel > 0);
            QCOMPARE(f.ts.dialogs.texts(u"notify"_s),
                     QStringList{u"导入已停止：已导入%1人，其余的行没有导入。"_s.arg(storedAtCancel + 1)});
            QCOMPARE(screen.Label1->text(), u"导入已停止"_s);
            QVERIFY(screen.ProgressBar1->value() != 100);
            QCOMPARE(screen.rosterCount(), storedAtCancel + 1);
        });
        QCOMPARE(f.employees(), storedAtCancel + 1);
    }

    // Declining the question lets the import go on to the end.
    void cancelDeclined()
    {
        Fixture f;
        f.ts.dialogs.fileAnswers = {f.writeRoster(u"roster.txt"_s, 30)};
        f.ts.dialogs.askAnswers = {false, false, false, false, false, false, false, false};
        f.openSetup([&](TSetupFrm &screen) {
            f.ts.pacer.onPump = [&](int) { screen.BitBtn2Click(); };
            screen.ActImport->trigger();
        });
        QCOMPARE(f.employees(), 30);
    }

    void refusedRowIsReported()
    {
        Fixture f;
        f.ts.dialogs.fileAnswers = {f.writeRoster(u"roster.txt"_s, 10, 7)};
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActImport->trigger();
            const QStringList notices = f.ts.dialogs.texts(u"notify"_s);
            QCOMPARE(notices.size(), 1);
            QVERIFY2(notices[0].contains(u"第7行"_s) && notices[0].contains(u"部门"_s), qPrintable(notices[0]));
            QVERIFY(screen.Label1->text().startsWith(u"正在导入：第[7]行"_s));
            QVERIFY(takesCommands(screen));
            QCOMPARE(screen.rosterCount(), 6);
        });
        QCOMPARE(f.employees(), 6);
    }

    // A file refused before its first row changes nothing, whatever was
    // chosen for the roster already there. A file that is no workbook at all
    // is refused before the question; damage inside its sheet is found only
    // as it is read, after it.
    void unreadableFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("asked");
        const QByteArray container = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\x07');
        // A worksheet whose first cell runs past the end of the file.
        const QByteArray sheet = QByteArray("\x09\x02\x06\x00\x00\x00\x10\x00\x00\x00"
                                            "\x04\x02\xC8\x00\x00\x00\x00\x00\x00\x00\x05\x00"
                                            "abc",
                                            25);
        QTest::newRow("damaged container") << container << 0 << 0;
        QTest::newRow("damaged sheet, append") << sheet << 0 << 1;
        QTest::newRow("damaged sheet, replace") << sheet << 1 << 1;
    }
    void unreadableFileChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, choice);
        QFETCH(int, asked);
        Fixture f;
        f.db.addEmployee(u"1"_s, u"原有"_s, u"一厂"_s);
        const QString path = f.db.folder() + u"broken.xls"_s;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        f.ts.dialogs.fileAnswers = {path};
        f.ts.dialogs.chooseAnswers = {choice};
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActImport->trigger();
            QCOMPARE(f.ts.dialogs.count(u"choose"_s), asked);
            const QStringList errors = f.ts.dialogs.texts(u"error"_s);
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors[0].contains(u"broken.xls"_s) && errors[0].contains(u"损坏"_s), qPrintable(errors[0]));
            QCOMPARE(f.ts.dialogs.count(u"notify"_s), 0);
            QVERIFY(takesCommands(screen));
            QCOMPARE(screen.rosterCount(), 1);
        });
        QCOMPARE(f.employees(), 1);
        QCOMPARE(f.db.scalar(u"select EmpName from EmpNo"_s).toString(), u"原有"_s);
    }

    // With people in the roster the operator chooses: 追加 stores only the
    // people it lacks and counts the others, 替换 empties it first, 取消 (or
    // closing the box) imports nothing.
    void rosterNotEmpty_data()
    {
        QTest::addColumn<int>("fileRows");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("employees");
        QTest::addColumn<QString>("message"); // empty: none shown
        QTest::newRow("append the same file") << 30 << 0 << 30 << u"导入员工资料完成!\n导入0人。\n另有30行的员工"_s;
        QTest::newRow("append a longer file") << 40 << 0 << 40 << u"导入员工资料完成!\n导入10人。\n另有30行的员工"_s;
        QTest::newRow("replace") << 20 << 1 << 20 << u"导入员工资料完成!"_s;
        QTest::newRow("cancel") << 40 << 2 << 30 << QString();
        QTest::newRow("box closed") << 40 << -1 << 30 << QString();
    }
    void rosterNotEmpty()
    {
        QFETCH(int, fileRows);
        QFETCH(int, choice);
        QFETCH(int, employees);
        QFETCH(QString, message);
        Fixture f;
        for (int i = 1; i <= 30; ++i)
            f.db.addEmployee(u"E%1"_s.arg(i), u"员工%1"_s.arg(i), u"一厂"_s, u"部门"_s);
        const int lastOld = f.db.scalar(u"select max(RecNo) from EmpNo"_s).toInt();
        f.ts.dialogs.fileAnswers = {f.writeRoster(u"roster.txt"_s, fileRows)};
        f.ts.dialogs.chooseAnswers = {choice};
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActImport->trigger();
            const auto asked = std::find_if(f.ts.dialogs.calls.begin(), f.ts.dialogs.calls.end(),
                                            [](const auto &c) { return c.kind == u"choose"_s; });
            QVERIFY(asked != f.ts.dialogs.calls.end());
            QVERIFY2(asked->text.contains(u"已有30人"_s), qPrintable(asked->text));
            QCOMPARE(asked->choices, (QStringList{u"追加"_s, u"替换"_s, u"取消"_s}));
            const QStringList notices = f.ts.dialogs.texts(u"notify"_s);
            if (message.isEmpty()) {
                QCOMPARE(notices, QStringList{});
            } else {
                QCOMPARE(notices.size(), 1);
                QVERIFY2(notices[0].startsWith(message), qPrintable(notices[0]));
            }
            QVERIFY(takesCommands(screen));
            QCOMPARE(screen.rosterCount(), employees);
        });
        QCOMPARE(f.employees(), employees);
        QCOMPARE(f.db.scalar(u"select count(distinct EmpCode || '/' || CompCode) from EmpNo"_s).toInt(), employees);
        const int oldKept = f.db.scalar(u"select count(*) from EmpNo where RecNo <= ?"_s, {lastOld}).toInt();
        QCOMPARE(oldKept, choice == 1 ? 0 : 30);
    }

    void dialogCancelledChangesNothing()
    {
        Fixture f;
        f.openSetup([&](TSetupFrm &screen) {
            screen.ActImport->trigger();
            QVERIFY(takesCommands(screen));
            QCOMPARE(f.ts.dialogs.count(u"notify"_s) + f.ts.dialogs.count(u"error"_s), 0);
        });
        QCOMPARE(f.employees(), 0);
    }
};

QTEST_MAIN(TestSetupFrmImport)
#include "tst_setupfrm_import.moc"
