#pragma once
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QScreen;
class QWidget;

// The screens are designed for a 1024 x 768 display. Every screen is laid out
// in those logical pixels; Qt presents each monitor at its own factor, about
// s = min(W / 1024, H / 768) of that monitor, and each full-screen page
// centres its 1024 x 768 stage in the logical size it gets, its backgrounds
// continued to the edges. Where each window goes is decided by the stage
// policy (stagepolicy.h); a window only says what it is.
namespace Stage {

inline constexpr QSize kSize{1024, 768};

// The factor that shows the whole design as large as a screen of this many
// device pixels allows.
double scaleFor(const QSize &screenPixels);

// The factor Qt is given for a screen of this many device pixels: the stage
// factor, moved by at most a few ten-thousandths where needed so that the
// screen's logical size maps back onto exactly its pixels (at 2.8125 a 3840
// pixel row is 1365.33 logical pixels, and neither 1365 nor 1366 covers it
// exactly; at 2.813 1365 does). A window the size of the screen then covers
// the screen and not a pixel of the next one.
double screenFactor(const QSize &screenPixels);

// The stage in a page of the given logical size: the design size, centred;
// along a side where the page is smaller than the design, the page's own size.
QRect rectIn(const QSize &page);

// The logical rectangle a full-screen window takes so that it covers exactly
// the pixels of the screen: the logical side whose pixels, rounded as Qt
// rounds them, are the screen's; where no side does, the one that comes
// closest without reaching into the next screen.
QRect coverOf(const QScreen *screen);

// A rectangle given in the design's coordinates, placed on the page's stage.
QRect place(const QSize &page, const QRect &design);

// What a window is, for the policy that places it.
enum class Role {
    Other, // message boxes, file dialogs, input boxes, small screens: on the operator's screen
    Stage, // the main screen: full-screen on the stage screen
    Page, // a full-screen administration page: full-screen on the operator's screen
    Placed, // a dialog with a design place on the operator screen's stage
    Console, // the operator's console: maximised on the operator's screen while the stage has one of its own
};

// Declares a window's role (and a Placed dialog's top-left design place) and
// has it placed at once, so that it has its size while it is built.
void declare(QWidget *window, Role role, const QPoint &designTopLeft = {});
Role roleOf(const QWidget *window);
QPoint designPlaceOf(const QWidget *window);

// One connected screen as the choice of the stage screen sees it.
struct ScreenInfo {
    QString name;
    QSize pixels;
    bool primary = false;
};

// The stage screen among these: the one named `preferred` when connected;
// otherwise the largest one that is not the primary; with one screen, that
// one. -1 for no screens.
int chooseStageScreen(const QList<ScreenInfo> &screens, const QString &preferred);

// The operator's screen: the primary, or when the stage is on the primary,
// the largest other one; with one screen, that one.
int chooseOperatorScreen(const QList<ScreenInfo> &screens, int stage);

} // namespace Stage
