#include "app/core/dialogs.h"
#include "app/core/errors.h"
#include "app/core/pacer.h"
#include "app/core/platform.h"
#include "draw/ui/startfrm.h"
#include "media/soundplayer.h"
#include "store/database.h"

#include <QApplication>

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
    Application app(argc, argv); // the command line is not read
    QApplication::setApplicationName(applicationTitle());

    QtDialogs dialogs;
    app.dialogs = &dialogs;
    RealPacer pacer;
    SilentPlayer sound;
    Database db;

    Services services;
    services.exeFolder = executableFolder();
    services.db = &db;
    services.dialogs = &dialogs;
    services.pacer = &pacer;
    services.sound = &sound;

    TStartFrm StartFrm(services);
    StartFrm.showFullScreen();
    return app.exec();
}
