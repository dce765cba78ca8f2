// prizedraw-export: saves the winners list of a database as a workbook, the
// way the winners list screen does.
//   prizedraw-export DATABASE FILE.xls|FILE.xlsx
#include "admin/winnerslist.h"
#include "sheets/worksheetwriter.h"
#include "base/errors.h"
#include "store/database.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: prizedraw-export DATABASE FILE.xls|FILE.xlsx\n";
        return 2;
    }
    try {
        Database db;
        const QString error = db.open(args[1]);
        if (!error.isEmpty()) {
            err << args[1] << ": " << error << "\n";
            return 1;
        }
        writeWorksheetFile(args[2], winnersWorksheet(loadWinnersList(db)));
    } catch (const AppError &e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}
