#include "ui/admin/settingsform.h"

#include "base/dialogs.h"
#include "ui/admin/loopcountspinbox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace {
// What the music file may be.
const QString kMusicFilter = u"MP3|*.mp3|WMA|*.wma|AVI|*.avi"_s;

void fillScreens(QComboBox *box, const QString &chosen)
{
    box->clear();
    box->addItem(u"自动(最大的非主显示屏)"_s, QString());
    const QScreen *primary = QGuiApplication::primaryScreen();
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QSize pixels = (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
        QString text = u"%1 (%2×%3)"_s.arg(screen->name()).arg(pixels.width()).arg(pixels.height());
        if (screen == primary)
            text += u" 主显示屏"_s;
        box->addItem(text, screen->name());
    }
    int index = chosen.isEmpty() ? 0 : box->findData(chosen);
    if (index < 0) {
        // A screen that is not connected now keeps its place in the setting.
        box->addItem(chosen + u" (未连接)"_s, chosen);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}
} // namespace

SettingsForm::SettingsForm(SettingSpec::Page page, QWidget *parent, Dialogs &dialogs) : m_dialogs(dialogs)
{
    for (const SettingSpec &spec : settingsTable()) {
        if (spec.page != page)
            continue;
        QLabel *caption = nullptr;
        if (spec.type != SettingSpec::Type::Bool) {
            caption = new QLabel(spec.label, parent);
            caption->setObjectName(u"Label_"_s + spec.key);
        }
        QWidget *editor = makeEditor(spec, parent);
        editor->setObjectName(spec.widget);
        if (caption)
            caption->setBuddy(editor);
        m_fields.push_back({&spec, caption, editor});
    }
}

QWidget *SettingsForm::makeEditor(const SettingSpec &spec, QWidget *parent)
{
    switch (spec.type) {
    case SettingSpec::Type::Bool:
        return new QCheckBox(spec.label, parent);
    case SettingSpec::Type::Int: {
        auto *box = new LoopCountSpinBox(parent);
        box->setRange(spec.editMin, spec.max);
        box->setSingleStep(spec.editStep);
        return box;
    }
    case SettingSpec::Type::Screen:
        return new QComboBox(parent);
    case SettingSpec::Type::File: {
        auto *edit = new QLineEdit(parent);
        QAction *browse =
            edit->addAction(parent->style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
        browse->setObjectName(spec.widget + u"Button"_s);
        QObject::connect(browse, &QAction::triggered, edit,
                         [this, &spec, edit] { runReported(m_dialogs, edit, [&] { chooseFile(spec, edit); }); });
        return edit;
    }
    case SettingSpec::Type::Text:
    case SettingSpec::Type::Picture:
    case SettingSpec::Type::Secret:
        break;
    }
    auto *edit = new QLineEdit(parent);
    edit->setReadOnly(spec.type == SettingSpec::Type::Picture);
    return edit;
}

void SettingsForm::chooseFile(const SettingSpec &spec, QWidget *editor)
{
    const QString file = m_dialogs.openFileName(editor, kMusicFilter);
    if (file.isEmpty())
        return;
    static_cast<QLineEdit *>(editor)->setText(file);
    if (onFileChosen)
        onFileChosen(spec, file);
}

QWidget *SettingsForm::editor(const QString &key) const
{
    for (const Field &f : m_fields) {
        if (f.spec->key == key)
            return f.editor;
    }
    return nullptr;
}

QLabel *SettingsForm::label(const QString &key) const
{
    for (const Field &f : m_fields) {
        if (f.spec->key == key)
            return f.label;
    }
    return nullptr;
}

void SettingsForm::load(const Settings &values)
{
    for (const Field &f : m_fields) {
        const QString text = settingText(values, *f.spec);
        if (auto *box = qobject_cast<QCheckBox *>(f.editor))
            box->setChecked(text != u"0"_s);
        else if (auto *spin = qobject_cast<LoopCountSpinBox *>(f.editor))
            spin->setValue(text.toInt()); // the box holds it to its range
        else if (auto *combo = qobject_cast<QComboBox *>(f.editor))
            fillScreens(combo, text);
        else if (auto *edit = qobject_cast<QLineEdit *>(f.editor))
            edit->setText(text);
    }
}

void SettingsForm::store(Settings &values) const
{
    for (const Field &f : m_fields) {
        QString text;
        if (auto *box = qobject_cast<QCheckBox *>(f.editor))
            text = box->isChecked() ? u"1"_s : u"0"_s;
        else if (auto *spin = qobject_cast<LoopCountSpinBox *>(f.editor))
            text = QString::number(spin->loopCount());
        else if (auto *combo = qobject_cast<QComboBox *>(f.editor))
            text = combo->currentData().toString();
        else if (auto *edit = qobject_cast<QLineEdit *>(f.editor))
            text = edit->text();
        setSettingText(values, *f.spec, text);
    }
}
