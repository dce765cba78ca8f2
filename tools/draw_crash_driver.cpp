// Runs presses on a database without end, as fast as it can, so that a test
// can kill it at any moment and then look at what the file holds. When every
// prize item is complete the draw is reset and starts over.
#include "base/pacer.h"
#include "base/settings.h"
#include "base/counterrandom.h"
#include "draw/drawengine.h"
#include "draw/drawview.h"
#include "draw/prizeround.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"

#include <QCoreApplication>
#include <cstdio>
#include <functional>

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

void resetDraw(Database &db)
{
    Transaction tx(db);
    db.exec(Catalogue::DeleteAllWinners);
    db.exec(Catalogue::Post::ResetItems);
    db.exec(Catalogue::Post::ResetDesignations);
    tx.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: prizedraw-crashdriver DATABASE\n");
        return 2;
    }
    Database db(u"crash-driver"_s);
    const QString error = db.open(QString::fromLocal8Bit(argv[1]));
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
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
            std::printf("press %ld\n", press);
            std::fflush(stdout);
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
}
