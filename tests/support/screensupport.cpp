#include "screensupport.h"

#include <QDialog>
#include <QFileInfo>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
QWidget *ownerWindow(QWidget *owner, const QString &what)
{
    QTest::qVerify(owner != nullptr, "owner != nullptr", qPrintable(u"a box without its window: "_s + what), __FILE__,
                   __LINE__);
    return owner ? owner->window() : nullptr;
}
} // namespace

void ScriptedDialogs::notify(QWidget *owner, const QString &text, const QString &caption, Icon icon)
{
    calls.push_back({u"notify"_s, text, caption, icon, Buttons::Ok, {}, ownerWindow(owner, text), {}});
    if (onNotify)
        onNotify(calls.back());
}

bool ScriptedDialogs::ask(QWidget *owner, const QString &text, const QString &caption, Icon icon, Buttons buttons)
{
    calls.push_back({u"ask"_s, text, caption, icon, buttons, {}, ownerWindow(owner, text), {}});
    if (askAnswers.empty())
        return true;
    const bool answer = askAnswers.front();
    askAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::choose(QWidget *owner, const QString &text, const QString &caption, Icon icon,
                            const QStringList &choices)
{
    calls.push_back({u"choose"_s, text, caption, icon, Buttons::Ok, choices, ownerWindow(owner, text), {}});
    if (chooseAnswers.empty())
        return 0;
    const int answer = chooseAnswers.front();
    chooseAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::inputText(QWidget *owner, const QString &caption, const QString &prompt, bool masked)
{
    calls.push_back({u"input"_s,
                     prompt,
                     caption,
                     masked ? Icon::Warning : Icon::None,
                     Buttons::OkCancel,
                     {},
                     ownerWindow(owner, prompt),
                     {}});
    if (inputAnswers.empty())
        return {};
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFileName(QWidget *owner, const QString &filter)
{
    calls.push_back({u"open"_s, filter, {}, Icon::None, Buttons::OkCancel, {}, ownerWindow(owner, filter), {}});
    if (fileAnswers.empty())
        return {};
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFolderName(QWidget *owner, const QString &caption)
{
    calls.push_back({u"folder"_s, caption, {}, Icon::None, Buttons::OkCancel, {}, ownerWindow(owner, caption), {}});
    if (fileAnswers.empty())
        return {};
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::saveFileName(QWidget *owner, const QString &filter, const QString &suffix,
                                      const QString &suggested)
{
    calls.push_back(
        {u"save"_s, filter, suffix, Icon::None, Buttons::OkCancel, {}, ownerWindow(owner, filter), suggested});
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
                     {},
                     dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr,
                     {}});
    return onModal ? onModal(dialog) : QDialog::Rejected;
}

void ScriptedDialogs::reportError(QWidget *owner, const QString &text)
{
    calls.push_back({u"error"_s,
                     errorReportText(text),
                     applicationTitle(),
                     Icon::Error,
                     Buttons::Ok,
                     {},
                     ownerWindow(owner, text),
                     {}});
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
