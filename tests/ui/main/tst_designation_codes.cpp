// Designations that name nobody, and winners without a factory: what an
// operator can leave behind in the lists screen must neither win nor stick.
#include "screensupport.h"
#include "startfrmfixture.h"

#include "ui/main/startfrm.h"
#include "startfrmprobe.h"

#include <QAction>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_designation_codes : public QObject {
    Q_OBJECT

    // Enter, the stop press at the second pump, then the winners are drawn.
    static void press(TestServices &ts, TStartFrm &frm)
    {
        const int base = ts.pacer.pumps;
        ts.pacer.onPump = [&, base](int n) {
            if (n - base == 2)
                probe(frm).ActStart->trigger();
        };
        probe(frm).ActStart->trigger();
        ts.pacer.onPump = nullptr;
    }

private Q_SLOTS:
    void nullTextIsStoredAsEmptyText()
    {
        TempDb t;
        t.db().exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,1,?)"_s,
                    {u"7"_s, u"甲"_s, QString()});
        QCOMPARE(t.scalar(u"select count(*) from AwardList where sCompCode = ''"_s).toInt(), 1);
    }

    void designationWithoutCodeNeverWins()
    {
        TempDb t;
        t.addEmployee(u"100"_s, u"甲"_s, u"一厂"_s);
        const int item = t.addItem(1, u"A"_s, u"a"_s, 1, 1);
        t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values(NULL,'乙',?,0,'三厂')"_s, {item});
        t.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('  ','丙',?,0,'三厂')"_s, {item});
        TestServices ts(t);
        const auto frm = makeStartFrm(ts);
        press(ts, *frm);
        QCOMPARE(t.scalar(u"select sNo from AwardList"_s).toString(), u"100"_s);
        QCOMPARE(t.scalar(u"select count(*) from Award where Checked = 1"_s).toInt(), 0);
    }

    void designatedWinnerWithoutFactoryCanBeDeleted()
    {
        TempDb t;
        t.addEmployee(u"100"_s, u"甲"_s, u"一厂"_s);
        const int item = t.addItem(1, u"A"_s, u"a"_s, 2, 1);
        // Added by code and Enter, no factory typed: the lists screen leaves it empty.
        t.db().exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?,?,?,0,?)"_s,
                    {u"200"_s, u"乙"_s, item, QString()});
        TestServices ts(t);
        const auto frm = makeStartFrm(ts);
        press(ts, *frm);
        QCOMPARE(t.scalar(u"select sNo from AwardList"_s).toString(), u"200"_s);

        // The winners list passes the factory it shows: empty text.
        QVERIFY(frm->round.DeleteWinner(u"200"_s, QString(), QString(), QString::number(item)));
        QCOMPARE(t.scalar(u"select count(*) from AwardList"_s).toInt(), 0);
        QCOMPARE(t.scalar(u"select ExcNum from AwardItem"_s).toInt(), 0);
    }
};

QTEST_MAIN(tst_designation_codes)
#include "tst_designation_codes.moc"
