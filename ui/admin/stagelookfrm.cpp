#include "ui/admin/stagelookfrm.h"

#include "base/dialogs.h"
#include "media/photofolder.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

QString shownName(const QString &fileName) { return fileName.isEmpty() ? u"（默认）"_s : fileName; }

} // namespace

TStageLookFrm::TStageLookFrm(const QString &picturesFolder, Dialogs &dialogs, QWidget *parent,
                             Presentation presentation)
    : QDialog(parent), m_presentation(presentation), m_folder(picturesFolder), m_dialogs(dialogs)
{
    setObjectName(u"StageLookFrm"_s);
    setWindowTitle(u"舞台外观"_s);
    resize(440, 170);
    auto *grid = new QGridLayout(this);
    auto row = [this, grid](int r, const QString &caption, QLabel *&name, const QString &button, auto handler) {
        grid->addWidget(new QLabel(caption, this), r, 0);
        name = new QLabel(this);
        name->setObjectName(button + u"Name"_s);
        grid->addWidget(name, r, 1);
        auto *b = new QPushButton(u"选择图片…"_s, this);
        b->setObjectName(button);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        grid->addWidget(b, r, 2);
    };
    row(0, u"舞台背景："_s, m_backgroundName, u"BackgroundButton"_s, [this] { chooseBackground(); });
    row(1, u"标志图片："_s, m_logoName, u"LogoButton"_s, [this] { chooseLogo(); });
    m_showPhotos = new QCheckBox(u"中奖名单显示照片"_s, this);
    m_showPhotos->setObjectName(u"ShowPhotos"_s);
    grid->addWidget(m_showPhotos, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    auto *restore = new QPushButton(u"恢复默认"_s, this);
    restore->setObjectName(u"RestoreButton"_s);
    restore->setAutoDefault(false);
    connect(restore, &QPushButton::clicked, this, [this] { restoreDefault(); });
    auto *ok = new QPushButton(u"确认"_s, this);
    ok->setObjectName(u"OkButton"_s);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *cancel = new QPushButton(u"取消"_s, this);
    cancel->setObjectName(u"CancelButton"_s);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(restore);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 3);
    if (m_presentation == Presentation::ConsolePage) {
        setWindowFlags(Qt::Widget);
        ok->setText(u"应用"_s);
        cancel->setText(u"还原"_s);
        grid->setRowStretch(4, 1);
    }
    showNames();
}

void TStageLookFrm::accept()
{
    if (m_presentation == Presentation::Screen)
        QDialog::accept();
    else
        Q_EMIT applied();
}

void TStageLookFrm::reject()
{
    if (m_presentation == Presentation::Screen)
        QDialog::reject();
    else
        Q_EMIT reverted();
}

QString TStageLookFrm::pictureFilter() { return u"图片文件|*.jpg;*.jpeg;*.png|所有文件|*.*"_s; }

void TStageLookFrm::setLook(const QString &background, const QString &logo, bool showPhotos)
{
    m_background = background;
    m_logo = logo;
    m_showPhotos->setChecked(showPhotos);
    showNames();
}

bool TStageLookFrm::showPhotos() const { return m_showPhotos->isChecked(); }

QString TStageLookFrm::choose(const QString &baseName)
{
    const QString file = m_dialogs.openFileName(this, pictureFilter());
    if (file.isEmpty())
        return {};
    // A large picture takes a while to read; the screen keeps painting.
    const StoredPicture stored = storePicture(
        file, m_folder, baseName, false, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    if (!stored.error.isEmpty())
        m_dialogs.notify(this, stored.error, u"系统提示"_s, Dialogs::Icon::Warning);
    return stored.fileName;
}

void TStageLookFrm::chooseBackground()
{
    if (const QString name = choose(u"background"_s); !name.isEmpty())
        m_background = name;
    showNames();
}

void TStageLookFrm::chooseLogo()
{
    if (const QString name = choose(u"logo"_s); !name.isEmpty())
        m_logo = name;
    showNames();
}

void TStageLookFrm::restoreDefault() { setLook(QString(), QString(), false); }

void TStageLookFrm::showNames()
{
    m_backgroundName->setText(shownName(m_background));
    m_logoName->setText(shownName(m_logo));
}
