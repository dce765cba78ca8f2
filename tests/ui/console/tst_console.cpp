// The operator's console at the laptop's 1366 x 768: every page's grids show
// their values whole (long factory, prize and people's names, codes with
// leading zeros), a press is run with Enter from the console, and the last
// press's winner is taken out with Shift+Del in 本轮中奖. Against a real
// database file, with the dialogs answered by script.
#include "../main/startfrmfixture.h"

#include "base/datafolder.h"
#include "ui/console/operatorconsole.h"

#include <QHeaderView>
#include <QTabWidget>
#include <QTableView>
#include "store/proofstore.h"
#include <QAction>

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kLongFactory = u"华南区第一电子元器件有限公司"_s;
const QString kLongName = u"欧阳娜扎尔·买买提艾力"_s;
const QString kLongItem = u"阳光普照奖（全体在职员工）"_s;
const QString kLongPrize = u"华为 MateBook X Pro 笔记本电脑"_s;

struct Console {
    StartFrmFixture f;
    std::unique_ptr<OperatorConsole> console;
    int item = 0;

    Console()
    {
        {
            Transaction tx(f.temp.db());
            for (int i = 0; i < 10'000; ++i)
                f.temp.addEmployee(u"00%1"_s.arg(100000 + i), i % 7 ? u"员工%1"_s.arg(i) : kLongName,
                                   i % 3 ? u"一厂"_s : kLongFactory, u"生产部"_s);
            tx.commit();
        }
        item = f.temp.addItem(1, kLongItem, kLongPrize, 20, 3);
        f.temp.addItem(2, u"一等奖"_s, u"电脑"_s, 2, 1);
        f.frm->ReloadDrawData();
        f.frm->PrepareCurrentPrize();
        console = std::make_unique<OperatorConsole>(*f.frm, f.temp.db(), f.ts.dialogs, f.ts.pacer,
                                                    Folders::portable(f.ts.exeFolder));
        console->resize(1366, 768);
        console->show();
        QVERIFY(QTest::qWaitForWindowExposed(console.get()));
    }

    QWidget *home() const { return console->tabs().widget(0); }
    QTableView *table(const char *name) const { return console->findChild<QTableView *>(QString::fromLatin1(name)); }

    // Enter on the console starts a press and, once the digits roll, stops it.
    void press()
    {
        f.ts.pacer.onPump = [this](int) {
            if (f.frm->pressState() == PressState::Rolling)
                QTest::keyClick(home(), Qt::Key_Return);
        };
        QTest::keyClick(home(), Qt::Key_Return);
        f.ts.pacer.onPump = nullptr;
    }
};

// Every shown column of the page's grids is as wide as its caption and as
// every value it shows.
void checkNothingCut(QWidget *page, const QString &tab)
{
    QApplication::processEvents();
    const auto views = page->findChildren<QTableView *>();
    for (QTableView *view : views) {
        if (!view->isVisible() || !view->model())
            continue;
        const QHeaderView *header = view->horizontalHeader();
        for (int c = 0; c < header->count(); ++c) {
            if (header->isSectionHidden(c) || view->model()->headerData(c, Qt::Horizontal).toString().isEmpty())
                continue;
            const int need =
                std::max(static_cast<QAbstractItemView *>(view)->sizeHintForColumn(c), header->sectionSizeHint(c));
            QVERIFY2(header->sectionSize(c) + 1 >= need,
                     qPrintable(u"%1: %2 column %3 (%4) is %5 wide, needs %6"_s.arg(
                         tab, view->objectName(), QString::number(c),
                         view->model()->headerData(c, Qt::Horizontal).toString(),
                         QString::number(header->sectionSize(c)), QString::number(need))));
        }
    }
}

} // namespace

class TstConsole : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The console shows the commitment the stage shows; a reveal from its
    // winners page makes a new seed, shown on both before the next press.
    void commitmentFollowsTheReveal()
    {
        Console c;
        auto *line = c.console->findChild<QLabel *>(u"Commitment"_s);
        const QString first = ProofStore::liveCommitment(c.f.temp.db());
        QCOMPARE(first.size(), 64);
        QCOMPARE(c.f.frm->commitment(), first);
        QCOMPARE(line->text(), u"抽奖承诺："_s + first);
        c.press();
        c.f.ts.dialogs.askAnswers = {true};
        c.console->findChild<QAction *>(u"ActRevealSeed"_s)->trigger();
        QApplication::processEvents();
        const QString second = ProofStore::liveCommitment(c.f.temp.db());
        QVERIFY(second.size() == 64 && second != first);
        QCOMPARE(c.f.frm->commitment(), second);
        QCOMPARE(line->text(), u"抽奖承诺："_s + second);
    }

    void pressFromTheConsoleAndAnAbsentWinner()
    {
        Console c;
        c.press();
        QCOMPARE(c.f.temp.scalar(u"select count(*) from AwardList where sTime = ?"_s, {c.item}).toInt(), 3);
        QTableView *press = c.table("PressWinners");
        QCOMPARE(press->model()->rowCount(), 3);
        // The first winner is selected once the press has ended: Shift+Del asks and takes them out.
        const QString code = press->model()->index(0, 4).data().toString();
        const QString factory = press->model()->index(0, 1).data().toString();
        QCOMPARE(press->currentIndex().row(), 0);
        c.f.ts.dialogs.askAnswers = {true};
        QTest::keyClick(press, Qt::Key_Delete, Qt::ShiftModifier);
        const QString question = c.f.ts.dialogs.texts(u"ask"_s).value(0);
        QVERIFY2(question.contains(code) && question.startsWith(u"确定此获奖者弃奖并重新抽取吗？"_s),
                 qPrintable(question));
        QCOMPARE(c.f.temp.scalar(u"select count(*) from AwardBlank where sNo = ? and sCompCode = ?"_s, {code, factory})
                     .toInt(),
                 1);
        QCOMPARE(c.f.temp.scalar(u"select count(*) from AwardList where sTime = ?"_s, {c.item}).toInt(), 2);
        QCOMPARE(press->model()->rowCount(), 2);
        QCOMPARE(c.f.frm->round.currItemNo(), c.item);
        QVERIFY2(c.f.frm->description().contains(u"准备抽取第:3位"_s), qPrintable(c.f.frm->description()));
        // No designation or exclusion is shown on the console's own page.
        const auto labels = c.home()->findChildren<QLabel *>();
        for (const QLabel *label : labels)
            QVERIFY(!label->text().contains(u"指定"_s) || label->objectName() == u"PressKeys"_s);
    }

    void pagesShowEveryValueWhole_data()
    {
        QTest::addColumn<QString>("tab");
        for (const char16_t *tab : {u"控制台", u"奖项", u"员工", u"中奖名单", u"指定与排除"})
            QTest::addRow("%s", QString::fromUtf16(tab).toUtf8().constData()) << QString::fromUtf16(tab);
    }
    void pagesShowEveryValueWhole()
    {
        QFETCH(QString, tab);
        Console c;
        c.press();
        c.f.temp.exec(u"insert into Award(sNo, sName, sCompCode, sTime, Checked) values(?, ?, ?, ?, 0)"_s,
                      {u"00100006"_s, kLongName, kLongFactory, c.item});
        c.f.temp.exec(u"insert into AwardBlank(sNo, sName, sCompCode) values(?, ?, ?)"_s,
                      {u"00100003"_s, kLongName, kLongFactory});
        QTabWidget &tabs = c.console->tabs();
        int index = -1;
        for (int i = 0; i < tabs.count(); ++i) {
            if (tabs.tabText(i) == tab)
                index = i;
        }
        QVERIFY(index >= 0);
        if (tab == u"指定与排除"_s) {
            c.f.ts.dialogs.inputAnswers = {u"582"_s};
            QVERIFY(c.console->showPageFor(PressCommand::Designations));
        }
        tabs.setCurrentIndex(index);
        checkNothingCut(tabs.widget(index), tab);
        if (tab == u"指定与排除"_s)
            QCOMPARE(c.f.ts.dialogs.count(u"input"_s), 1);
    }
};

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
