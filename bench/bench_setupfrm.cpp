// Times opening the settings screen on a roster of 100,000 employees: filling
// the screen (both grids and the row count), jumping to the last roster row
// and re-opening the roster. Prints seconds and the resident memory.
#include "admin/ui/setupfrm.h"
#include "app/core/dialogs.h"
#include "store/database.h"
#include "store/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

long residentKb(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(strlen(field))).trimmed().split(' ').front().toLong();
    }
    return -1;
}

double seconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e9; }

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + u"/config.dll"_s;
    if (!createEmptyDatabase(path).isEmpty())
        return 1;
    Database db(u"bench"_s);
    db.open(path);
    {
        Transaction tx(db);
        for (int i = 0; i < 100000; ++i) {
            db.exec(u"insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?,?,?,?)"_s,
                    {QString::number(100000 + i), u"员工%1"_s.arg(i), u"工厂%1"_s.arg(i % 7), u"部门"_s});
        }
        tx.commit();
    }
    std::printf("database ready: 100000 employees\n");

    QtDialogs dialogs;
    Services services;
    services.exeFolder = dir.path() + u'/';
    services.db = &db;
    services.dialogs = &dialogs;

    QElapsedTimer timer;
    timer.start();
    TSetupFrm screen(services);
    screen.FormShow();
    screen.show();
    app.processEvents();
    std::printf("open and show the screen: %.3f s (%d roster rows fetched, footer %s)\n", seconds(timer),
                screen.dxDBGrid1->model()->rowCount(), qPrintable(screen.dxDBGrid1Footer->text()));

    timer.restart();
    screen.dxDBGrid1->scrollToBottom();
    app.processEvents();
    std::printf("scroll to the bottom once: %.3f s (%d rows fetched)\n", seconds(timer),
                screen.dxDBGrid1->model()->rowCount());

    timer.restart();
    screen.reopenRoster();
    app.processEvents();
    std::printf("re-open the roster: %.3f s\n", seconds(timer));
    std::printf("resident memory: now %ld kB, peak %ld kB\n", residentKb("VmRSS:"), residentKb("VmHWM:"));
    return 0;
}
