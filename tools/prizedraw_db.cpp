// prizedraw-db: writes the database file delivered beside the program.
//   prizedraw-db empty PATH             a new empty database
//   prizedraw-db demo PATH [PEOPLE]     a new demo database (400 people unless told)
//   prizedraw-db empty-if-missing PATH  an empty database unless PATH exists
//   prizedraw-db demo-if-empty PATH     the demo unless PATH holds any row
//   prizedraw-db reveal PATH            reveals the draw's seeds and prints them
#include "base/errors.h"
#include "store/database.h"
#include "store/proofstore.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <algorithm>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    const bool withPeople = args.size() == 4 && args[1] == u"demo"_s;
    bool peopleOk = true;
    const int people = withPeople ? args[3].toInt(&peopleOk) : 400;
    if ((args.size() != 3 && !withPeople) || !peopleOk || people < 0) {
        err << "usage: prizedraw-db empty|demo|empty-if-missing|demo-if-empty|reveal PATH\n"
               "       prizedraw-db demo PATH PEOPLE\n";
        return 2;
    }
    const QString mode = args[1];
    const QString path = args[2];
    QString error;
    if (mode == u"reveal"_s) {
        // As 公布抽奖种子 does: every seed not yet revealed; the next press
        // draws with a new one.
        try {
            Database db;
            error = QFileInfo::exists(path) ? db.open(path) : u"文件不存在"_s;
            if (error.isEmpty()) {
                QTextStream out(stdout);
                const std::vector<ProofStore::Seed> revealed = ProofStore::reveal(db);
                for (const ProofStore::Seed &s : ProofStore::allSeeds(db)) {
                    out << u"种子%1 %2 承诺 %3%4\n"_s.arg(s.number).arg(
                        QString::fromLatin1(s.seed.toHex()), s.commitment,
                        std::any_of(revealed.begin(), revealed.end(),
                                    [&](const ProofStore::Seed &r) { return r.number == s.number; })
                            ? u" （刚刚公布）"_s
                            : QString());
                }
            }
        } catch (const AppError &e) {
            error = e.text();
        }
    } else if (mode == u"empty"_s) {
        error = createEmptyDatabase(path);
    } else if (mode == u"demo"_s) {
        error = createDemoDatabase(path, people);
    } else if (mode == u"empty-if-missing"_s) {
        if (!QFileInfo::exists(path))
            error = createEmptyDatabase(path);
    } else if (mode == u"demo-if-empty"_s) {
        if (!QFileInfo::exists(path) || databaseHasNoRows(path))
            error = createDemoDatabase(path);
    } else {
        err << "unknown mode: " << mode << "\n";
        return 2;
    }
    if (!error.isEmpty()) {
        err << path << ": " << error << "\n";
        return 1;
    }
    return 0;
}
