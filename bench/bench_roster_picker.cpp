// Times the lists screen's roster on a large event of 100,000 employees: the
// first read, the picker opening on it, scrolling in it, and a code lookup by
// Enter. Prints milliseconds for each.
#include "admin/personentry.h"
#include "admin/rostermodel.h"
#include "ui/admin/selectempdlgfrm.h"
#include "ui/admin/setupblankfrm.h"
#include "ui/common/qtdialogs.h"
#include "store/database.h"
#include "store/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <cstdio>
#include <ctime>

#include "benchsupport.h"

using namespace Qt::StringLiterals;

namespace {

// Wall time and processor time: the machine may be shared, so the latter
// tells what the work itself costs.
std::clock_t cpuStart = 0;

void report(const char *what, QElapsedTimer &timer)
{
    const std::clock_t now = std::clock();
    std::printf("%-40s %8.1f ms wall %8.1f ms processor\n", what, static_cast<double>(timer.nsecsElapsed()) / 1e6,
                1000.0 * static_cast<double>(now - cpuStart) / CLOCKS_PER_SEC);
    cpuStart = now;
    timer.restart();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + u"/config.dll"_s;
    Database db(u"bench"_s);
    // Codes inserted out of order, so the roster's sort has work to do.
    if (!Bench::makeRoster(db, path, 100000, [](int i) { return 100000 + (i * 7919) % 100000; }))
        return 1;

    QElapsedTimer timer;
    timer.start();
    cpuStart = std::clock();
    RosterModel roster;
    roster.open(db);
    report("roster opened (100,000 rows)", timer);

    {
        TSelectEmpDlgFrm picker(roster, db);
        picker.show();
        QApplication::processEvents();
        report("picker opened and painted", timer);
        auto *grid = picker.findChild<QTableView *>(u"dxDBGrid1"_s);
        picker.selectRow(roster.rowCount() - 1);
        grid->viewport()->repaint();
        report("picker scrolled to the last row", timer);
        for (int step = 0; step < 100; ++step) {
            QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
            QApplication::sendEvent(grid, &pageUp);
            grid->viewport()->repaint();
        }
        report("100 pages up in the picker", timer);
    }

    QtDialogs dialogs;
    TSetupBlankFrm screen(db, dialogs);
    report("lists screen opened", timer);
    auto *code = screen.findChild<QLineEdit *>(u"DBEdit3"_s);
    const auto lookUp = [code](const QString &text) {
        code->setText(text);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(code, &enter);
    };
    lookUp(u"199999"_s);
    report("first lookup by Enter", timer);
    lookUp(u"150000"_s);
    report("second lookup by Enter", timer);
    return 0;
}
