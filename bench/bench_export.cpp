// Time to save the winners list as .xls and .xlsx for lists of growing size.
#include "admin/winnerslist.h"
#include "sheets/worksheetwriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    for (int count : {1000, 10000, 50000}) {
        std::vector<ListedWinner> winners;
        winners.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            winners.push_back({QString::number(100000 + i), u"员工"_s + QString::number(i), u"一等奖"_s, u"电视机"_s,
                               i % 2 ? u"一厂"_s : u"二厂"_s, 1});
        const Worksheet sheet = winnersWorksheet(winners);
        for (const QString &suffix : {u"xls"_s, u"xlsx"_s}) {
            const QString path = dir.path() + u"/list."_s + suffix;
            QElapsedTimer timer;
            timer.start();
            writeWorksheetFile(path, sheet);
            out << count << " winners ." << suffix << ": " << timer.elapsed() << " ms, " << QFileInfo(path).size()
                << " bytes\n";
        }
    }
    return 0;
}
