#pragma once
#include <QWidget>
#include <memory>

class Dialogs;
class SettingsForm;
class SettingsModel;

// The console's settings page: the fields of the settings table in a form,
// 保存设置 (the settings' owner takes them, writes config.ini and tells the
// stage which changed), 还原 (the values in force again) and 设置密码.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    SettingsPage(SettingsModel &model, Dialogs &dialogs, QWidget *parent = nullptr);
    ~SettingsPage() override;

    // The values in force, into the fields.
    void load();

Q_SIGNALS:
    void passwordRequested();

private:
    void save();
    SettingsModel &m_model;
    Dialogs &m_dialogs;
    std::unique_ptr<SettingsForm> m_form;
};
