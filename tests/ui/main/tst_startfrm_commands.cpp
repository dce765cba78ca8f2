// The command shell of the main screen: keys, enabled states, the picture
// buttons, the password gate, the close question and the music of a reload.
#include "startfrmfixture.h"
#include "startfrmprobe.h"

#include "base/settings.h"
#include "draw/drawengine.h"
#include "ui/main/picturebutton.h"

#include <QAction>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QList<QAction *> commands(TStartFrm &frm)
{
    return {probe(frm).ActStart, probe(frm).ActSetItem,  probe(frm).ActSetCurrItem, probe(frm).ActSetup,
            probe(frm).ActList,  probe(frm).ActSetBlank, probe(frm).ActClose};
}

void showActive(TStartFrm &frm)
{
    frm.show();
    frm.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
}

} // namespace

class TstStartFrmCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysAndCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<QKeySequence>>("keys");
        QTest::newRow("ActStart") << u"ActStart"_s << u"ActStart"_s
                                  << QList<QKeySequence>{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
        QTest::newRow("ActSetItem") << u"ActSetItem"_s << u"设置奖项"_s
                                    << QList<QKeySequence>{QKeySequence(Qt::Key_F8)};
        QTest::newRow("ActSetCurrItem") << u"ActSetCurrItem"_s << u"设置当前奖项"_s
                                        << QList<QKeySequence>{QKeySequence(Qt::Key_F9)};
        QTest::newRow("ActSetup") << u"ActSetup"_s << u"系统设置"_s << QList<QKeySequence>{QKeySequence(Qt::Key_F10)};
        QTest::newRow("ActList") << u"ActList"_s << u"中奖名单"_s << QList<QKeySequence>{QKeySequence(Qt::Key_F11)};
        QTest::newRow("ActSetBlank") << u"ActSetBlank"_s << u"黑名单"_s
                                     << QList<QKeySequence>{QKeySequence(Qt::Key_F2)};
        QTest::newRow("ActClose") << u"ActClose"_s << u"ActClose"_s
                                  << QList<QKeySequence>{QKeySequence(Qt::Key_Escape)};
    }

    void keysAndCaptions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QList<QKeySequence>, keys);
        StartFrmFixture f;
        auto *action = f.frm->findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcuts(), keys);
        QVERIFY(f.frm->actions().contains(action));
    }

    // While the digits roll only Enter (the stop press) stays enabled.
    void enabledStates()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        for (QAction *a : commands(frm))
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        frm.setAdminCommandsEnabled(false);
        for (QAction *a : commands(frm))
            QCOMPARE(a->isEnabled(), a == probe(frm).ActStart);
        frm.setAdminCommandsEnabled(true);
        for (QAction *a : commands(frm))
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    }

    // Real key presses reach the handlers only while their command is enabled.
    void keysActOnlyWhileEnabled()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        ScriptedDialogs &dialogs = f.ts.dialogs;
        showActive(frm);
        dialogs.calls.clear();
        dialogs.askAnswers = {false};

        QTest::keyClick(&frm, Qt::Key_F2);
        QCOMPARE(dialogs.count(u"input"_s), 1);
        QTest::keyClick(&frm, Qt::Key_Escape);
        QCOMPARE(dialogs.count(u"ask"_s), 1);

        frm.setAdminCommandsEnabled(false);
        QTest::keyClick(&frm, Qt::Key_F2);
        QTest::keyClick(&frm, Qt::Key_Escape);
        QCOMPARE(dialogs.count(u"input"_s), 1);
        QCOMPARE(dialogs.count(u"ask"_s), 1);
        QVERIFY(frm.isVisible());
    }

    void pictureButtons()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        const QStringList captions{u"开始"_s,     u"系统设置"_s, u"设置奖项"_s,
                                   u"当前奖项"_s, u"获奖名单"_s, u"退出系统"_s};
        for (int i = 0; i < 6; ++i) {
            PictureButton *image = probe(frm).images[static_cast<size_t>(i)];
            QCOMPARE(image->objectName(), u"Image%1"_s.arg(i + 2));
            QCOMPARE(image->accessibleName(), captions[i]);
            QCOMPARE(image->geometry(), QRect(104 + 136 * i, 12, 105, 41));
            QCOMPARE(image->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(image->parentWidget(), probe(frm).Panel4);
            // The compiled-in picture (three times the classic 180 x 77 bitmap,
            // sharp on a 4K screen) is shown, its white surroundings left unpainted.
            const QImage shown = image->pixmap().toImage();
            QCOMPARE(shown.size(), QSize(540, 231));
            QCOMPARE(qAlpha(shown.pixel(0, 230)), 0);
            QCOMPARE(qAlpha(shown.pixel(539, 0)), 0);
            QCOMPARE(qAlpha(shown.pixel(270, 60)), 255);
        }
    }

    void transparentOnCorner()
    {
        QImage bitmap(4, 3, QImage::Format_RGB32);
        bitmap.fill(QColor(10, 20, 30));
        bitmap.setPixel(0, 2, qRgb(250, 250, 250)); // bottom-left decides
        bitmap.setPixel(3, 0, qRgb(250, 250, 250));
        bitmap.setPixel(1, 1, qRgb(250, 250, 251));
        const QImage keyed = PictureButton::transparentOnCorner(bitmap);
        QCOMPARE(qAlpha(keyed.pixel(0, 2)), 0);
        QCOMPARE(qAlpha(keyed.pixel(3, 0)), 0);
        QCOMPARE(qAlpha(keyed.pixel(1, 1)), 255); // only the exact colour
        QCOMPARE(qAlpha(keyed.pixel(2, 2)), 255);
        QVERIFY(PictureButton::transparentOnCorner(QImage()).isNull());
    }

    void passwordGate_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("right") << u"582"_s << true;
        QTest::newRow("trailing space") << u"582 "_s << false;
        QTest::newRow("leading space") << u" 582"_s << false;
        QTest::newRow("wrong") << u"583"_s << false;
        QTest::newRow("longer") << u"5820"_s << false;
        QTest::newRow("full-width digits") << u"５８２"_s << false;
        QTest::newRow("cancel") << QString() << false;
    }

    void passwordGate()
    {
        QFETCH(QString, typed);
        QFETCH(bool, opens);
        StartFrmFixture f;
        ScriptedDialogs &dialogs = f.ts.dialogs;
        dialogs.calls.clear();
        dialogs.inputAnswers = {typed};
        QCOMPARE(f.frm->PasswordGate(), opens);
        QCOMPARE(dialogs.calls.size(), size_t(1));
        const ScriptedDialogs::Call &c = dialogs.calls.front();
        QCOMPARE(c.kind, u"input"_s);
        QCOMPARE(c.caption, u"系统设置"_s);
        QCOMPARE(c.text, u"输入密码:    "_s);
        QCOMPARE(c.icon, Dialogs::Icon::Warning); // the scripted dialogs' mark of a masked field
    }

    // A refused password shows nothing and leaves the screen as it was.
    void wrongPasswordDoesNothing()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        frm.AddBoardLabel(u"1"_s, u"甲"_s, u"一厂"_s, 1);
        const QString line = frm.description();
        f.ts.dialogs.calls.clear();
        f.ts.dialogs.inputAnswers = {u"582 "_s};
        frm.ActSetBlankExecute();
        QCOMPARE(f.ts.dialogs.calls.size(), size_t(1));
        QCOMPARE(frm.description(), line);
        QVERIFY(probe(frm).label(1) != nullptr);
    }

    void closeQuestion_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void closeQuestion()
    {
        QFETCH(bool, yes);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        showActive(frm);
        ScriptedDialogs &dialogs = f.ts.dialogs;
        dialogs.calls.clear();
        dialogs.askAnswers = {yes};
        frm.ActCloseExecute();
        QCOMPARE(dialogs.calls.size(), size_t(1));
        const ScriptedDialogs::Call &c = dialogs.calls.front();
        QCOMPARE(c.kind, u"ask"_s);
        QCOMPARE(c.text, u"  真的要退出系统吗？   "_s);
        QCOMPARE(c.caption, u"退出系统"_s);
        QCOMPARE(c.icon, Dialogs::Icon::Question);
        QCOMPARE(c.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(frm.isVisible(), !yes);
        // Nothing is saved at exit.
        QVERIFY(!QFile::exists(f.temp.folder() + u"config.ini"_s));
    }

    // During a draw, Esc's handler and the exit picture only ask the press to stop.
    void closeDuringADraw_data()
    {
        QTest::addColumn<bool>("byPicture");
        QTest::newRow("handler") << false;
        QTest::newRow("exit picture") << true;
    }

    void closeDuringADraw()
    {
        QFETCH(bool, byPicture);
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        for (int i = 1; i <= 5; ++i)
            f.temp.addEmployee(QString::number(i), u"员工"_s, u"一厂"_s);
        f.temp.addItem(1, u"A"_s, u"a"_s, 5, 1);
        frm.ReloadDrawData();
        frm.PrepareCurrentPrize();
        showActive(frm);
        f.ts.dialogs.calls.clear();
        bool checked = false;
        f.ts.pacer.onPump = [&](int) {
            if (checked || !frm.engine().rolling())
                return;
            checked = true;
            if (byPicture)
                QTest::mouseClick(probe(frm).images[5], Qt::LeftButton);
            else
                frm.ActCloseExecute();
            // The roll has stopped; its winners are drawn.
            QCOMPARE(frm.engine().state(), PressState::Drawing);
        };
        probe(frm).ActStart->trigger();
        f.ts.pacer.onPump = nullptr;
        QVERIFY(checked);
        QCOMPARE(f.ts.dialogs.calls.size(), size_t(0));
        QVERIFY(frm.isVisible());
    }

    void exitPictureAsksWhenIdle()
    {
        StartFrmFixture f;
        TStartFrm &frm = *f.frm;
        showActive(frm);
        f.ts.dialogs.calls.clear();
        f.ts.dialogs.askAnswers = {false};
        QTest::mouseClick(probe(frm).images[5], Qt::LeftButton);
        QCOMPARE(f.ts.dialogs.count(u"ask"_s), 1);
        QVERIFY(frm.isVisible());
    }

    // The first step of every reload (re)starts the music; a backSound that
    // names no file falls back to back.wma beside the executable, in memory only.
    void reloadStartsTheMusic_data()
    {
        QTest::addColumn<QString>("backSound"); // relative to the folder; "" = no config.ini
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QString>("played");
        QTest::newRow("no settings file") << QString() << false << u"music:back.wma"_s;
        QTest::newRow("chosen music") << u"song.mp3"_s << true << u"music:song.mp3"_s;
        QTest::newRow("chosen music missing") << u"gone.mp3"_s << false << u"music:back.wma"_s;
    }

    void reloadStartsTheMusic()
    {
        QFETCH(QString, backSound);
        QFETCH(bool, fileExists);
        QFETCH(QString, played);
        TempDb temp;
        TestServices ts(temp);
        QByteArray iniBefore;
        if (!backSound.isEmpty()) {
            Settings s;
            s.backSound = temp.folder() + backSound;
            SaveSettings(temp.folder(), s);
            QFile ini(temp.folder() + u"config.ini"_s);
            QVERIFY(ini.open(QIODevice::ReadOnly));
            iniBefore = ini.readAll();
            if (fileExists) {
                QFile music(temp.folder() + backSound);
                QVERIFY(music.open(QIODevice::WriteOnly));
            }
        }
        const auto frm = makeStartFrm(ts);
        QCOMPARE(ts.sound.calls, QStringList{played});
        const QString expectedPath = temp.folder() + played.mid(6);
        QCOMPARE(ts.settings.backSound, expectedPath);

        frm->ReloadDrawData();
        QCOMPARE(ts.sound.calls, (QStringList{played, played}));
        // The fallback is not written to the settings file.
        QFile ini(temp.folder() + u"config.ini"_s);
        if (backSound.isEmpty()) {
            QVERIFY(!ini.exists());
        } else {
            QVERIFY(ini.open(QIODevice::ReadOnly));
            QCOMPARE(ini.readAll(), iniBefore);
        }
    }
};

QTEST_MAIN(TstStartFrmCommands)
#include "tst_startfrm_commands.moc"
