// A close that reaches the main window from outside while a press runs (the
// window manager, the end of the session) stops the press instead of
// destroying the window under the loop that draws.
#include "screensupport.h"
#include "startfrmfixture.h"

#include "ui/main/startfrm.h"
#include "startfrmprobe.h"

#include <QAction>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_close_during_press : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void outsideCloseStopsThePress()
    {
        TempDb t;
        for (int i = 0; i < 10; ++i)
            t.addEmployee(QString::number(100 + i), u"员工"_s, u"一厂"_s);
        t.addItem(1, u"A"_s, u"a"_s, 5, 5);
        TestServices ts(t);
        const auto frm = makeStartFrm(ts);
        frm->show();
        ts.random.positions = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

        bool closedDuringRoll = true;
        const int base = ts.pacer.pumps;
        ts.pacer.onPump = [&](int n) {
            if (n - base == 3)
                closedDuringRoll = frm->close();
        };
        probe(frm).ActStart->trigger();
        ts.pacer.onPump = nullptr;

        QVERIFY(!closedDuringRoll);
        QVERIFY(frm->isVisible());
        QVERIFY(!frm->pressInProgress());
        // The roll ended like a stop press: the winners of the press are drawn.
        QCOMPARE(t.scalar(u"select count(*) from AwardList"_s).toInt(), 5);
        QCOMPARE(ts.dialogs.count(u"ask"_s), 0);
        // Idle again, a close goes through.
        QVERIFY(frm->close());
    }
};

QTEST_MAIN(tst_close_during_press)
#include "tst_close_during_press.moc"
