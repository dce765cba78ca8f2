// prizedraw-export: saves the winners list of a database as a workbook, the
// way the winners list screen does; with --log, the draw record instead; with
// --proof, the proof file of the draw.
//   prizedraw-export [--log] DATABASE FILE.xls|FILE.xlsx
//   prizedraw-export --proof DATABASE FILE.json
#include "admin/drawrecordsheet.h"
#include "admin/winnerslist.h"
#include "base/errors.h"
#include "draw/drawproof.h"
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
    const bool proof = args.size() > 1 && args[1] == u"--proof"_s;
    if (log || proof)
        args.removeAt(1);
    if (args.size() != 3) {
        err << "usage: prizedraw-export [--log] DATABASE FILE.xls|FILE.xlsx\n"
               "       prizedraw-export --proof DATABASE FILE.json\n";
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
        if (proof)
            writeProof(db, args[2]);
        else if (log)
            saveDrawRecord(args[2], db);
        else
            saveWinnersList(args[2], db);
    } catch (const AppError &e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}
