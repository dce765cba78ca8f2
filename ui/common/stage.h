#pragma once
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

// The screens are designed for a 1024 x 768 display. Every screen is laid out
// in those logical pixels; Qt presents them scaled by s = min(W / 1024, H / 768)
// of the screen, and each full-screen page centres its 1024 x 768 stage in the
// logical size it gets, its backgrounds continued to the edges.
namespace Stage {

inline constexpr QSize kSize{1024, 768};

// The factor that shows the whole design as large as a screen of this many
// device pixels allows.
double scaleFor(const QSize &screenPixels);

// Qt's scale factor that gives the screen the stage factor, given the device
// pixel ratio Qt would use by itself and any factor already asked for.
double qtScaleFactor(const QSize &screenPixels, double platformRatio, double requestedFactor);

// Asks Qt for this scale factor, before the application starts, as it is
// (no rounding to whole numbers).
void useScale(double qtFactor);

// Runs before the program's QApplication: measures the primary screen with a
// short-lived QGuiApplication and sets Qt's scale factor from it (the factor
// must be known before the application that shows the windows starts).
void prepareScaling(int &argc, char **argv);

// The stage in a page of the given logical size: the design size, centred;
// along a side where the page is smaller than the design, the page's own size.
QRect rectIn(const QSize &page);

// The logical rectangle a full-screen window takes so that it covers every
// pixel of the screen: at a fractional factor the screen's logical size is
// rounded down (1365 for 3840 pixels at 2.8125), which would leave the last
// pixel column uncovered, so a side that does not map to whole pixels gets one
// logical pixel more.
QRect coverOf(const QScreen *screen);

// A rectangle given in the design's coordinates, placed on the page's stage.
QRect place(const QSize &page, const QRect &design);

// Moves a dialog so that its top-left corner stands at the given design place
// of the stage of its owner's window (or of the primary screen).
void placeDialog(QWidget *dialog, const QPoint &designTopLeft);

} // namespace Stage
