#include "ui/main/startfrm.h"
#include "ui/common/commitmentmark.h"

#include "admin/operatorpassword.h"

#include "base/dialogs.h"
#include "base/errors.h"
#include "base/pacer.h"
#include "base/platform.h"
#include "base/settings.h"
#include "ui/common/screenfonts.h"
#include "ui/common/stage.h"
#include "ui/common/stagebackdrop.h"
#include "draw/drawengine.h"
#include "draw/presslimit.h"
#include "media/photofolder.h"
#include "media/picturecache.h"
#include "ui/main/descriptionline.h"
#include "ui/main/stagecover.h"
#include "ui/main/picturebutton.h"
#include "ui/main/rollingdigit.h"
#include "ui/main/winnerboard.h"
#include "ui/main/winnerline.h"
#include "store/database.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QColor kWindowRed(0xDA, 0x26, 0x1D);

template <typename Label = QLabel> Label *styled(Label *label, int pixelSize, const QColor &colour)
{
    label->setFont(yaHeiFont(pixelSize, true));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

// Design places of the bands (top, height) on the stage.
constexpr int kTitleTop = 0, kTitleHeight = 80;
constexpr int kDrawTop = 80;
constexpr int kDigitsTop = 480;
constexpr int kBarTop = 660, kBarHeight = 60;
constexpr QRect kTitlesPlace{0, 16, 1024, 41};
constexpr QRect kWinnerLinePlace{96, 347, 825, 59};
constexpr int kButtonLeft = 104, kButtonPitch = 136, kButtonTop = 12;
constexpr QSize kButtonSize{105, 41};

QWidget *makePanel(QWidget *parent, const QString &name)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(name);
    return panel;
}

// The band's picture, created first, so it is the band's child at position 0
// and lies under everything else on it.
StageBackdrop *makeBackground(QWidget *panel, const QString &name, const QString &resource)
{
    auto *picture = new StageBackdrop(panel);
    picture->setObjectName(name);
    picture->setPixmap(QPixmap(resource));
    return picture;
}

struct PictureCommand {
    const char16_t *caption;
    const char16_t *bitmap;
    void (TStartFrm::*handler)();
    QAction *TStartFrm::*command; // null: the picture acts at any time
};

} // namespace

TStartFrm::TStartFrm(const Folders &folders, Settings &settings, Database &db, Dialogs &dialogs, Pacer &pacer,
                     RandomPosition &random, SoundPlayer &sound, QWidget *parent)
    : QWidget(parent), round(db, pacer), m_folders(folders), m_settings(settings), m_db(db), m_dialogs(dialogs),
      m_pacer(pacer), m_random(random), m_sound(sound), m_pictures(std::make_unique<PictureCache>()),
      m_photos(std::make_unique<PhotoFolder>()),
      m_password(std::make_unique<OperatorPassword>(folders.data, settings, pacer)),
      m_settingsModel(std::make_unique<SettingsModel>(settings, folders.data, folders.program))
{
    setObjectName(u"StartFrm"_s);
    setWindowTitle(applicationTitle());
    setWindowFlag(Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, kWindowRed);
    setPalette(p);
    setFont(xiHeiFont());
    // The window is the size of its screen from the start: the layout values
    // are computed from its width while it is being created, and where no
    // window manager runs nobody would enlarge it later.
    Stage::declare(this, Stage::Role::Stage);
    buildScreen();
    buildCommands();
    connect(m_settingsModel.get(), &SettingsModel::changed, this, &TStartFrm::settingsChanged);
    FormCreate();
}

TStartFrm::~TStartFrm() = default;

void TStartFrm::buildScreen()
{
    // First, so that it lies under the bands.
    Cover = new StageCover(this);
    Cover->hide();
    Panel1 = makePanel(this, u"Panel1"_s);
    Panel2 = makePanel(this, u"Panel2"_s);
    Panel3 = makePanel(this, u"Panel3"_s);
    Panel4 = makePanel(this, u"Panel4"_s);
    Panel4->setAutoFillBackground(true);
    QPalette barPalette = Panel4->palette();
    barPalette.setColor(QPalette::Window, kWindowRed);
    Panel4->setPalette(barPalette);

    TitleImage = makeBackground(Panel1, u"TitleImage"_s, u":/pictures/title.jpg"_s);
    Image1 = makeBackground(Panel2, u"Image1"_s, u":/pictures/stage.jpg"_s);
    DigitsImage = makeBackground(Panel3, u"DigitsImage"_s, u":/pictures/digits.jpg"_s);
    m_board = new WinnerBoard(Panel2);
    m_board->setPictureCache(m_pictures.get());
    // A press never waits for a picture: what is not decoded yet is shown
    // once it is.
    m_pictures->setDecodeElsewhere(true);
    connect(m_pictures.get(), &PictureCache::decoded, this, [this] {
        if (!m_linePhotoCode.isEmpty())
            showLinePhoto();
        if (!m_backgroundPath.isEmpty() || !m_logoPath.isEmpty())
            showLook();
    });

    // The system's window colour: white in the standard scheme.
    // A long title is drawn smaller and then shortened, inside the band.
    Titles = styled(new DescriptionLine(Panel1, titleKeepFrom), 33, QGuiApplication::palette().color(QPalette::Base));
    Titles->setObjectName(u"Titles"_s);
    Titles->setAlignment(Qt::AlignCenter);
    m_commitment = new CommitmentMark(Panel4);
    Logo = new QLabel(Panel1);
    Logo->setObjectName(u"StageLogo"_s);
    Logo->hide();

    descs = styled(new DescriptionLine(Panel2), 24, QColor(0xFF, 0, 0));
    descs->setObjectName(u"descs"_s);
    descs->setText(u"本次是第几轮抽奖,正在抽取第几位......"_s);
    descs->setAlignment(Qt::AlignCenter);
    // The winner line covers the last pixels of the description line; the
    // text is centred in the part above it, so that no glyph is cut off.
    descs->setContentsMargins(0, 0, 0, 6);

    EmpName = styled(new WinnerLine(u"本次中奖者是:......"_s, Panel2), 37, Qt::white);
    EmpName->setObjectName(u"EmpName"_s);
    EmpName->setAlignment(Qt::AlignCenter);
    EmpName->setAutoFillBackground(true);
    QPalette ep = EmpName->palette();
    ep.setColor(QPalette::Window, QColor(0xEA, 0, 0));
    EmpName->setPalette(ep);

    for (int i = 0; i < 6; ++i) {
        auto *digit = styled(new RollingDigit(u"number%1"_s.arg(i + 1), Panel3), 107, QColor(0xFF, 0, 0));
        digit->setText(u"0"_s);
        numbers[static_cast<size_t>(i)] = digit;
    }

    // Start and close act at any time (during a press they are its stop requests);
    // the pictures that open screens follow their commands, so that no screen
    // opens under a running press.
    const PictureCommand kPictures[] = {
        {u"开始", u":/pictures/button_start.png", &TStartFrm::ActStartExecute, nullptr},
        {u"系统设置", u":/pictures/button_setup.png", &TStartFrm::ActSetupExecute, &TStartFrm::ActSetup},
        {u"设置奖项", u":/pictures/button_setitem.png", &TStartFrm::ActSetItemExecute, &TStartFrm::ActSetItem},
        {u"当前奖项", u":/pictures/button_curritem.png", &TStartFrm::ActSetCurrItemExecute, &TStartFrm::ActSetCurrItem},
        {u"获奖名单", u":/pictures/button_list.png", &TStartFrm::ActListExecute, &TStartFrm::ActList},
        {u"退出系统", u":/pictures/button_close.png", &TStartFrm::ActCloseExecute, nullptr},
    };
    for (int i = 0; i < 6; ++i) {
        const PictureCommand &entry = kPictures[i];
        auto *image = new PictureButton(u"Image%1"_s.arg(i + 2), QString::fromUtf16(entry.caption), Panel4);
        image->setPicture(QImage(QString::fromUtf16(entry.bitmap)));
        connect(image, &PictureButton::clicked, this, [this, entry] {
            if (entry.command && !(this->*entry.command)->isEnabled())
                return;
            guarded([this, entry] { (this->*entry.handler)(); });
        });
        images[static_cast<size_t>(i)] = image;
    }
    placeStage();
}

void TStartFrm::buildCommands()
{
    auto command = [this](const QString &name, const QString &caption, QList<QKeySequence> keys,
                          void (TStartFrm::*handler)()) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
        addAction(action);
        return action;
    };
    ActStart = command(u"ActStart"_s, u"ActStart"_s, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
                       &TStartFrm::ActStartExecute);
    ActSetItem = command(u"ActSetItem"_s, u"设置奖项"_s, {QKeySequence(Qt::Key_F8)}, &TStartFrm::ActSetItemExecute);
    ActSetCurrItem =
        command(u"ActSetCurrItem"_s, u"设置当前奖项"_s, {QKeySequence(Qt::Key_F9)}, &TStartFrm::ActSetCurrItemExecute);
    ActSetup = command(u"ActSetup"_s, u"系统设置"_s, {QKeySequence(Qt::Key_F10)}, &TStartFrm::ActSetupExecute);
    ActList = command(u"ActList"_s, u"中奖名单"_s, {QKeySequence(Qt::Key_F11)}, &TStartFrm::ActListExecute);
    ActSetBlank = command(u"ActSetBlank"_s, u"黑名单"_s, {QKeySequence(Qt::Key_F2)}, &TStartFrm::ActSetBlankExecute);
    ActClose = command(u"ActClose"_s, u"ActClose"_s, {QKeySequence(Qt::Key_Escape)}, &TStartFrm::ActCloseExecute);
    // Also during a press: a stage on the wrong screen is put right at once.
    ActNextScreen = new QAction(u"下一个显示屏"_s, this);
    ActNextScreen->setObjectName(u"ActNextScreen"_s);
    ActNextScreen->setShortcut(QKeySequence(Qt::Key_F7));
    ActNextScreen->setShortcutContext(Qt::WindowShortcut);
    connect(ActNextScreen, &QAction::triggered, this, [this] { guarded([this] { Q_EMIT nextScreenRequested(); }); });
    addAction(ActNextScreen);
    // The guide changes no data: at any time.
    ActHelp = new QAction(u"使用说明"_s, this);
    ActHelp->setObjectName(u"ActHelp"_s);
    ActHelp->setShortcut(QKeySequence(Qt::Key_F1));
    ActHelp->setShortcutContext(Qt::WindowShortcut);
    connect(ActHelp, &QAction::triggered, this, [this] { Q_EMIT helpRequested(); });
    addAction(ActHelp);
}

void TStartFrm::settingsChanged(const QStringList &keys)
{
    // The loop count, showNo and the roll's setting are read where they are
    // used; the music at the next reload.
    if (keys.contains(u"ATltle"_s))
        Titles->setText(m_settings.ATltle);
    if (keys.contains(u"stageScreen"_s))
        Q_EMIT stageScreenChosen(m_settings.stageScreen);
    for (const char16_t *look : {u"ATltle", u"stageBackground", u"stageLogo", u"showPhotos"}) {
        // The logo stands left of the title's text.
        if (keys.contains(QString::fromUtf16(look))) {
            applyLook();
            break;
        }
    }
}

void TStartFrm::FormCreate()
{
    SetDisplayMode(1024, 768);
    m_settings = LoadSettings(m_folders.data, m_folders.program);
    // Until LoadDrawData has run, commands wait as they do during a refresh.
    m_refreshing = true;
    m_connected = ConnectDatabase();
    if (m_connected)
        Titles->setText(m_settings.ATltle);
    // The places do not depend on the data: the digits and the board keep
    // them also when the database could not be read.
    layOutScreen();
    applyLook();
    if (m_connected)
        setDescription(loadingText());
}

QString TStartFrm::loadingText() { return u"正在读取员工资料，请稍候……"_s; }

void TStartFrm::LoadDrawData()
{
    // A failure while loading is reported; the window keeps its design-time
    // texts. No command runs inside the loading, which lets events through;
    // a start press given meanwhile runs once the roster is there.
    if (!m_connected) {
        m_refreshing = false;
        return;
    }
    guarded([this] {
        refreshAfterScreen([this] {
            // The window is painted before the file is read through.
            m_pacer.pump();
            // A damaged file is refused before anything is read from it, as
            // at the start; a later start press tries it again.
            if (const QString error = m_db.checkWholeFile(); !error.isEmpty()) {
                m_connected = false;
                m_dialogs.notify(this, error, u"错误信息"_s, Dialogs::Icon::Warning);
                setDescription(u"本次是第几轮抽奖,正在抽取第几位......"_s);
                return;
            }
            ReloadDrawData();
            // The item chosen or reached before, as long as it is open.
            round.takeStoredItem();
            PrepareCurrentPrize();
        });
    });
}

bool TStartFrm::ConnectDatabase()
{
    // The whole file is read once the window shows (LoadDrawData).
    const QString error = m_db.openChecksLater(m_folders.data + u"config.dll"_s);
    // What the start checks found is said now, not at the first winner.
    for (const QString &notice : m_db.notices())
        m_dialogs.notify(this, notice, u"错误信息"_s, Dialogs::Icon::Warning);
    if (!error.isEmpty()) {
        m_dialogs.notify(this, error, u"错误信息"_s, Dialogs::Icon::Warning);
        return false;
    }
    return true;
}

void TStartFrm::layOutScreen()
{
    // The design's width: the stage's, whatever the screen.
    const int W = Stage::rectIn(size()).width();
    layout = LayoutValues::compute(W, kPanel2Height, kPanel3Height, kDigitHeight);
    placeStage();
}

void TStartFrm::placeStage()
{
    const QRect stage = Stage::rectIn(size());
    const int x0 = stage.left();
    const int y0 = stage.top();
    // The title band also runs up to the window's top edge when the screen is
    // taller than the design; below the button bar the window colour shows.
    Panel1->setGeometry(0, 0, width(), y0 + kTitleTop + kTitleHeight);
    Panel2->setGeometry(0, y0 + kDrawTop, width(), kPanel2Height);
    Panel3->setGeometry(0, y0 + kDigitsTop, width(), kPanel3Height);
    Panel4->setGeometry(0, y0 + kBarTop, width(), kBarHeight);
    for (StageBackdrop *picture : {TitleImage, Image1, DigitsImage})
        picture->setGeometry(picture->parentWidget()->rect());
    TitleImage->setPictureRows(y0 + kTitleTop, kTitleHeight);

    Titles->setGeometry(x0 + kTitlesPlace.x(), y0 + kTitlesPlace.y(), stage.width(), kTitlesPlace.height());
    // The board spans the window: a large press spreads over its whole width.
    m_board->setGeometry(0, 0, width(), std::max(layout.DescsTop, 0));
    m_board->setPlaces(layout, x0);
    descs->setGeometry(x0, layout.DescsTop, stage.width(), 31);
    EmpName->setGeometry(kWinnerLinePlace.translated(x0, 0));
    // Each digit's cell is its design size; a wider text widens it about its
    // centre, so the cells, not the texts, keep the lefts of the formula.
    int left = x0 + layout.DigitLeft;
    for (RollingDigit *digit : numbers) {
        digit->setCell(QRect(left, layout.DigitTop, kDigitWidth, kDigitHeight));
        left += kDigitWidth + layout.DigitGap;
    }
    for (int i = 0; i < 6; ++i)
        images[static_cast<size_t>(i)]->setGeometry(
            QRect(QPoint(x0 + kButtonLeft + kButtonPitch * i, kButtonTop), kButtonSize));
    // Right of the last button, the bar's height less a margin.
    m_commitment->setGeometry(x0 + kButtonLeft + kButtonPitch * 5 + kButtonSize.width() + 4, 2,
                              1024 - (kButtonLeft + kButtonPitch * 5 + kButtonSize.width() + 4) - 2, kBarHeight - 4);
    placeLook();
}

void TStartFrm::applyLook()
{
    const QString folder = picturesFolder(m_folders.data);
    auto path = [&folder](const QString &name) { return name.isEmpty() ? QString() : folder + name; };
    m_backgroundPath = path(m_settings.stageBackground);
    m_logoPath = path(m_settings.stageLogo);
    *m_photos = m_settings.showPhotos ? PhotoFolder(photosFolder(m_folders.data)) : PhotoFolder();
    m_prizePictureItem = -1;
    showLook();
}

void TStartFrm::showLook()
{
    // The pictures named in the settings are decoded off the screen's thread
    // at the sizes shown; the delivered artwork stands until the background
    // is there. One that was damaged or replaced since it was chosen is named
    // once, and the stage keeps the delivered artwork in its place.
    QString errors[2];
    placeLook(&errors[0], &errors[1]);
    for (const QString &error : errors) {
        if (!error.isEmpty())
            m_dialogs.notify(this, error + u"\n舞台将使用默认图片，请在“系统设置”的“舞台外观”中重新选择。"_s,
                             u"系统提示"_s, Dialogs::Icon::Warning);
    }
    if (!errors[0].isEmpty())
        m_backgroundPath.clear();
    if (!errors[1].isEmpty())
        m_logoPath.clear();
    const bool covered = !m_backgroundPath.isEmpty() && Cover->hasPicture();
    Cover->setVisible(covered);
    Cover->lower();
    for (StageBackdrop *picture : {TitleImage, Image1, DigitsImage})
        picture->setVisible(!covered);
    Panel4->setAutoFillBackground(!covered);
    placeLook();
}

QString TStartFrm::photoOf(const QString &code, const QString &factory) const
{
    return m_photos->photoOf(code, factory);
}

QString TStartFrm::prizePicture(int recNo) const
{
    if (recNo != m_prizePictureItem) {
        m_prizePictureItem = recNo;
        m_prizePicturePath = recNo > 0 ? prizePicturePath(picturesFolder(m_folders.data), recNo) : QString();
    }
    return m_prizePicturePath;
}

void TStartFrm::placeLook(QString *backgroundError, QString *logoError)
{
    if (!Cover)
        return;
    const QRect stage = Stage::rectIn(size());
    const int x0 = stage.left();
    const int y0 = stage.top();
    const qreal ratio = devicePixelRatioF();
    if (!m_backgroundPath.isEmpty()) {
        // A logical pixel beyond the window: at a fractional scale the
        // screen's last column is only partly inside the window's rect.
        Cover->setGeometry(rect().adjusted(0, 0, 1, 1));
        const QSize pixels = (QSizeF(size()) * ratio).toSize();
        // A size still being decoded keeps the picture of the last size meanwhile.
        QString error;
        const QImage picture = m_pictures->scaled(m_backgroundPath, pixels, PictureCache::Fit::Cover, &error);
        if (backgroundError)
            *backgroundError = error;
        if (!picture.isNull() || !error.isEmpty() || !Cover->hasPicture())
            Cover->setPicture(picture);
        // Fills that keep the stage's texts readable on a busy picture.
        QColor band = kWindowRed;
        band.setAlpha(190);
        const QRect firstDigit = numbers.front()->cell().translated(0, Panel3->y());
        const QRect lastDigit = numbers.back()->cell().translated(0, Panel3->y());
        const QRect digits = QRect(firstDigit.topLeft(), lastDigit.bottomRight()).adjusted(-24, -10, 24, 10);
        Cover->setFills({
            {QRect(0, 0, width(), y0 + kTitleTop + kTitleHeight), band, 0, QColor()},
            {descs->geometry().translated(0, Panel2->y()).adjusted(16, 0, -16, 0), QColor(255, 255, 255, 230), 8,
             QColor()},
            {digits, Qt::white, 28, QColor(0xF6, 0xC4, 0x45)},
            {QRect(0, y0 + kBarTop, width(), kBarHeight), band, 0, QColor()},
        });
    }
    Logo->setVisible(!m_logoPath.isEmpty());
    if (m_logoPath.isEmpty())
        return;
    // As high as the title band less a margin, its own proportions and
    // transparency kept, left of the title's text.
    constexpr int kLogoMargin = 6;
    constexpr int kWidest = 320;
    const int height = kTitleHeight - 2 * kLogoMargin;
    const QSize room = (QSizeF(kWidest, height) * ratio).toSize();
    QImage logo = m_pictures->scaled(m_logoPath, room, PictureCache::Fit::Inside, logoError);
    logo.setDevicePixelRatio(ratio);
    Logo->setPixmap(QPixmap::fromImage(logo));
    const QSize shown = logo.deviceIndependentSize().toSize();
    // The title keeps clear of the logo on both sides, so it stays centred.
    const int aside = logo.isNull() ? 0 : shown.width() + 24;
    Titles->setContentsMargins(aside, 0, aside, 0);
    auto *title = static_cast<DescriptionLine *>(Titles);
    QFont shownFont = Titles->font();
    shownFont.setPixelSize(title->shownPixelSize());
    const int textWidth = Titles->text().isEmpty() ? 0 : int(std::ceil(clusterWidth(shownFont, title->shownText())));
    const int centre = x0 + stage.width() / 2;
    const int right = textWidth == 0 ? centre + shown.width() / 2 : centre - textWidth / 2 - 16;
    Logo->setGeometry(std::max(right - shown.width(), x0 + 8), y0 + kTitleTop + (kTitleHeight - shown.height()) / 2,
                      shown.width(), shown.height());
}

void TStartFrm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (Panel1)
        layOutScreen();
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

void TStartFrm::setDescription(const QString &text)
{
    descs->setText(text);
    // Every change of the current item comes with a new description line.
    m_board->setItemPicture(prizePicture(round.currItemNo()));
    Q_EMIT shownChanged();
}

QString TStartFrm::description() const { return descs->text(); }

void TStartFrm::guarded(const std::function<void()> &step) { runReported(m_dialogs, this, step); }

// The first winner of a press sets the board up for the whole press: a box
// for each winner it will draw, and the caption naming what they win, so that
// the board keeps saying it while the next item's ready line stands below.
void TStartFrm::AddBoardLabel(const QString &code, const QString &name, const QString &factory, int n)
{
    m_pacer.pump();
    if (n == 1 || m_board->count() == 0) {
        m_pressWinners.clear();
        m_pressItem = round.currItemNo();
        const int left = std::max(round.currSumNumber() - round.currExcNum(), 1);
        m_board->setPressSize(std::min(winnersOfOnePress(round.perPress()), left));
        m_board->setCaption(boardCaption(round.currItemName(), round.currAwards()));
        m_board->setCaptionPicture(prizePicture(round.currItemNo()));
    }
    const QString photo = photoOf(code, factory);
    m_board->add(n, m_settings.showNo ? code : factory, name, photo);
    // The winner's photo beside the name on the winner line, which shows them
    // now, or once it is decoded while they are still shown.
    m_linePhotoCode = photo.isEmpty() ? QString() : code;
    m_linePhotoPath = photo;
    showLinePhoto();
    std::erase_if(m_pressWinners, [n](const ShownWinner &w) { return w.n == n; });
    m_pressWinners.push_back({n, code, name, factory, photo});
    Q_EMIT shownChanged();
}

void TStartFrm::showLinePhoto()
{
    QPixmap linePhoto;
    if (!m_linePhotoCode.isEmpty()) {
        const qreal ratio = EmpName->devicePixelRatioF();
        const int h = EmpName->height() - 6;
        QImage image =
            m_pictures->scaled(m_linePhotoPath, (QSizeF(h * 3 / 4, h) * ratio).toSize(), PictureCache::Fit::Cover);
        image.setDevicePixelRatio(ratio);
        linePhoto = QPixmap::fromImage(image);
    }
    static_cast<WinnerLine *>(EmpName)->setPhoto(linePhoto);
}

QString TStartFrm::boardCaption(const QString &itemName, const QString &awards)
{
    if (itemName.isEmpty() && awards.isEmpty())
        return {};
    return itemName + u" · 奖品:"_s + awards;
}

void TStartFrm::RemoveBoardLabel(int n)
{
    m_board->remove(n);
    std::erase_if(m_pressWinners, [n](const ShownWinner &w) { return w.n == n; });
    Q_EMIT shownChanged();
}

void TStartFrm::ClearBoard()
{
    m_board->clear();
    m_pressWinners.clear();
    Q_EMIT shownChanged();
}
