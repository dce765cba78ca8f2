// prizedraw-export: saves the winners list of a database as a workbook, the
// way the winners list screen does; with --log, the draw record instead.
//   prizedraw-export [--log] DATABASE FILE.xls|FILE.xlsx
#include "admin/drawrecordsheet.h"
#include "admin/winnerslist.h"
#include "base/errors.h"
#include "store/database.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    QTextStream err(stderr);
    const bool log = args.size() > 1 && args[1] == u"--log"_s;
    if (log)
        args.removeAt(1);
    if (args.size() != 3) {
        err << "usage: prizedraw-export [--log] DATABASE FILE.xls|FILE.xlsx\n";
        return 2;
    }
    try {
        Database db;
        const QString error = db.open(args[1]);
        if (!error.isEmpty()) {
            err << args[1] << ": " << error << "\n";
            return 1;
        }
        // Rows go from the query to the file one at a time.
        if (log)
            saveDrawRecord(args[2], db);
        else
            saveWinnersList(args[2], db);
    } catch (const AppError &e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}
