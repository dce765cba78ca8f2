#include "ui/common/qtdialogs.h"
#include "base/errors.h"
#include "base/pacer.h"
#include "base/platform.h"
#include "base/settings.h"
#include "base/counterrandom.h"
#include "base/datafolder.h"
#include "ui/common/guidewindow.h"
#include "ui/common/stagepolicy.h"
#include "ui/console/operatorconsole.h"
#include "ui/main/startfrm.h"
#include "media/mediasoundplayer.h"
#include "store/database.h"
#include "store/restorejournal.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <unistd.h>

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
        // The report belongs to the window whose event failed (if it still exists).
        const QPointer<QWidget> widget = qobject_cast<QWidget *>(receiver);
        try {
            return QApplication::notify(receiver, event);
        } catch (const AppError &e) {
            if (dialogs)
                dialogs->reportError(widget.data(), e.text());
        } catch (const std::exception &e) {
            if (dialogs)
                dialogs->reportError(widget.data(), QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};

// With PRIZEDRAW_START_REPORT set to a file, the program notes there when its
// window was first painted and when the roster was ready (milliseconds since
// the process started, and the resident memory then): bench_start reads it.
class StartReport : public QObject {
public:
    explicit StartReport(QWidget &window) : m_path(qEnvironmentVariable("PRIZEDRAW_START_REPORT"))
    {
        if (!m_path.isEmpty())
            window.installEventFilter(this);
    }
    void note(const char *what)
    {
        if (m_path.isEmpty())
            return;
        QFile file(m_path);
        if (!file.open(QIODevice::Append))
            return;
        file.write(QByteArray(what) + ' ' + QByteArray::number(sinceProcessStartMs()) + ' '
                   + QByteArray::number(residentKb()) + '\n');
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            note("window-shown");
        }
        return false;
    }

private:
    static qint64 sinceProcessStartMs()
    {
        // Field 22 of /proc/self/stat: the start in clock ticks after boot.
        QFile stat(u"/proc/self/stat"_s);
        QFile uptime(u"/proc/uptime"_s);
        if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        const double startS = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
        const double nowS = uptime.readAll().split(' ').value(0).toDouble();
        return qint64((nowS - startS) * 1000);
    }
    static qint64 residentKb()
    {
        QFile status(u"/proc/self/status"_s);
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
        return -1;
    }
    QString m_path;
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

    // An installed program's data folder is filled before anything reads it;
    // without it there is nothing to draw from.
    const Folders folders = decideFolders(executableFolder());
    try {
        prepareDataFolder(folders);
    } catch (const AppError &e) {
        dialogs.reportError(nullptr, e.text()); // before any window
        return 1;
    }

    if (const QString problem = settingsFileProblem(folders.data); !problem.isEmpty())
        dialogs.notify(nullptr, problem, u"系统提示"_s, Dialogs::Icon::Warning); // before any window
    // A restore cut short is undone before anything reads the data.
    for (const QString &notice : RestoreJournal::recoverAtStart(folders.data + u"config.dll"_s).notices)
        dialogs.notify(nullptr, notice, u"系统提示"_s, Dialogs::Icon::Warning);

    // The display mode is left as it is: each screen gets its own scale of
    // the 1024 x 768 design, and every window its screen, before the first
    // window (a start message) is made.
    StagePolicy stage(LoadSettings(folders.data, folders.program).stageScreen);
    TStartFrm StartFrm(folders, settings, db, dialogs, pacer, random, sound);
    // The stage screen chosen in the settings screen, or with the move key,
    // is kept for the next start.
    QObject::connect(&StartFrm, &TStartFrm::stageScreenChosen, &stage, &StagePolicy::setPreferredStage);
    QObject::connect(&StartFrm, &TStartFrm::nextScreenRequested, &stage, [&] {
        Settings next = settings;
        next.stageScreen = stage.moveStageToNextScreen();
        StartFrm.settingsModel().apply(next);
    });
    stage.showStage(&StartFrm);
    // With a screen of the stage's own, the other one is the operator's
    // console, and the administration screens open as its pages.
    OperatorConsole console(StartFrm, db, dialogs, pacer, folders);
    stage.showConsole(&console);
    StartFrm.setPageHost([&](PressCommand command) {
        if (!stage.consoleWanted() || !console.showPageFor(command))
            return false;
        console.raise();
        console.activateWindow();
        return true;
    });
    // F1 and the console's 帮助: the guide, one window however often asked.
    std::unique_ptr<GuideWindow> guide;
    QObject::connect(&StartFrm, &TStartFrm::helpRequested, &StartFrm, [&] {
        if (!guide)
            guide = std::make_unique<GuideWindow>(guideFile(folders));
        guide->show();
        guide->raise();
        guide->activateWindow();
    });
    // The roster follows the window: a large one takes a moment, and the
    // screen says so meanwhile.
    StartReport report(StartFrm);
    QTimer::singleShot(0, &StartFrm, [&StartFrm, &report] {
        StartFrm.LoadDrawData();
        report.note("roster-loaded");
    });
    return app.exec();
}
