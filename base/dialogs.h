#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class QDialog;

// Every message box, input box, file dialog and modal screen goes through this
// interface, so tests can answer them by script.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, OkCancel, YesNo };

    virtual ~Dialogs() = default;

    virtual void notify(QWidget *owner, const QString &text, const QString &caption, Icon icon) = 0;
    // True on OK or Yes.
    virtual bool ask(QWidget *owner, const QString &text, const QString &caption, Icon icon, Buttons buttons) = 0;
    // A question answered by one of `choices` (button texts, the first the
    // default, the last the one Esc presses): the index of the one pressed.
    virtual int choose(QWidget *owner, const QString &text, const QString &caption, Icon icon,
                       const QStringList &choices) = 0;
    // The typed text; empty on Cancel.
    virtual QString inputText(QWidget *owner, const QString &caption, const QString &prompt, bool masked) = 0;
    // Filters in the "name|*.ext|name|*.ext" form; empty result on Cancel.
    // The dialogs start in the folder used last, at first the user's
    // documents folder; a save offers `suggestedName` there.
    virtual QString openFileName(QWidget *owner, const QString &filter) = 0;
    virtual QString saveFileName(QWidget *owner, const QString &filter, const QString &defaultSuffix,
                                 const QString &suggestedName) = 0;
    // An existing folder; empty on Cancel.
    virtual QString openFolderName(QWidget *owner, const QString &caption) = 0;
    // Runs a screen modally and returns its result (QDialog::Accepted or Rejected).
    virtual int runModal(QDialog &dialog) = 0;
    // The general error report: caption "员工抽奖系统", error icon, OK. Like
    // every box, it belongs to the window of `owner`, which it stays above;
    // nullptr only before any window exists.
    virtual void reportError(QWidget *owner, const QString &text) = 0;
};

// Text of the general error report: a full stop is appended when the last
// character sorts after '.', unless it is a Chinese full stop or mark.
QString errorReportText(const QString &text);

// Runs a step; an error that escapes it goes to the general error report.
void runReported(Dialogs &dialogs, QWidget *owner, const std::function<void()> &step);

// The application title, caption of the main window and of the error report.
QString applicationTitle();
