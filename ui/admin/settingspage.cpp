#include "ui/admin/settingspage.h"

#include "base/dialogs.h"
#include "base/settings.h"
#include "ui/admin/settingsform.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

SettingsPage::SettingsPage(SettingsModel &model, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_model(model), m_dialogs(dialogs)
{
    setObjectName(u"SettingsPage"_s);
    m_form = std::make_unique<SettingsForm>(SettingSpec::Page::Settings, this, dialogs);
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const SettingsForm::Field &field : m_form->fields()) {
        if (field.label)
            form->addRow(field.label, field.editor);
        else
            form->addRow(QString(), field.editor);
    }
    auto *save = new QPushButton(u"保存设置"_s, this);
    save->setObjectName(u"SaveSettingsButton"_s);
    auto *restore = new QPushButton(u"还原"_s, this);
    restore->setObjectName(u"RevertSettingsButton"_s);
    auto *password = new QPushButton(u"设置密码"_s, this);
    password->setObjectName(u"PasswordButton"_s);
    password->setToolTip(u"设置按 F2 打开指定与排除名单时要输入的密码"_s);
    connect(save, &QPushButton::clicked, this, [this] { runReported(m_dialogs, this, [this] { this->save(); }); });
    connect(restore, &QPushButton::clicked, this, &SettingsPage::load);
    connect(password, &QPushButton::clicked, this, &SettingsPage::passwordRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(restore);
    buttons->addStretch();
    buttons->addWidget(password);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addStretch();
    load();
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::load() { m_form->load(m_model.values()); }

void SettingsPage::save()
{
    Settings next = m_model.values();
    m_form->store(next);
    m_model.apply(next);
    m_dialogs.notify(this, u"设置已保存。"_s, u"系统提示"_s, Dialogs::Icon::Information);
}
