#include "ui/common/qtdialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

QString qtFileFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + u" ("_s + QString(parts[i + 1]).replace(u';', u' ') + u')';
    return filters.join(u";;"_s);
}

QStringList filterSuffixes(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(u'|');
    QStringList suffixes;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // "*.xlsx;*.xlsm" saves as its first extension; "*.*" has none.
        const QString first = parts[i + 1].section(u';', 0, 0).trimmed();
        const QString suffix = first.startsWith(u"*."_s) ? first.mid(2) : QString();
        suffixes << (suffix.contains(u'*') ? QString() : suffix);
    }
    return suffixes;
}

QString wrappableText(const QString &text)
{
    constexpr int kLongestRun = 30;
    constexpr QChar kBreak(0x200B);
    QString out;
    out.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (const QChar c : text) {
        // Chinese text and spaces break by themselves.
        const bool breaks = c.isSpace() || c.unicode() >= 0x2E80;
        run = breaks ? 0 : run + 1;
        if (run > kLongestRun && !c.isLowSurrogate()) {
            out += kBreak;
            run = 1;
        }
        out += c;
        if (c == u'/' || c == u'\\') {
            out += kBreak;
            run = 0;
        }
    }
    return out;
}

void prepareMessageBox(QMessageBox &box) { box.setText(wrappableText(box.text())); }

namespace {
// Ctrl+C copies what a box says, as Qt's boxes do only on Windows: a message
// that names a file or a cause can be passed on as it stands.
void copyable(QMessageBox &box)
{
    auto *copy = new QShortcut(QKeySequence::Copy, &box);
    QObject::connect(copy, &QShortcut::activated, &box,
                     [&box] { QGuiApplication::clipboard()->setText(box.windowTitle() + u'\n' + box.text()); });
}

QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Error:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void QtDialogs::notify(QWidget *owner, const QString &text, const QString &caption, Icon icon)
{
    QMessageBox box(toQt(icon), caption, text, QMessageBox::Ok, boxOwner(owner));
    copyable(box);
    box.button(QMessageBox::Ok)->setText(u"确定"_s);
    prepareMessageBox(box);
    box.exec();
}

bool QtDialogs::ask(QWidget *owner, const QString &text, const QString &caption, Icon icon, Buttons buttons)
{
    QMessageBox box(toQt(icon), caption, text, QMessageBox::NoButton, boxOwner(owner));
    copyable(box);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(u"是(&Y)"_s);
        box.button(QMessageBox::No)->setText(u"否(&N)"_s);
    } else if (buttons == Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.button(QMessageBox::Ok)->setText(u"确定"_s);
        box.button(QMessageBox::Cancel)->setText(u"取消"_s);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(u"确定"_s);
    }
    prepareMessageBox(box);
    const int result = box.exec();
    return result == QMessageBox::Yes || result == QMessageBox::Ok;
}

int QtDialogs::choose(QWidget *owner, const QString &text, const QString &caption, Icon icon,
                      const QStringList &choices)
{
    QMessageBox box(toQt(icon), caption, text, QMessageBox::NoButton, boxOwner(owner));
    copyable(box);
    std::vector<QPushButton *> buttons;
    for (const QString &choice : choices)
        buttons.push_back(box.addButton(choice, QMessageBox::ActionRole));
    if (!buttons.empty()) {
        box.setDefaultButton(buttons.front());
        box.setEscapeButton(buttons.back());
    }
    prepareMessageBox(box);
    box.exec();
    const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    // Closed by the window's own button: as the last choice, the one Esc gives.
    return pressed == buttons.end() ? static_cast<int>(choices.size()) - 1
                                    : static_cast<int>(pressed - buttons.begin());
}

QString QtDialogs::inputText(QWidget *owner, const QString &caption, const QString &prompt, bool masked)
{
    bool ok = false;
    const QString text = QInputDialog::getText(boxOwner(owner), caption, prompt,
                                               masked ? QLineEdit::Password : QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

QWidget *QtDialogs::boxOwner(QWidget *owner)
{
    if (owner)
        return owner->window();
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QString QtDialogs::startFolder() const
{
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    // Not the working directory: started from the desktop that is "/".
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void QtDialogs::remember(const QString &chosen)
{
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
}

QString QtDialogs::openFileName(QWidget *owner, const QString &filter)
{
    const QString chosen =
        QFileDialog::getOpenFileName(boxOwner(owner), QString(), startFolder(), qtFileFilter(filter));
    remember(chosen);
    return chosen;
}

QString QtDialogs::openFolderName(QWidget *owner, const QString &caption)
{
    const QString chosen = QFileDialog::getExistingDirectory(boxOwner(owner), caption, startFolder());
    if (!chosen.isEmpty())
        m_lastFolder = chosen;
    return chosen;
}

QString QtDialogs::saveFileName(QWidget *owner, const QString &filter, const QString &defaultSuffix,
                                const QString &suggestedName)
{
    QFileDialog dialog(boxOwner(owner), QString(), startFolder(), qtFileFilter(filter));
    if (!suggestedName.isEmpty())
        dialog.selectFile(suggestedName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    // A bare name takes the extension of the filter chosen last ("Excel 2007文件" saves .xlsx).
    const QStringList qtFilters = qtFileFilter(filter).split(u";;"_s);
    const QStringList suffixes = filterSuffixes(filter);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, qtFilters, suffixes](const QString &chosen) {
                         const qsizetype i = qtFilters.indexOf(chosen);
                         if (i >= 0 && i < suffixes.size() && !suffixes[i].isEmpty())
                             dialog.setDefaultSuffix(suffixes[i]);
                     });
    // Replacing an existing file asks nothing.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    remember(chosen);
    return chosen;
}

int QtDialogs::runModal(QDialog &dialog) { return dialog.exec(); }

void QtDialogs::reportError(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), errorReportText(text), QMessageBox::Ok, boxOwner(owner));
    copyable(box);
    box.button(QMessageBox::Ok)->setText(u"确定"_s);
    prepareMessageBox(box);
    box.exec();
}
