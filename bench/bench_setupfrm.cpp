// Times opening the settings screen on a roster of 100,000 employees: filling
// the screen (both grids and the row count), jumping to the last roster row
// and re-opening the roster. Prints seconds and the resident memory.
#include "ui/admin/setupfrm.h"
#include "ui/common/qtdialogs.h"
#include "base/pacer.h"
#include "base/settings.h"
#include "store/database.h"
#include "store/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "benchsupport.h"

using namespace Qt::StringLiterals;

namespace {

double seconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e9; }

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + u"/config.dll"_s;
    Database db(u"bench"_s);
    if (!Bench::makeRoster(db, path, 100000, [](int i) { return 100000 + i; }))
        return 1;
    std::printf("database ready: 100000 employees\n");

    QtDialogs dialogs;
    Settings settings;
    RealPacer pacer;

    QElapsedTimer timer;
    timer.start();
    TSetupFrm screen(settings, db, dialogs, pacer);
    screen.FormShow();
    screen.show();
    app.processEvents();
    auto *grid = screen.findChild<QTableView *>(u"dxDBGrid1"_s);
    auto *footer = screen.findChild<QLabel *>(u"dxDBGrid1Footer"_s);
    std::printf("open and show the screen: %.3f s (%d roster rows fetched, footer %s)\n", seconds(timer),
                grid->model()->rowCount(), qPrintable(footer->text()));

    timer.restart();
    grid->scrollToBottom();
    app.processEvents();
    std::printf("scroll to the bottom once: %.3f s (%d rows fetched)\n", seconds(timer), grid->model()->rowCount());

    timer.restart();
    screen.reopenRoster();
    app.processEvents();
    std::printf("re-open the roster: %.3f s\n", seconds(timer));
    std::printf("resident memory: now %ld kB, peak %ld kB\n", Bench::residentKb("VmRSS:"), Bench::residentKb("VmHWM:"));
    return 0;
}
