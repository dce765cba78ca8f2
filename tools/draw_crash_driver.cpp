// Runs presses on a database without end, as fast as it can, so that a test
// can kill it at any moment and then look at what the file holds. When every
// prize item is complete the draw is reset, as the settings screen resets it,
// and starts over. With --open it only opens the file as the program's start
// does, prints what the start checks said and the rows of each table, and ends.
#include "base/pacer.h"
#include "base/settings.h"
#include "base/counterrandom.h"
#include "draw/drawengine.h"
#include "draw/drawview.h"
#include "draw/prizeround.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/setupstore.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <cstdio>
#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Never waits; gives the stop press after a few roll steps.
class StopPressPacer : public Pacer {
public:
    std::function<void()> stopPress;
    int stopAt = 0;
    void pump() override
    {
        if (++m_pumps == stopAt && stopPress)
            stopPress();
    }
    void pause(int) override {}
    void restart(int at)
    {
        m_pumps = 0;
        stopAt = at;
    }

private:
    int m_pumps = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: prizedraw-crashdriver DATABASE [--open]\n");
        return 2;
    }
    Database db(u"crash-driver"_s);
    const QString error = db.open(QString::fromLocal8Bit(argv[1]));
    const bool openOnly = argc > 2 && qstrcmp(argv[2], "--open") == 0;
    if (openOnly) {
        for (const QString &notice : db.notices())
            std::printf("notice %s\n", notice.toUtf8().constData());
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    if (openOnly) {
        try {
            for (const auto &[table, statement] : {std::pair{"EmpNo", Catalogue::EmpNoByRecNo},
                                                   {"AwardItem", Catalogue::AwardItemByRecNo},
                                                   {"AwardList", Catalogue::AwardListByRecNo}}) {
                QSqlQuery rows = db.exec(statement);
                int n = 0;
                while (rows.next())
                    ++n;
                std::printf("rows %s %d\n", table, n);
            }
        } catch (const AppError &e) {
            std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
            return 1;
        }
        return 0;
    }
    try {
        StopPressPacer pacer;
        CounterRandom random;
        Settings settings;
        settings.iTime = 1;
        SilentDrawView view;
        PrizeRound round(db, pacer);
        DrawEngine engine(round, pacer, random, settings, view);
        pacer.stopPress = [&engine] { engine.ActStartExecute(); };
        long pressed = 0;
        for (long press = 1;; ++press) {
            if (!round.ReloadDrawData())
                return 1;
            round.PrepareCurrentPrize();
            if (round.data.itemRows.empty()) {
                resetDraw(db);
                continue;
            }
            pacer.restart(2 + static_cast<int>(press % 4));
            engine.ActStartExecute();
            // Now and then the last winner is deleted or found absent, as in
            // the winners list, so that kills also land in those writes. Only
            // a winner drawn at random: a deleted designated winner leaves
            // its designation used, which the test's checks would not expect.
            if (++pressed % 3 == 0 && !round.data.winners.empty()) {
                const Winner last = round.data.winners.back();
                if (!engine.IsDesignated(last.sNo, last.sCompCode, last.sName)) {
                    const QString item = QString::number(last.sTime);
                    if (pressed % 2 == 0)
                        round.WinnerAbsent(last.sNo, last.sCompCode, last.sName, item);
                    else
                        round.DeleteWinner(last.sNo, last.sCompCode, last.sName, item);
                }
            }
            std::printf("press %ld\n", press);
            std::fflush(stdout);
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
}
