#include "ui/common/qtdialogs.h"
#include "base/errors.h"
#include "base/pacer.h"
#include "base/platform.h"
#include "base/settings.h"
#include "base/counterrandom.h"
#include "ui/common/stagepolicy.h"
#include "ui/main/startfrm.h"
#include "media/mediasoundplayer.h"
#include "store/database.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

// Errors that escape an event handler reach the general error report, and
// the program goes on waiting for input.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    Dialogs *dialogs = nullptr;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const AppError &e) {
            if (dialogs)
                dialogs->reportError(e.text());
        } catch (const std::exception &e) {
            if (dialogs)
                dialogs->reportError(QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    preferGStreamerBackend();
    Application app(argc, argv); // the command line is not read
    QApplication::setApplicationName(applicationTitle());
    // Qt's own dialogs (file dialogs, input box) speak Chinese like the rest.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QtDialogs dialogs;
    app.dialogs = &dialogs;
    RealPacer pacer;
    CounterRandom random;
    MediaSoundPlayer sound;
    Database db;

    Settings settings; // read by the main screen at its start

    // The display mode is left as it is: each screen gets its own scale of
    // the 1024 x 768 design, and every window its screen, before the first
    // window (a start message) is made.
    StagePolicy stage(LoadSettings(executableFolder()).stageScreen);
    TStartFrm StartFrm(executableFolder(), settings, db, dialogs, pacer, random, sound);
    // The stage screen chosen in the settings screen, or with the move key,
    // is kept for the next start.
    QObject::connect(&StartFrm, &TStartFrm::stageScreenChosen, &stage, &StagePolicy::setPreferredStage);
    QObject::connect(&StartFrm, &TStartFrm::nextScreenRequested, &stage, [&] {
        settings.stageScreen = stage.moveStageToNextScreen();
        SaveSettings(executableFolder(), settings);
    });
    stage.showStage(&StartFrm);
    return app.exec();
}
