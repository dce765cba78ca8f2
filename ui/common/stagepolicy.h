#pragma once
#include "ui/common/stage.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class QScreen;
class QWidget;

// Where every window of the program goes. With two or more screens the
// main screen is full-screen on the stage screen and every other window
// opens on the operator's screen, so the audience never sees an
// administration screen or a message; with one screen both are that screen.
// Each screen is given its own Qt scale factor (about min(W / 1024,
// H / 768)) as it is connected, so the design fills the stage screen and the
// dialogs keep their proportions on the operator's. Screens connected,
// disconnected or resized while the program runs are followed at once: the
// stage leaves a screen that goes away and returns when it comes back.
//
// One policy exists while the program runs (made right after the
// application); windows declare their role (Stage::declare) and windows
// without one are placed when they are shown.
class StagePolicy : public QObject {
    Q_OBJECT
public:
    // `preferredStage` is the name of the screen the stage should use
    // (empty: the largest screen that is not the primary).
    explicit StagePolicy(const QString &preferredStage = {}, QObject *parent = nullptr);
    ~StagePolicy() override;

    static StagePolicy *current();

    // The policy's placement of the window, or where no policy exists (the
    // tests of single screens) the one-screen placement on the primary screen.
    static void placeWindow(QWidget *window);

    void setPreferredStage(const QString &name);
    QString preferredStage() const { return m_preferred; }

    // The main screen's window: placed, and shown full-screen.
    void showStage(QWidget *stage);
    // The operator's console: shown, maximised on the operator's screen,
    // whenever the stage has a screen of its own; hidden otherwise.
    void showConsole(QWidget *console);
    // Whether the stage has a screen of its own (two screens or more).
    bool consoleWanted() const;

    QScreen *stageScreen() const;
    QScreen *operatorScreen() const;

    // Makes the screen after the current stage screen (in Qt's order of the
    // screens) the stage screen and moves the stage there; returns its name
    // (the current one's with a single screen).
    QString moveStageToNextScreen();

    // Places every visible window again (after the screens changed).
    void placeAll();

Q_SIGNALS:
    void stageScreenChanged(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyFactor(QScreen *screen);
    void watch(QScreen *screen);
    void screensChanged();
    void place(QWidget *window) const;

    QString m_preferred;
    QPointer<QWidget> m_stage;
    QPointer<QWidget> m_console;
    void placeConsole();
    QString m_stageName;
    QHash<QString, double> m_factors;
};
