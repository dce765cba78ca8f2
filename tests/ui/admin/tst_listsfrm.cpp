// The winners list screen against a real database file, with scripted dialogs.
#include "listsfrmparts.h"
#include "testsupport.h"
#include "screensupport.h"

#include "ui/admin/listsfrm.h"
#include "ui/admin/winnerslistmodel.h"
#include "draw/prizeround.h"
#include "draw/proofcheck.h"
#include "store/drawlog.h"
#include "store/proofstore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void addWinner(TempDb &db, const QString &code, const QString &name, int item, const QString &factory)
{
    db.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)"_s, {code, name, item, factory});
}

int winnerCount(TempDb &db) { return db.scalar(u"select count(*) from AwardList"_s).toInt(); }

QStringList listedCodes(const TListsFrm &screen)
{
    QStringList out;
    for (const ListedWinner &w : ListsFrmParts(screen).AwardList->rows())
        out << w.sCompCode + u'/' + w.sNo;
    return out;
}

QByteArray fileHead(const QString &path, int n)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A small event: two items, three winners, one of them Chinese.
struct Fixture {
    TempDb db;
    TestServices t{db};
    int first = 0;
    int second = 0;
    Fixture()
    {
        db.addEmployee(u"1001"_s, u"张三"_s, u"一厂"_s);
        first = db.addItem(1, u"一等奖"_s, u"电视机"_s, 3, 1, 3, true);
        second = db.addItem(2, u"二等奖"_s, u"自行车"_s, 5, 1, 0, false);
        addWinner(db, u"1001"_s, u"张三"_s, first, u"一厂"_s);
        addWinner(db, u"1002"_s, u"李四"_s, first, u"二厂"_s);
        addWinner(db, u"1003"_s, u"王五"_s, first, u"一厂"_s);
    }
    PrizeRound round{db.db(), t.pacer};
};

} // namespace

class TestListsFrm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheJoinInColumnOrder();
    void delOnEmptyListAsksNothing();
    void answeringNoChangesNothing();
    void deletingAWinnerOfAFullItem();
    void sameCodeInTwoFactoriesDeletedOneAtATime();
    void winnerRemovedMeanwhile();
    void failedDeletionIsReported();
    void orderedByItemNumberNotDrawOrder();
    void savesOverAnExistingFile_data();
    void savesOverAnExistingFile();
    void unwritableTargetIsReported_data();
    void unwritableTargetIsReported();
    void keysReachTheCommands();
    void absentWinnerJoinsTheExclusionsOnce_data();
    void absentWinnerJoinsTheExclusionsOnce();
    void absenceNotConfirmedOrRefusedChangesNothing_data();
    void absenceNotConfirmedOrRefusedChangesNothing();
    void recordIsExported();
    void seedIsRevealedAndTheProofExported();
    void longFactoryNameShownWhereTheListAllows();
};

void TestListsFrm::showsTheJoinInColumnOrder()
{
    Fixture f;
    // A winner whose prize item is gone is not listed.
    addWinner(f.db, u"1009"_s, u"赵六"_s, 999, u"一厂"_s);
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    QCOMPARE(ui.AwardList->rowCount(), 3);
    QCOMPARE(ui.AwardList->columnCount(), 5);
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << ui.AwardList->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QCOMPARE(headers, (QStringList{u"工厂名称"_s, u"中奖号码"_s, u"姓名"_s, u"奖项"_s, u"奖品"_s}));
    QStringList first;
    for (int c = 0; c < 5; ++c)
        first << ui.AwardList->index(0, c).data().toString();
    QCOMPARE(first, (QStringList{u"一厂"_s, u"1001"_s, u"张三"_s, u"一等奖"_s, u"电视机"_s}));
    QCOMPARE(ui.dxDBGrid1->geometry(), QRect(96, 152, 825, 537));
    QCOMPARE(ui.dxDBGrid1->verticalHeader()->defaultSectionSize(), 42);
    QCOMPARE(ui.dxDBGrid1->currentIndex().row(), 0);
    QCOMPARE(ui.PopupMenu1->actions().mid(0, 4),
             (QList<QAction *>{ui.ActExport, ui.ActDel, ui.ActAbsent, ui.ActExportLog}));
    QCOMPARE(ui.PopupMenu1->actions().mid(5), (QList<QAction *>{ui.ActRevealSeed, ui.ActExportProof}));
    QCOMPARE(ui.ActExport->text(), u"输出到EXECL(F10)"_s);
    QCOMPARE(ui.ActDel->text(), u"删除获奖人"_s);
    QCOMPARE(ui.ActAbsent->text(), u"弃奖重抽"_s);
    QCOMPARE(ui.ActExportLog->text(), u"输出抽奖记录"_s);
}

void TestListsFrm::delOnEmptyListAsksNothing()
{
    TempDb db;
    TestServices t(db);
    const int item = db.addItem(1, u"一等奖"_s, u"电视机"_s, 3, 1, 2, false);
    PrizeRound round(db.db(), t.pacer);
    TListsFrm screen(db.db(), t.dialogs, round);
    ListsFrmParts ui(screen);
    ui.ActDel->trigger();
    QCOMPARE(t.dialogs.calls.size(), size_t(0));
    QCOMPARE(db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {item}).toInt(), 2);
}

void TestListsFrm::answeringNoChangesNothing()
{
    Fixture f;
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    ui.dxDBGrid1->setCurrentIndex(ui.AwardList->index(1, 0));
    f.t.dialogs.askAnswers = {false};
    ui.ActDel->trigger();

    QCOMPARE(f.t.dialogs.calls.size(), size_t(1));
    const ScriptedDialogs::Call &ask = f.t.dialogs.calls[0];
    QCOMPARE(ask.kind, u"ask"_s);
    QCOMPARE(ask.text, u"  您确定要删除此获奖者吗？   \n\n一等奖（电视机）：二厂 1002 李四"_s);
    QCOMPARE(ask.caption, u"系统提示"_s);
    QCOMPARE(ask.icon, Dialogs::Icon::Question);
    QCOMPARE(ask.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(winnerCount(f.db), 3);
    QCOMPARE(f.db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {f.first}).toInt(), 3);
    QCOMPARE(ui.AwardList->rowCount(), 3);
    QCOMPARE(ui.dxDBGrid1->currentIndex().row(), 1);
}

void TestListsFrm::deletingAWinnerOfAFullItem()
{
    Fixture f;
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    ui.dxDBGrid1->setCurrentIndex(ui.AwardList->index(1, 0));
    ui.ActDel->trigger();

    QCOMPARE(f.t.dialogs.count(u"error"_s), 0);
    QCOMPARE(f.db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {f.first}).toInt(), 2);
    // Its place is open again: the item is no longer finished.
    QCOMPARE(f.db.scalar(u"select IsExec from AwardItem where RecNo=?"_s, {f.first}).toInt(), 0);
    QCOMPARE(listedCodes(screen), (QStringList{u"一厂/1001"_s, u"一厂/1003"_s}));
    QCOMPARE(f.db.scalar(u"select count(*) from AwardList where sNo='1002'"_s).toInt(), 0);
    QCOMPARE(ui.dxDBGrid1->currentIndex().row(), 0);
    // The other item is not recounted.
    QCOMPARE(f.db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {f.second}).toInt(), 0);
}

void TestListsFrm::sameCodeInTwoFactoriesDeletedOneAtATime()
{
    TempDb db;
    TestServices t(db);
    const int item = db.addItem(1, u"一等奖"_s, u"电视机"_s, 2, 1, 2, true);
    addWinner(db, u"2001"_s, u"甲"_s, item, u"一厂"_s);
    addWinner(db, u"2001"_s, u"乙"_s, item, u"二厂"_s);
    PrizeRound round(db.db(), t.pacer);
    TListsFrm screen(db.db(), t.dialogs, round);
    ListsFrmParts ui(screen);

    ui.dxDBGrid1->setCurrentIndex(ui.AwardList->index(1, 0));
    ui.ActDel->trigger();
    QCOMPARE(listedCodes(screen), QStringList{u"一厂/2001"_s});
    QCOMPARE(db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {item}).toInt(), 1);

    ui.ActDel->trigger(); // the first row is selected again
    QCOMPARE(listedCodes(screen), QStringList());
    QCOMPARE(db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {item}).toInt(), 0);
    QCOMPARE(t.dialogs.count(u"ask"_s), 2);
    QCOMPARE(t.dialogs.count(u"error"_s), 0);
}

void TestListsFrm::winnerRemovedMeanwhile()
{
    Fixture f;
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    f.db.exec(u"delete from AwardList where sNo='1001'"_s);
    ui.ActDel->trigger();
    // Nothing was deleted, so nothing is recounted; the list shows the table.
    QCOMPARE(f.db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {f.first}).toInt(), 3);
    QCOMPARE(listedCodes(screen), (QStringList{u"二厂/1002"_s, u"一厂/1003"_s}));
    QCOMPARE(f.t.dialogs.count(u"error"_s), 0);
}

void TestListsFrm::failedDeletionIsReported()
{
    Fixture f;
    f.db.exec(u"create trigger keep before update on AwardItem begin select raise(abort, '奖项被锁定'); end"_s);
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    ui.dxDBGrid1->setCurrentIndex(ui.AwardList->index(2, 0));
    ui.ActDel->trigger();
    const QStringList errors = f.t.dialogs.texts(u"error"_s);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(u"奖项被锁定"_s), qPrintable(errors[0]));
    // The deletion and the recount stand or fall together.
    QCOMPARE(winnerCount(f.db), 3);
    QCOMPARE(ui.AwardList->rowCount(), 3);
    QCOMPARE(ui.dxDBGrid1->currentIndex().row(), 2);
}

void TestListsFrm::orderedByItemNumberNotDrawOrder()
{
    TempDb db;
    TestServices t(db);
    const int early = db.addItem(5, u"一等奖"_s, u"电视机"_s, 2, 1);
    const int late = db.addItem(1, u"特等奖"_s, u"汽车"_s, 2, 1);
    addWinner(db, u"3001"_s, u"后"_s, late, u"一厂"_s);
    addWinner(db, u"3002"_s, u"前"_s, early, u"一厂"_s);
    addWinner(db, u"3003"_s, u"后二"_s, late, u"一厂"_s);
    PrizeRound round(db.db(), t.pacer);
    TListsFrm screen(db.db(), t.dialogs, round);
    ListsFrmParts ui(screen);
    QCOMPARE(listedCodes(screen), (QStringList{u"一厂/3002"_s, u"一厂/3001"_s, u"一厂/3003"_s}));
}

void TestListsFrm::savesOverAnExistingFile_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QByteArray>("magic");
    const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    QTest::addRow("xls") << u"名单.xls"_s << u"名单.xls"_s << ole;
    QTest::addRow("no extension") << u"名单"_s << u"名单.xls"_s << ole;
    QTest::addRow("xlsx") << u"名单.xlsx"_s << u"名单.xlsx"_s << QByteArray("PK\x03\x04", 4);
}

void TestListsFrm::savesOverAnExistingFile()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QFETCH(QByteArray, magic);
    Fixture f;
    QTemporaryDir out;
    const QString target = out.path() + u'/' + saved;
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older list that must be replaced");
    }
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    f.t.dialogs.fileAnswers = {out.path() + u'/' + typed};
    ui.ActExport->trigger();

    QCOMPARE(f.t.dialogs.count(u"error"_s), 0);
    QCOMPARE(f.t.dialogs.count(u"ask"_s), 0);
    QCOMPARE(f.t.dialogs.texts(u"save"_s), QStringList{u"Excel文件|*.xls|Excel 2007文件|*.xlsx"_s});
    QCOMPARE(fileHead(target, static_cast<int>(magic.size())), magic);
    QCOMPARE(filesIn(out.path()), QStringList{saved});
}

void TestListsFrm::unwritableTargetIsReported_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("xlsx");
    // Tests may run with full rights, so the targets fail for reasons that
    // hold for every user: a missing folder, a file standing where a folder
    // should be, a folder standing under the chosen name.
    QTest::addRow("missing folder") << u"missing/list.xls"_s << false;
    QTest::addRow("file as folder") << u"plain.txt/list.xls"_s << false;
    QTest::addRow("folder with that name") << u"taken.xls"_s << false;
    QTest::addRow("folder with that name, xlsx") << u"taken.xlsx"_s << true;
    QTest::addRow("missing folder, xlsx") << u"missing/list.xlsx"_s << true;
}

void TestListsFrm::unwritableTargetIsReported()
{
    QFETCH(QString, relative);
    Fixture f;
    QTemporaryDir out;
    {
        QFile plain(out.path() + u"/plain.txt"_s);
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(out.path()).mkdir(u"taken.xls"_s));
    QVERIFY(QDir(out.path()).mkdir(u"taken.xlsx"_s));
    const QStringList before = QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    f.t.dialogs.fileAnswers = {out.path() + u'/' + relative};
    ui.ActExport->trigger(); // the screen reports and stays usable

    const QStringList errors = f.t.dialogs.texts(u"error"_s);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(u"无法写入文件"_s), qPrintable(errors[0]));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QVERIFY(QDir(out.path() + u"/taken.xls"_s).isEmpty());
    QCOMPARE(ui.AwardList->rowCount(), 3);
    QCOMPARE(winnerCount(f.db), 3);
}

void TestListsFrm::keysReachTheCommands()
{
    Fixture f;
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    screen.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    f.t.dialogs.askAnswers = {false, false};

    QTest::keyClick(ui.dxDBGrid1, Qt::Key_F10);
    QTest::keyClick(ui.dxDBGrid1, Qt::Key_Delete);
    QTest::keyClick(ui.dxDBGrid1, Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(ui.dxDBGrid1, Qt::Key_F12);
    QCOMPARE(f.t.dialogs.count(u"save"_s), 2);
    // Each question names the winner of the selected row.
    const QStringList asked = f.t.dialogs.texts(u"ask"_s);
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[0].startsWith(u"  您确定要删除此获奖者吗？   \n\n"_s));
    QVERIFY(asked[1].startsWith(u"  确定此获奖者弃奖并重新抽取吗？   \n\n"_s));
    const ListedWinner &first = ui.AwardList->rows().front();
    for (const QString &question : asked)
        QVERIFY2(question.endsWith(winnerDescription(first)) && question.contains(first.sName), qPrintable(question));
    QVERIFY(screen.isVisible());
    QTest::keyClick(ui.dxDBGrid1, Qt::Key_Escape);
    QVERIFY(!screen.isVisible());
    QCOMPARE(screen.result(), int(QDialog::Rejected));
    QCOMPARE(winnerCount(f.db), 3);
}

void TestListsFrm::absentWinnerJoinsTheExclusionsOnce_data()
{
    QTest::addColumn<bool>("excludedBefore");
    QTest::addRow("not excluded") << false;
    // Excluded after winning, in the exclusions screen.
    QTest::addRow("already excluded") << true;
}

void TestListsFrm::absentWinnerJoinsTheExclusionsOnce()
{
    QFETCH(bool, excludedBefore);
    Fixture f;
    if (excludedBefore)
        f.db.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1002', '李四', '二厂')"_s);
    // The same code in another factory is somebody else.
    f.db.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values('1002', '别人', '一厂')"_s);
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    ui.dxDBGrid1->setCurrentIndex(ui.AwardList->index(1, 0));
    ui.ActAbsent->trigger();

    QCOMPARE(f.t.dialogs.count(u"error"_s), 0);
    QCOMPARE(listedCodes(screen), (QStringList{u"一厂/1001"_s, u"一厂/1003"_s}));
    QCOMPARE(f.db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {f.first}).toInt(), 2);
    QCOMPARE(f.db.scalar(u"select count(*) from AwardBlank where sNo='1002' and sCompCode='二厂' and sName='李四'"_s)
                 .toInt(),
             1);
    QCOMPARE(f.db.scalar(u"select count(*) from AwardBlank"_s).toInt(), 2);
    QCOMPARE(screen.absentItem(), f.first);
    const std::vector<DrawRecord> records = loadDrawRecords(f.db.db());
    QCOMPARE(records.size(), size_t(1));
    const DrawRecord &r = records[0];
    QCOMPARE((QStringList{r.sEvent, r.sNo, r.sName, r.sCompCode, r.sItemName, r.sAwards, r.sHow}),
             (QStringList{u"弃奖"_s, u"1002"_s, u"李四"_s, u"二厂"_s, u"一等奖"_s, u"电视机"_s, QString()}));
    QCOMPARE(r.sTime, f.first);
}

void TestListsFrm::absenceNotConfirmedOrRefusedChangesNothing_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("refusing");
    QTest::addRow("answered no") << false << QString();
    QTest::addRow("exclusion refused") << true << u"insert on AwardBlank"_s;
    QTest::addRow("record refused") << true << u"insert on DrawLog"_s;
    QTest::addRow("recount refused") << true << u"update on AwardItem"_s;
}

void TestListsFrm::absenceNotConfirmedOrRefusedChangesNothing()
{
    QFETCH(bool, answer);
    QFETCH(QString, refusing);
    Fixture f;
    if (!refusing.isEmpty())
        f.db.exec(u"create trigger refuse before "_s + refusing + u" begin select raise(abort, '磁盘已满'); end"_s);
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    f.t.dialogs.askAnswers = {answer};
    ui.ActAbsent->trigger();

    QCOMPARE(f.t.dialogs.count(u"error"_s), refusing.isEmpty() ? 0 : 1);
    QCOMPARE(winnerCount(f.db), 3);
    QCOMPARE(f.db.scalar(u"select ExcNum from AwardItem where RecNo=?"_s, {f.first}).toInt(), 3);
    QCOMPARE(f.db.scalar(u"select count(*) from AwardBlank"_s).toInt(), 0);
    QCOMPARE(f.db.scalar(u"select count(*) from DrawLog"_s).toInt(), 0);
    QCOMPARE(screen.absentItem(), 0);
    QCOMPARE(ui.AwardList->rowCount(), 3);
}

// The list shows the commitment of the seed the next press draws with;
// 公布抽奖种子 asks, reveals it (the stage is told) and shows that a new seed
// comes; 导出抽奖证明 writes a file that the draw's verifier reads.
void TestListsFrm::seedIsRevealedAndTheProofExported()
{
    Fixture f;
    const ProofStore::Seed seed = ProofStore::liveSeed(f.db.db());
    QTemporaryDir out;
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    QSignalSpy revealed(&screen, &TListsFrm::seedRevealed);
    QCOMPARE(ui.commitLine->text(), u"抽奖承诺："_s + seed.commitment);

    f.t.dialogs.askAnswers = {false};
    ui.ActRevealSeed->trigger();
    QCOMPARE(revealed.count(), 0);
    QCOMPARE(ProofStore::liveCommitment(f.db.db()), seed.commitment);

    f.t.dialogs.askAnswers = {true};
    ui.ActRevealSeed->trigger();
    QCOMPARE(revealed.count(), 1);
    QVERIFY(ProofStore::liveCommitment(f.db.db()).isEmpty());
    QVERIFY(ui.commitLine->text().contains(u"新的抽奖种子"_s));
    QVERIFY(f.t.dialogs.texts(u"notify"_s).last().contains(QString::fromLatin1(seed.seed.toHex())));
    QCOMPARE(f.db.scalar(u"select sScope from DrawLog where sEvent = '公布'"_s).toString(),
             QString::fromLatin1(seed.seed.toHex()));

    f.t.dialogs.fileAnswers = {out.path() + u"/证明.json"_s};
    ui.ActExportProof->trigger();
    QCOMPARE(f.t.dialogs.texts(u"save"_s).last(), u"抽奖证明文件|*.json"_s);
    const ProofVerdict verdict = checkProofFile(out.path() + u"/证明.json"_s);
    QVERIFY2(verdict.refusal.isEmpty(), qPrintable(verdict.refusal));
    // The fixture's winners were stored outside any press: listed, not checked.
    QVERIFY(verdict.lines.last().startsWith(u"另有"_s));
}

void TestListsFrm::recordIsExported()
{
    Fixture f;
    DrawRecord reset;
    reset.sWhen = u"2026-01-01 08:00:00"_s;
    reset.sEvent = u"重置"_s;
    appendDrawRecord(f.db.db(), reset);
    QTemporaryDir out;
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    ListsFrmParts ui(screen);
    f.t.dialogs.fileAnswers = {out.path() + u"/记录.xlsx"_s, out.path() + u"/missing/记录.xls"_s};
    ui.ActExportLog->trigger();
    ui.ActExportLog->trigger();

    QCOMPARE(f.t.dialogs.texts(u"save"_s).first(), u"Excel文件|*.xls|Excel 2007文件|*.xlsx"_s);
    QCOMPARE(fileHead(out.path() + u"/记录.xlsx"_s, 4), QByteArray("PK\x03\x04", 4));
    const QStringList errors = f.t.dialogs.texts(u"error"_s);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(u"无法写入文件"_s), qPrintable(errors[0]));
    QCOMPARE(filesIn(out.path()), QStringList{u"记录.xlsx"_s});
}

// The factory column takes the width the other columns do not need, so a
// long name is shown whole where the list is wide enough; the columns always
// fill the list and never cut a caption.
void TestListsFrm::longFactoryNameShownWhereTheListAllows()
{
    Fixture f;
    addWinner(f.db, u"1004"_s, u"赵六"_s, f.second, u"江苏省苏州市工业园区精密电子元器件制造有限公司"_s);
    TListsFrm screen(f.db.db(), f.t.dialogs, f.round);
    QTableView *grid = ListsFrmParts(screen).dxDBGrid1;
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    const QHeaderView *header = grid->horizontalHeader();
    const auto filledWithCaptionsWhole = [&] {
        int total = 0;
        for (int c = 0; c < header->count(); ++c) {
            QVERIFY2(header->sectionSize(c) >= header->sectionSizeHint(c), qPrintable(QString::number(c)));
            total += header->sectionSize(c);
        }
        QCOMPARE(total, grid->viewport()->width());
    };
    const int needed = static_cast<QAbstractItemView *>(grid)->sizeHintForColumn(0);

    // In the designed list the name cannot be whole, but it gets more than
    // its designed share of the width (125 of 811).
    filledWithCaptionsWhole();
    QVERIFY2(header->sectionSize(0) > 125 * grid->viewport()->width() / 811,
             qPrintable(QString::number(header->sectionSize(0))));

    grid->resize(1600, grid->height());
    QApplication::processEvents();
    filledWithCaptionsWhole();
    QVERIFY2(header->sectionSize(0) >= needed, qPrintable(u"%1 for %2"_s.arg(header->sectionSize(0)).arg(needed)));
}

QTEST_MAIN(TestListsFrm)
#include "tst_listsfrm.moc"
