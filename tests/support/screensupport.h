#pragma once
// Seams for screen tests: dialogs that name the modal screens they run, a
// sound player that records its calls and the services a screen is given,
// wired to the fakes of testsupport.h.
#include "testsupport.h"

#include "draw/services.h"
#include "media/soundplayer.h"

#include <QStringList>

// ScriptedDialogs that records each modal screen's class name and title.
class ScreenDialogs : public ScriptedDialogs {
public:
    int runModal(QDialog &dialog) override;
};

// Records sound calls as "music:<file>", "effect:<file>", "stop".
class RecordingSound : public SoundPlayer {
public:
    QStringList calls;
    void playMusic(const QString &path) override;
    void playEffect(const QString &path) override;
    void stopEffect() override;
};

// Services wired to the fakes above and to a TempDb's folder and database.
struct TestServices {
    explicit TestServices(TempDb &tempDb);
    ScreenDialogs dialogs;
    FakePacer pacer;
    ScriptedRandom random;
    RecordingSound sound;
    Services services;
};
