#include "ui/common/stagepolicy.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <QtGui/private/qhighdpiscaling_p.h>
#include <qpa/qplatformscreen.h>

namespace {

StagePolicy *g_current = nullptr;

QSize pixelsOf(const QScreen *screen)
{
    const QPlatformScreen *platform = screen->handle();
    if (!platform)
        return (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
    return (QSizeF(platform->geometry().size()) * platform->devicePixelRatio()).toSize();
}

QList<Stage::ScreenInfo> infosOf(const QList<QScreen *> &screens)
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    QList<Stage::ScreenInfo> infos;
    for (const QScreen *screen : screens)
        infos.append({screen->name(), pixelsOf(screen), screen == primary});
    return infos;
}

// Top-level windows the policy places; menus, tool tips and pop-ups stay
// where Qt puts them, next to what opened them.
bool isPlaced(const QWidget *widget)
{
    if (!widget->isWindow())
        return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

void coverScreen(QWidget *window, QScreen *screen)
{
    const QRect cover = Stage::coverOf(screen);
    if (QWindow *handle = window->windowHandle(); handle && handle->screen() != screen)
        handle->setScreen(screen);
    if (window->geometry() == cover)
        return;
    // A window manager keeps a full-screen window on its monitor: the state
    // is left while the window moves, and taken again on the new one.
    const bool fullScreen = window->isVisible() && (window->windowState() & Qt::WindowFullScreen);
    if (fullScreen)
        window->setWindowState(window->windowState() & ~Qt::WindowFullScreen);
    window->setGeometry(cover);
    if (fullScreen) {
        window->setWindowState(window->windowState() | Qt::WindowFullScreen);
        // Without a window manager nobody honours the state: the geometry
        // is the screen's.
        window->setGeometry(cover);
    }
}

void placeOn(QWidget *window, QScreen *stage, QScreen *operatorScreen)
{
    if (!stage || !operatorScreen)
        return;
    switch (Stage::roleOf(window)) {
    case Stage::Role::Stage:
        coverScreen(window, stage);
        return;
    case Stage::Role::Page:
        coverScreen(window, operatorScreen);
        return;
    case Stage::Role::Console:
        // Placed by the policy when it is shown (placeConsole).
        return;
    case Stage::Role::Placed: {
        const QRect area = operatorScreen->geometry();
        window->move(area.topLeft() + Stage::rectIn(area.size()).topLeft() + Stage::designPlaceOf(window));
        return;
    }
    case Stage::Role::Other:
        break;
    }
    // Centred on its owner where the owner is on the operator's screen (as Qt
    // would place it; with one screen always), otherwise on that screen. A
    // window its code has moved keeps its place if that is on the screen.
    // Moving it here also keeps a dialog from centring itself on its owner
    // later in its show.
    const QRect area = operatorScreen->availableGeometry();
    QRect frame = window->frameGeometry();
    if (window->testAttribute(Qt::WA_Moved) && area.contains(frame))
        return;
    const QSize margins = frame.size() - window->size();
    const QSize fitted = window->size().boundedTo(area.size() - margins);
    if (fitted != window->size())
        window->resize(fitted);
    frame = window->frameGeometry();
    const QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    const bool overOwner = owner && owner->isVisible() && area.intersects(owner->frameGeometry())
                           && area.contains(owner->frameGeometry().center());
    frame.moveCenter(overOwner ? owner->frameGeometry().center() : area.center());
    // Inside the screen, also when the owner is near its edge.
    frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
    window->move(frame.topLeft());
}

} // namespace

StagePolicy::StagePolicy(const QString &preferredStage, QObject *parent) : QObject(parent), m_preferred(preferredStage)
{
    g_current = this;
    for (QScreen *screen : QGuiApplication::screens()) {
        watch(screen);
        applyFactor(screen);
    }
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watch(screen);
        applyFactor(screen);
        screensChanged();
    });
    // Qt moves the windows of a screen that went away to the primary screen
    // after this signal; the stage is placed now and once more after that.
    connect(qApp, &QGuiApplication::screenRemoved, this, [this] {
        screensChanged();
        QTimer::singleShot(0, this, [this] { screensChanged(); });
    });
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] { screensChanged(); });
    qApp->installEventFilter(this);
    if (QScreen *screen = stageScreen())
        m_stageName = screen->name();
}

StagePolicy::~StagePolicy()
{
    if (g_current == this)
        g_current = nullptr;
}

StagePolicy *StagePolicy::current() { return g_current; }

void StagePolicy::placeWindow(QWidget *window)
{
    if (g_current) {
        g_current->place(window);
        return;
    }
    QScreen *primary = QGuiApplication::primaryScreen();
    placeOn(window, primary, primary);
}

void StagePolicy::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this, screen] {
        applyFactor(screen);
        screensChanged();
    });
}

void StagePolicy::applyFactor(QScreen *screen)
{
    const QPlatformScreen *platform = screen->handle();
    if (!platform)
        return;
    // The platform's own ratio (a desktop at 200 % on some platforms) is part
    // of the product Qt uses: divided out, so that the product is the stage's.
    // With a stage screen of its own, the operator's screen is the laptop's
    // desktop at its own scale: the console is laid out for its real size.
    const double platformRatio = platform->devicePixelRatio() > 0 ? platform->devicePixelRatio() : 1.0;
    const bool stageHere = QGuiApplication::screens().size() < 2 || screen == stageScreen();
    const double factor = stageHere ? Stage::screenFactor(pixelsOf(screen)) / platformRatio : 1.0;
    const auto known = m_factors.constFind(screen->name());
    if (known != m_factors.cend() && *known == factor)
        return;
    m_factors.insert(screen->name(), factor);
    QHighDpiScaling::setScreenFactor(screen, factor);
}

void StagePolicy::setPreferredStage(const QString &name)
{
    m_preferred = name;
    screensChanged();
}

void StagePolicy::showStage(QWidget *stage)
{
    m_stage = stage;
    Stage::declare(stage, Stage::Role::Stage);
    stage->showFullScreen();
    place(stage);
}

QScreen *StagePolicy::stageScreen() const
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    const int i = Stage::chooseStageScreen(infosOf(screens), m_preferred);
    return i < 0 ? nullptr : screens[i];
}

QScreen *StagePolicy::operatorScreen() const
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    const QList<Stage::ScreenInfo> infos = infosOf(screens);
    const int i = Stage::chooseOperatorScreen(infos, Stage::chooseStageScreen(infos, m_preferred));
    return i < 0 ? nullptr : screens[i];
}

QString StagePolicy::moveStageToNextScreen()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return {};
    const qsizetype current = std::max<qsizetype>(0, screens.indexOf(stageScreen()));
    m_preferred = screens[(current + 1) % screens.size()]->name();
    screensChanged();
    return m_preferred;
}

void StagePolicy::placeAll()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && isPlaced(window))
            place(window);
}

bool StagePolicy::consoleWanted() const
{
    QScreen *stage = stageScreen();
    QScreen *own = operatorScreen();
    return QGuiApplication::screens().size() >= 2 && stage && own && stage != own;
}

void StagePolicy::showConsole(QWidget *console)
{
    m_console = console;
    placeConsole();
}

void StagePolicy::placeConsole()
{
    if (!m_console)
        return;
    if (!consoleWanted()) {
        m_console->hide();
        return;
    }
    QScreen *own = operatorScreen();
    if (QWindow *handle = m_console->windowHandle(); handle && handle->screen() != own)
        handle->setScreen(own);
    const QRect area = own->availableGeometry();
    if (!area.contains(m_console->geometry()) || m_console->isHidden()) {
        m_console->setWindowState(m_console->windowState() & ~Qt::WindowMaximized);
        m_console->setGeometry(area);
    }
    // Where no window manager maximises it, the geometry above is its size.
    m_console->showMaximized();
}

void StagePolicy::screensChanged()
{
    // The stage may have changed screens: each screen's scale follows its role.
    for (QScreen *screen : QGuiApplication::screens())
        applyFactor(screen);
    placeAll();
    placeConsole();
    QScreen *screen = stageScreen();
    const QString name = screen ? screen->name() : QString();
    if (name != m_stageName) {
        m_stageName = name;
        Q_EMIT stageScreenChanged(name);
    }
}

void StagePolicy::place(QWidget *window) const { placeOn(window, stageScreen(), operatorScreen()); }

bool StagePolicy::eventFilter(QObject *watched, QEvent *event)
{
    // Show arrives after Qt chose a place (a dialog centred on its owner)
    // and before the window is mapped, so it never appears elsewhere first.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (isPlaced(widget))
            place(widget);
    }
    return QObject::eventFilter(watched, event);
}
