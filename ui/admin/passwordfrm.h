#pragma once
#include <QDialog>

class Dialogs;
class OperatorPassword;
class QLineEdit;
class QPushButton;

// Sets the operator's password: the one in force, then the new one twice, all
// masked. A refusal says why and keeps the screen open; the new password holds
// from the moment the screen closes with 确认.
class TPasswordFrm : public QDialog {
    Q_OBJECT
public:
    TPasswordFrm(OperatorPassword &password, Dialogs &dialogs, QWidget *parent = nullptr);

    void accept() override;

private:
    // Tells the operator why, empties `field` and puts the cursor there.
    void refuse(const QString &text, QLineEdit *field);

    OperatorPassword &m_password;
    Dialogs &m_dialogs;
    QLineEdit *CurrentEdit = nullptr;
    QLineEdit *NewEdit = nullptr;
    QLineEdit *RepeatEdit = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
};
