#pragma once
#include "base/dialogs.h"

// Converts a "name|*.ext|name|*.ext" filter into Qt's "name (*.ext);;..." form.
QString qtFileFilter(const QString &pipeFilter);

// The extension each entry of a "name|*.ext|..." filter saves under ("" for a wildcard).
QStringList filterSuffixes(const QString &pipeFilter);

// A message box widens to its longest unbreakable run of text: a path of a
// few hundred characters made it wider than the screen, its OK button off
// it. The text with a break allowed (a zero-width space) after each folder
// separator and within any long run; it reads the same.
QString wrappableText(const QString &text);

class QMessageBox;
// The message box the dialogs show: Chinese buttons, a text that wraps.
void prepareMessageBox(QMessageBox &box);

// The program's implementation on Qt's standard dialogs.
class QtDialogs : public Dialogs {
public:
    void notify(QWidget *owner, const QString &text, const QString &caption, Icon icon) override;
    bool ask(QWidget *owner, const QString &text, const QString &caption, Icon icon, Buttons buttons) override;
    int choose(QWidget *owner, const QString &text, const QString &caption, Icon icon,
               const QStringList &choices) override;
    QString inputText(QWidget *owner, const QString &caption, const QString &prompt, bool masked) override;
    QString openFileName(QWidget *owner, const QString &filter) override;
    QString openFolderName(QWidget *owner, const QString &caption) override;
    QString saveFileName(QWidget *owner, const QString &filter, const QString &defaultSuffix,
                         const QString &suggestedName) override;
    int runModal(QDialog &dialog) override;
    void reportError(QWidget *owner, const QString &text) override;

    // The window a box belongs to: the owner's, or when a caller has none the
    // modal screen or the active window. A box parented to nothing would be
    // transient for Qt's hidden group leader, and a window manager may place
    // it below the screen it blocks.
    static QWidget *boxOwner(QWidget *owner);

private:
    QString startFolder() const;
    void remember(const QString &chosen);
    QString m_lastFolder;
};
