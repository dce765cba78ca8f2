#include "ui/admin/passwordfrm.h"

#include "admin/operatorpassword.h"
#include "base/dialogs.h"
#include "base/errors.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {
constexpr int kMaxLength = 64;

QLineEdit *maskedEdit(QWidget *parent, const QString &name, const QString &caption, int y)
{
    auto *label = new QLabel(caption, parent);
    label->setGeometry(16, y + 3, 80, 17);
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(kMaxLength);
    edit->setGeometry(100, y, 180, 23);
    label->setBuddy(edit);
    return edit;
}
} // namespace

TPasswordFrm::TPasswordFrm(OperatorPassword &password, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_password(password), m_dialogs(dialogs)
{
    setObjectName(u"PasswordFrm"_s);
    setWindowTitle(u"设置密码"_s);
    setFixedSize(296, 156);
    CurrentEdit = maskedEdit(this, u"CurrentEdit"_s, u"当前密码："_s, 12);
    NewEdit = maskedEdit(this, u"NewEdit"_s, u"新密码："_s, 44);
    RepeatEdit = maskedEdit(this, u"RepeatEdit"_s, u"再输一次："_s, 76);
    BitBtn1 = new QPushButton(u"确认"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setGeometry(124, 116, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(u"取消"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn2->setGeometry(205, 116, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &TPasswordFrm::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &TPasswordFrm::reject);
    CurrentEdit->setFocus();
}

void TPasswordFrm::refuse(const QString &text, QLineEdit *field)
{
    m_dialogs.notify(this, text, u"设置密码"_s, Dialogs::Icon::Warning);
    field->clear();
    field->setFocus();
}

void TPasswordFrm::accept()
{
    // The cheap checks first: a typing slip in the new one costs no guess.
    if (m_password.secondsToWait() > 0)
        return refuse(m_password.waitText(), CurrentEdit);
    if (NewEdit->text().isEmpty())
        return refuse(u"新密码不能为空，请输入新密码。"_s, NewEdit);
    if (NewEdit->text() != RepeatEdit->text()) {
        RepeatEdit->clear();
        return refuse(u"两次输入的新密码不一致，请重新输入新密码。"_s, NewEdit);
    }
    // Whoever reaches the settings screen must still know the password in
    // force, or anybody at the laptop could open F2 with one of their own.
    switch (m_password.check(CurrentEdit->text())) {
    case OperatorPassword::Check::Right:
        break;
    case OperatorPassword::Check::Wrong:
        return refuse(m_password.secondsToWait() > 0 ? m_password.waitText() : u"当前密码不正确，请重新输入。"_s,
                      CurrentEdit);
    case OperatorPassword::Check::Waiting:
        return refuse(m_password.waitText(), CurrentEdit);
    case OperatorPassword::Check::Unreadable:
        return refuse(m_password.unreadableText(), CurrentEdit);
    }
    try {
        m_password.change(NewEdit->text());
    } catch (const AppError &e) {
        m_dialogs.reportError(this, e.text());
        return;
    }
    m_dialogs.notify(this, u"密码已设置。此后按 F2 时请输入新密码。"_s, u"设置密码"_s, Dialogs::Icon::Information);
    QDialog::accept();
}
