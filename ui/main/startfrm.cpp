#include "ui/main/startfrm.h"

#include "base/dialogs.h"
#include "base/errors.h"
#include "base/platform.h"
#include "ui/common/screenfonts.h"
#include "draw/drawengine.h"
#include "ui/main/picturebutton.h"
#include "store/database.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

const QColor kWindowRed(0xDA, 0x26, 0x1D);

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, int pixelSize, const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(yaHeiFont(pixelSize, true));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

QWidget *makePanel(QWidget *parent, const QString &name, int top, int height)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setGeometry(0, top, parent->width(), height);
    return panel;
}

// A picture stretched over the whole band; created first, so it is the band's
// child at position 0 and lies under everything else on it.
QLabel *makeBackground(QWidget *panel, const QString &name, const QString &resource)
{
    auto *picture = new QLabel(panel);
    picture->setObjectName(name);
    picture->setScaledContents(true);
    picture->setPixmap(QPixmap(resource));
    picture->setGeometry(panel->rect());
    return picture;
}

struct PictureCommand {
    const char16_t *caption;
    const char16_t *bitmap;
    void (TStartFrm::*handler)();
    QAction *TStartFrm::*command; // null: the picture acts at any time
};

// Start and close act at any time (during a press they are its stop requests);
// the pictures that open screens follow their commands, so that no screen
// opens under a running press.
const PictureCommand kPictures[] = {
    {u"开始", u":/pictures/button_start.bmp", &TStartFrm::ActStartExecute, nullptr},
    {u"系统设置", u":/pictures/button_setup.bmp", &TStartFrm::ActSetupExecute, &TStartFrm::ActSetup},
    {u"设置奖项", u":/pictures/button_setitem.bmp", &TStartFrm::ActSetItemExecute, &TStartFrm::ActSetItem},
    {u"当前奖项", u":/pictures/button_curritem.bmp", &TStartFrm::ActSetCurrItemExecute, &TStartFrm::ActSetCurrItem},
    {u"获奖名单", u":/pictures/button_list.bmp", &TStartFrm::ActListExecute, &TStartFrm::ActList},
    {u"退出系统", u":/pictures/button_close.bmp", &TStartFrm::ActCloseExecute, nullptr},
};

} // namespace

TStartFrm::TStartFrm(Services &services, QWidget *parent)
    : QWidget(parent), services(services), round(*services.db, *services.pacer)
{
    setObjectName(u"StartFrm"_s);
    setWindowTitle(applicationTitle());
    setWindowFlag(Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, kWindowRed);
    setPalette(p);
    setFont(xiHeiFont());
    // The window is the size of the screen from the start: the layout values
    // are computed from its width while it is being created, and where no
    // window manager runs nobody would enlarge it later.
    if (QScreen *s = QGuiApplication::primaryScreen())
        setGeometry(s->geometry());
    else
        setGeometry(0, 0, 1024, 768);
    buildScreen();
    buildCommands();
    FormCreate();
}

TStartFrm::~TStartFrm() = default;

void TStartFrm::buildScreen()
{
    Panel1 = makePanel(this, u"Panel1"_s, 0, 80);
    Panel2 = makePanel(this, u"Panel2"_s, 80, kPanel2Height);
    Panel3 = makePanel(this, u"Panel3"_s, 480, kPanel3Height);
    Panel4 = makePanel(this, u"Panel4"_s, 660, 60);
    Panel4->setAutoFillBackground(true);
    QPalette barPalette = Panel4->palette();
    barPalette.setColor(QPalette::Window, kWindowRed);
    Panel4->setPalette(barPalette);

    TitleImage = makeBackground(Panel1, u"TitleImage"_s, u":/pictures/title.jpg"_s);
    Image1 = makeBackground(Panel2, u"Image1"_s, u":/pictures/stage.jpg"_s);
    DigitsImage = makeBackground(Panel3, u"DigitsImage"_s, u":/pictures/digits.jpg"_s);

    // The system's window colour: white in the standard scheme.
    Titles = makeLabel(Panel1, u"Titles"_s, QString(), 33, QGuiApplication::palette().color(QPalette::Base));
    Titles->setAlignment(Qt::AlignCenter);
    Titles->setGeometry(0, 16, width(), 41);

    descs = makeLabel(Panel2, u"descs"_s, u"本次是第几轮抽奖,正在抽取第几位......"_s, 24, QColor(0xFF, 0, 0));
    descs->setAlignment(Qt::AlignCenter);
    descs->setGeometry(0, 320, width(), 31);
    // The winner line covers the last pixels of the description line; the
    // text is centred in the part above it, so that no glyph is cut off.
    descs->setContentsMargins(0, 0, 0, 6);

    EmpName = makeLabel(Panel2, u"EmpName"_s, u"本次中奖者是:......"_s, 37, Qt::white);
    EmpName->setAlignment(Qt::AlignCenter);
    EmpName->setAutoFillBackground(true);
    QPalette ep = EmpName->palette();
    ep.setColor(QPalette::Window, QColor(0xEA, 0, 0));
    EmpName->setPalette(ep);
    EmpName->setGeometry(96, 347, 825, 59);

    for (int i = 0; i < 6; ++i) {
        // The design size of a digit; the layout values depend on it.
        QLabel *digit = makeLabel(Panel3, u"number%1"_s.arg(i + 1), u"0"_s, 107, QColor(0xFF, 0, 0));
        digit->setAlignment(Qt::AlignCenter);
        digit->setGeometry(0, 0, kDigitWidth, kDigitHeight);
        numbers[static_cast<size_t>(i)] = digit;
    }

    for (int i = 0; i < 6; ++i) {
        const PictureCommand &entry = kPictures[i];
        auto *image = new PictureButton(u"Image%1"_s.arg(i + 2), QString::fromUtf16(entry.caption), Panel4);
        image->setGeometry(104 + 136 * i, 12, 105, 41);
        image->setPicture(QImage(QString::fromUtf16(entry.bitmap)));
        image->onClick = [this, entry] {
            if (entry.command && !(this->*entry.command)->isEnabled())
                return;
            guarded([this, entry] { (this->*entry.handler)(); });
        };
        images[static_cast<size_t>(i)] = image;
    }
}

void TStartFrm::buildCommands()
{
    auto command = [this](const QString &name, const QString &caption, QList<QKeySequence> keys, void (TStartFrm::*handler)()) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
        addAction(action);
        return action;
    };
    ActStart = command(u"ActStart"_s, u"ActStart"_s, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
                       &TStartFrm::ActStartExecute);
    ActSetItem = command(u"ActSetItem"_s, u"设置奖项"_s, {QKeySequence(Qt::Key_F8)}, &TStartFrm::ActSetItemExecute);
    ActSetCurrItem = command(u"ActSetCurrItem"_s, u"设置当前奖项"_s, {QKeySequence(Qt::Key_F9)}, &TStartFrm::ActSetCurrItemExecute);
    ActSetup = command(u"ActSetup"_s, u"系统设置"_s, {QKeySequence(Qt::Key_F10)}, &TStartFrm::ActSetupExecute);
    ActList = command(u"ActList"_s, u"中奖名单"_s, {QKeySequence(Qt::Key_F11)}, &TStartFrm::ActListExecute);
    ActSetBlank = command(u"ActSetBlank"_s, u"黑名单"_s, {QKeySequence(Qt::Key_F2)}, &TStartFrm::ActSetBlankExecute);
    ActClose = command(u"ActClose"_s, u"ActClose"_s, {QKeySequence(Qt::Key_Escape)}, &TStartFrm::ActCloseExecute);
}

void TStartFrm::FormCreate()
{
    SetDisplayMode(1024, 768);
    services.settings = LoadSettings(services.exeFolder);
    round.setCurrItemNo(0);
    round.clearRosterIndex();
    ConnectDatabase();
    // A failure while loading is reported; the window still opens with its
    // design-time contents, and the rest of the start-up is skipped.
    guarded([this] {
        refreshAfterScreen(
            [this] {
                ReloadDrawData();
                Titles->setText(services.settings.ATltle);
                layOutScreen();
                setDescription(round.drawingLine());
            },
            false);
    });
}

bool TStartFrm::ConnectDatabase()
{
    const QString error = services.db->open(services.exeFolder + u"config.dll"_s);
    // What the start checks found is said now, not at the first winner.
    for (const QString &notice : services.db->notices())
        services.dialogs->notify(this, notice, u"错误信息"_s, Dialogs::Icon::Warning);
    if (!error.isEmpty()) {
        services.dialogs->notify(this, error, u"错误信息"_s, Dialogs::Icon::Warning);
        return false;
    }
    return true;
}

void TStartFrm::layOutScreen()
{
    const int W = width();
    layout = LayoutValues::compute(W, kPanel2Height, kPanel3Height, numbers[0]->height());
    Titles->setGeometry(0, Titles->y(), W, Titles->height());
    int left = layout.DigitLeft;
    for (QLabel *digit : numbers) {
        digit->move(left, layout.DigitTop);
        left += digit->width() + layout.DigitGap;
    }
    descs->setGeometry(0, layout.DescsTop, W, descs->height());
}

void TStartFrm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (QWidget *panel : {Panel1, Panel2, Panel3, Panel4}) {
        if (panel)
            panel->resize(width(), panel->height());
    }
    for (QLabel *picture : {TitleImage, Image1, DigitsImage}) {
        if (picture)
            picture->setGeometry(picture->parentWidget()->rect());
    }
}

void TStartFrm::closeEvent(QCloseEvent *event)
{
    if (pressInProgress()) {
        engine().requestClose();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TStartFrm::keyPressEvent(QKeyEvent *event)
{
    // Keys act only through the command shortcuts.
    event->accept();
}

void TStartFrm::setDescription(const QString &text) { descs->setText(text); }

QString TStartFrm::description() const { return descs->text(); }

void TStartFrm::guarded(const std::function<void()> &step) { runReported(*services.dialogs, step); }
