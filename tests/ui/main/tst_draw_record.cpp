// The draw record of the main screen's presses and the absent winner: a real
// database file, scripted positions and dialogs, a pacer that never sleeps.
#include "listsfrmparts.h"
#include "startfrmprobe.h"
#include "screensupport.h"
#include "startfrmfixture.h"

#include "store/drawlog.h"
#include "store/proofstore.h"
#include "ui/admin/listsfrm.h"
#include "ui/main/startfrm.h"

#include <QAction>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Draw {
    TempDb tmp;
    TestServices ts{tmp};
    std::unique_ptr<TStartFrm> frm;

    void open() { frm = makeStartFrm(ts); }
    // Enter, Enter again at the second pump of the roll, then the winners.
    void press()
    {
        const int base = ts.pacer.pumps;
        ts.pacer.onPump = [this, base](int n) {
            if (n - base == 2)
                probe(frm).ActStart->trigger();
        };
        probe(frm).ActStart->trigger();
        ts.pacer.onPump = nullptr;
    }
    // "event how code/factory@item item awards" of every record, in order.
    QStringList records()
    {
        QStringList out;
        for (const DrawRecord &r : loadDrawRecords(tmp.db())) {
            // The seeds' commitments and reveals have their own test.
            if (r.sEvent == DrawEvent::Committed || r.sEvent == DrawEvent::Revealed)
                continue;
            out << QStringList{r.sEvent, r.sHow, r.sNo + u'/' + r.sCompCode + u'@' + QString::number(r.sTime),
                               r.sItemName, r.sAwards}
                       .join(u' ');
        }
        return out;
    }
    QStringList winners()
    {
        QStringList out;
        QSqlQuery q = tmp.db().exec(u"select sNo, sCompCode, sTime from AwardList order by RecNo"_s);
        while (q.next())
            out << q.value(0).toString() + u'/' + q.value(1).toString() + u'@' + q.value(2).toString();
        return out;
    }
    int field(const QString &column, int item)
    {
        return tmp.scalar(u"select "_s + column + u" from AwardItem where RecNo = ?"_s, {item}).toInt();
    }
    // Opens the winners list from the main screen (F11) and runs `inside` on it.
    void inWinnersList(const std::function<void(TListsFrm &)> &inside)
    {
        ts.dialogs.onModal = [inside](QDialog &dialog) {
            if (auto *screen = qobject_cast<TListsFrm *>(&dialog))
                inside(*screen);
            return int(QDialog::Rejected);
        };
        probe(frm).ActList->trigger();
        ts.dialogs.onModal = nullptr;
    }
};

void selectWinner(TListsFrm &screen, const QString &code)
{
    const ListsFrmParts ui(screen);
    const auto &rows = ui.AwardList->rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].sNo == code)
            ui.dxDBGrid1->setCurrentIndex(ui.AwardList->index(static_cast<int>(i), 0));
    }
}

QString codeOf(const QString &winner) { return winner.section(u'/', 0, 0); }

} // namespace

class TestDrawRecord : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyWinnerOfAPressIsRecordedWithItsManner();
    void absentWinnersPlaceIsDrawnAgainFromTheSameItem_data();
    void absentWinnersPlaceIsDrawnAgainFromTheSameItem();
    void deletedWinnerLeavesTheCurrentItemAlone();
};

void TestDrawRecord::everyWinnerOfAPressIsRecordedWithItsManner()
{
    Draw d;
    for (int i = 1; i <= 5; ++i)
        d.tmp.addEmployee(QString::number(i), u"员工"_s + QString::number(i), u"一厂"_s);
    const int item = d.tmp.addItem(1, u"一等奖"_s, u"电脑"_s, 5, 3);
    d.tmp.exec(u"insert into Award(sNo, sName, sTime, Checked, sCompCode) values('900', '外聘', ?, 0, '总部')"_s,
               {item});
    d.open();
    d.ts.random.positions = {0, 1, 2};
    const QString before = drawRecordTime();
    d.press();
    const QString after = drawRecordTime();

    // The designated winner first, then the two drawn at random, in the
    // order stored.
    const QStringList winners = d.winners();
    QCOMPARE(winners.size(), 3);
    QCOMPARE(winners[0], u"900/总部@%1"_s.arg(item));
    QStringList expected;
    for (int i = 0; i < 3; ++i)
        expected << (i == 0 ? u"中奖 指定 "_s : u"中奖 随机 "_s) + winners[i] + u" 一等奖 电脑"_s;
    QCOMPARE(d.records(), expected);
    std::vector<DrawRecord> records = loadDrawRecords(d.tmp.db());
    // The first is the commitment of the seed, made before the press.
    QCOMPARE(records.front().sEvent, DrawEvent::Committed);
    QCOMPARE(records.front().sScope, ProofStore::liveCommitment(d.tmp.db()));
    records.erase(records.begin());
    QCOMPARE(records[0].sName, u"外聘"_s);
    QCOMPARE(records[1].sName, u"员工"_s + codeOf(winners[1]));
    static const QRegularExpression stamp(u"^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"_s);
    for (const DrawRecord &r : records) {
        QVERIFY2(stamp.match(r.sWhen).hasMatch(), qPrintable(r.sWhen));
        QVERIFY(before <= r.sWhen && r.sWhen <= after);
    }
}

void TestDrawRecord::absentWinnersPlaceIsDrawnAgainFromTheSameItem_data()
{
    QTest::addColumn<int>("sum");
    // Finished: the press filled the item and the next item became current.
    QTest::addRow("finished item") << 2;
    QTest::addRow("open item") << 4;
}

void TestDrawRecord::absentWinnersPlaceIsDrawnAgainFromTheSameItem()
{
    QFETCH(int, sum);
    Draw d;
    for (int i = 1; i <= 8; ++i)
        d.tmp.addEmployee(QString::number(i), u"员工"_s + QString::number(i), u"一厂"_s);
    const int first = d.tmp.addItem(1, u"三等奖"_s, u"电饭煲"_s, sum, 2);
    const int next = d.tmp.addItem(2, u"二等奖"_s, u"平板电脑"_s, 3, 3);
    d.open();
    d.ts.random.positions = {0, 3, 5, 1, 6, 2, 4, 7};
    d.press();
    const QStringList drawn = d.winners();
    QCOMPARE(drawn.size(), 2);
    QCOMPARE(d.frm->round.currItemNo(), sum == 2 ? next : first);
    const QString absent = codeOf(drawn[1]);

    d.inWinnersList([&](TListsFrm &screen) {
        selectWinner(screen, absent);
        const ListsFrmParts ui(screen);
        ui.ActAbsent->trigger();
        QCOMPARE(ui.AwardList->rowCount(), 1);
        QCOMPARE(screen.absentItem(), first);
    });
    QCOMPARE(d.ts.dialogs.texts(u"ask"_s).size(), 1);
    QVERIFY(d.ts.dialogs.texts(u"ask"_s).first().startsWith(u"  确定此获奖者弃奖并重新抽取吗？   "_s));
    QVERIFY(d.ts.dialogs.texts(u"ask"_s).first().contains(u"员工"_s + absent));
    const auto ask = std::find_if(d.ts.dialogs.calls.begin(), d.ts.dialogs.calls.end(),
                                  [](const ScriptedDialogs::Call &c) { return c.kind == u"ask"_s; });
    QCOMPARE(ask->caption, u"系统提示"_s);
    QCOMPARE(ask->buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(d.tmp
                 .scalar(u"select count(*) from AwardBlank where sNo = ? and sCompCode = '一厂' and sName = ?"_s,
                         QVariantList{absent, QString(u"员工"_s + absent)})
                 .toInt(),
             1);
    QCOMPARE(d.field(u"ExcNum"_s, first), 1);
    QCOMPARE(d.frm->round.currItemNo(), first);
    QCOMPARE(d.frm->description(), u"现在抽取:三等奖, 奖品:电饭煲, 共:%1人,准备抽取第:2位."_s.arg(sum));

    // The next press draws the one freed place only, and never the absent person.
    d.ts.random.positions = {1, 3, 5, 6};
    d.ts.random.next = 0;
    d.press();
    const QStringList after = d.winners();
    QCOMPARE(after.size(), sum == 2 ? 2 : 3);
    for (int i = 1; i < after.size(); ++i) {
        QVERIFY(after[i].endsWith(u"@%1"_s.arg(first)));
        QVERIFY(codeOf(after[i]) != absent);
    }
    QCOMPARE(d.field(u"ExcNum"_s, first), after.size());
    QCOMPARE(d.field(u"ExcNum"_s, next), 0);
    if (sum == 2)
        QCOMPARE(d.field(u"IsExec"_s, first), 1);

    const QString at = u"@%1 三等奖 电饭煲"_s.arg(first);
    QStringList expected;
    for (const QString &w : drawn)
        expected << u"中奖 随机 "_s + codeOf(w) + u"/一厂"_s + at;
    expected << u"弃奖  "_s + absent + u"/一厂"_s + at;
    for (int i = 1; i < after.size(); ++i)
        expected << u"中奖 随机 "_s + codeOf(after[i]) + u"/一厂"_s + at;
    QCOMPARE(d.records(), expected);
}

void TestDrawRecord::deletedWinnerLeavesTheCurrentItemAlone()
{
    Draw d;
    for (int i = 1; i <= 4; ++i)
        d.tmp.addEmployee(QString::number(i), u"员工"_s + QString::number(i), u"一厂"_s);
    const int first = d.tmp.addItem(1, u"三等奖"_s, u"电饭煲"_s, 1, 1);
    const int next = d.tmp.addItem(2, u"二等奖"_s, u"平板电脑"_s, 3, 1);
    d.open();
    d.ts.random.positions = {0, 2};
    d.press();
    const QString deleted = codeOf(d.winners().value(0));
    QCOMPARE(d.frm->round.currItemNo(), next);

    d.inWinnersList([](TListsFrm &screen) {
        ListsFrmParts(screen).ActDel->trigger();
        QCOMPARE(screen.absentItem(), 0);
    });
    QCOMPARE(d.frm->round.currItemNo(), next);
    QCOMPARE(d.tmp.scalar(u"select count(*) from AwardBlank"_s).toInt(), 0);
    QCOMPARE(d.records().last(), u"删除  "_s + deleted + u"/一厂@%1 三等奖 电饭煲"_s.arg(first));
    QCOMPARE(d.records().size(), 2);
}

QTEST_MAIN(TestDrawRecord)
#include "tst_draw_record.moc"
