#include "screensupport.h"

#include <QDialog>
#include <QFileInfo>

using namespace Qt::StringLiterals;

int ScreenDialogs::runModal(QDialog &dialog)
{
    calls.push_back({u"modal"_s, QString::fromLatin1(dialog.metaObject()->className()), dialog.windowTitle(), Icon::None,
                     Buttons::Ok});
    return onModal ? onModal(dialog) : QDialog::Rejected;
}

void RecordingSound::playMusic(const QString &path) { calls << u"music:"_s + QFileInfo(path).fileName(); }
void RecordingSound::playEffect(const QString &path) { calls << u"effect:"_s + QFileInfo(path).fileName(); }
void RecordingSound::stopEffect() { calls << u"stop"_s; }

TestServices::TestServices(TempDb &tempDb)
{
    services.exeFolder = tempDb.folder();
    services.db = &tempDb.db();
    services.dialogs = &dialogs;
    services.pacer = &pacer;
    services.random = &random;
    services.sound = &sound;
}
