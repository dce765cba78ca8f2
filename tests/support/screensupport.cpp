#include "screensupport.h"

#include <QDialog>
#include <QFileInfo>

using namespace Qt::StringLiterals;

void ScriptedDialogs::notify(QWidget *, const QString &text, const QString &caption, Icon icon)
{
    calls.push_back({u"notify"_s, text, caption, icon, Buttons::Ok, {}});
    if (onNotify)
        onNotify(calls.back());
}

bool ScriptedDialogs::ask(QWidget *, const QString &text, const QString &caption, Icon icon, Buttons buttons)
{
    calls.push_back({u"ask"_s, text, caption, icon, buttons, {}});
    if (askAnswers.empty())
        return true;
    const bool answer = askAnswers.front();
    askAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::choose(QWidget *, const QString &text, const QString &caption, Icon icon,
                            const QStringList &choices)
{
    calls.push_back({u"choose"_s, text, caption, icon, Buttons::Ok, choices});
    if (chooseAnswers.empty())
        return 0;
    const int answer = chooseAnswers.front();
    chooseAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::inputText(QWidget *, const QString &caption, const QString &prompt, bool masked)
{
    calls.push_back({u"input"_s, prompt, caption, masked ? Icon::Warning : Icon::None, Buttons::OkCancel, {}});
    if (inputAnswers.empty())
        return {};
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFileName(QWidget *, const QString &filter)
{
    calls.push_back({u"open"_s, filter, {}, Icon::None, Buttons::OkCancel, {}});
    if (fileAnswers.empty())
        return {};
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFolderName(QWidget *, const QString &caption)
{
    calls.push_back({u"folder"_s, caption, {}, Icon::None, Buttons::OkCancel, {}});
    if (fileAnswers.empty())
        return {};
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::saveFileName(QWidget *, const QString &filter, const QString &suffix)
{
    calls.push_back({u"save"_s, filter, suffix, Icon::None, Buttons::OkCancel, {}});
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    if (!answer.isEmpty() && QFileInfo(answer).suffix().isEmpty() && !suffix.isEmpty())
        answer += u'.' + suffix;
    return answer;
}

int ScriptedDialogs::runModal(QDialog &dialog)
{
    calls.push_back({u"modal"_s,
                     QString::fromLatin1(dialog.metaObject()->className()),
                     dialog.windowTitle(),
                     Icon::None,
                     Buttons::Ok,
                     {}});
    return onModal ? onModal(dialog) : QDialog::Rejected;
}

void ScriptedDialogs::reportError(const QString &text)
{
    calls.push_back({u"error"_s, errorReportText(text), applicationTitle(), Icon::Error, Buttons::Ok, {}});
}

QStringList ScriptedDialogs::texts(const QString &kind) const
{
    QStringList out;
    for (const Call &c : calls) {
        if (c.kind == kind)
            out << c.text;
    }
    return out;
}

void RecordingSound::playMusic(const QString &path) { calls << u"music:"_s + QFileInfo(path).fileName(); }
void RecordingSound::playEffect(const QString &path) { calls << u"effect:"_s + QFileInfo(path).fileName(); }
void RecordingSound::stopEffect() { calls << u"stop"_s; }

TestServices::TestServices(TempDb &tempDb) : exeFolder(tempDb.folder()), db(tempDb.db()) {}
