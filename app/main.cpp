#include "ui/common/qtdialogs.h"
#include "base/errors.h"
#include "base/pacer.h"
#include "base/platform.h"
#include "base/settings.h"
#include "base/counterrandom.h"
#include "base/datafolder.h"
#include "ui/common/stage.h"
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
    // The display mode is left as it is: the 1024 x 768 design is scaled to
    // the screen instead, which Qt must know before the application starts.
    Stage::prepareScaling(argc, argv);
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

    // An installed program's data folder is filled before anything reads it;
    // without it there is nothing to draw from.
    const Folders folders = decideFolders(executableFolder());
    try {
        prepareDataFolder(folders);
    } catch (const AppError &e) {
        dialogs.reportError(e.text());
        return 1;
    }

    TStartFrm StartFrm(folders, settings, db, dialogs, pacer, random, sound);
    StartFrm.showFullScreen();
    // Without a window manager nobody honours the full-screen request: the
    // window takes the screen's geometry itself.
    StartFrm.setGeometry(Stage::coverOf(StartFrm.screen()));
    return app.exec();
}
