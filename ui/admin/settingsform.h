#pragma once
#include "base/settings.h"

#include <QString>
#include <functional>
#include <vector>

class Dialogs;
class QLabel;
class QWidget;

// The fields of one page of settings, made from the settings table: a label
// and an editor for each setting of the page, named as the settings screen
// names them. The settings screen places them in its design; the console's
// settings page lays them out in a form. Values go in and out whole, so a
// page edits a draft that its owner takes on OK (or 保存).
class SettingsForm {
public:
    struct Field {
        const SettingSpec *spec;
        QLabel *label; // null for a check box, which carries its own label
        QWidget *editor;
    };

    SettingsForm(SettingSpec::Page page, QWidget *parent, Dialogs &dialogs);

    const std::vector<Field> &fields() const { return m_fields; }
    QWidget *editor(const QString &key) const;
    QLabel *label(const QString &key) const;

    // Fills the editors (the stage screens are listed as connected now).
    void load(const Settings &values);
    // The editors' values into `values`; keys of other pages are left alone.
    void store(Settings &values) const;
    // Called when a file is picked with a field's browse button.
    std::function<void(const SettingSpec &, const QString &)> onFileChosen;

private:
    QWidget *makeEditor(const SettingSpec &spec, QWidget *parent);
    void chooseFile(const SettingSpec &spec, QWidget *editor);
    std::vector<Field> m_fields;
    Dialogs &m_dialogs;
};
