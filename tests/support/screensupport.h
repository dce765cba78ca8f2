#pragma once
// Seams for screen tests: dialogs answered by script, a sound player that
// records its calls and the collaborators a screen is given, among them the
// fakes of testsupport.h. The dialogs live here because naming the modal screen they
// run needs widgets; nothing below ui/ asks through Dialogs.
#include "testsupport.h"

#include "base/dialogs.h"
#include "base/settings.h"
#include "media/soundplayer.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>

// Answers dialogs in order; records every question asked. A box without the
// window it belongs to fails the running test: a window manager could place
// it below the screen it blocks.
class ScriptedDialogs : public Dialogs {
public:
    struct Call {
        QString kind; // notify, ask, choose, input, open, save, modal, error
        QString text;
        QString caption;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        QStringList choices; // choose
        QWidget *owner = nullptr; // the window the box belongs to
        QString suggested; // save: the name offered
    };
    std::vector<Call> calls;
    std::deque<bool> askAnswers; // default: true
    std::deque<int> chooseAnswers; // default: 0, the first choice
    std::deque<QString> inputAnswers; // default: empty
    std::deque<QString> fileAnswers; // default: empty (cancel)
    // Called for each modal screen; returns the screen's result. Default: Rejected.
    std::function<int(QDialog &)> onModal;
    // Called for each notice as it is shown, to look at the screen behind it.
    std::function<void(const Call &)> onNotify;

    void notify(QWidget *, const QString &text, const QString &caption, Icon icon) override;
    bool ask(QWidget *, const QString &text, const QString &caption, Icon icon, Buttons buttons) override;
    int choose(QWidget *, const QString &text, const QString &caption, Icon icon, const QStringList &choices) override;
    QString inputText(QWidget *, const QString &caption, const QString &prompt, bool masked) override;
    QString openFileName(QWidget *, const QString &filter) override;
    // Answered from fileAnswers too.
    QString openFolderName(QWidget *, const QString &caption) override;
    QString saveFileName(QWidget *, const QString &filter, const QString &suffix, const QString &suggested) override;
    int runModal(QDialog &dialog) override;
    void reportError(QWidget *owner, const QString &text) override;

    QStringList texts(const QString &kind) const;
    int count(const QString &kind) const { return static_cast<int>(texts(kind).size()); }
};

// Records sound calls as "music:<file>", "effect:<file>", "stop".
class RecordingSound : public SoundPlayer {
public:
    QStringList calls;
    void playMusic(const QString &path) override;
    void playEffect(const QString &path) override;
    void stopEffect() override;
};

// What the screens are given, in place of what main() builds: a TempDb's
// folder (as the executable's) and database, settings in memory and the fakes.
struct TestServices {
    explicit TestServices(TempDb &tempDb);
    const QString exeFolder; // with trailing separator
    Database &db;
    Settings settings;
    ScriptedDialogs dialogs;
    FakePacer pacer;
    ScriptedRandom random;
    RecordingSound sound;
};
