#include "ui/common/stage.h"

#include "ui/common/stagepolicy.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <QtGui/private/qhighdpiscaling_p.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <qpa/qplatformscreen.h>

namespace Stage {

namespace {
constexpr char kRoleProperty[] = "stageRole";
constexpr char kPlaceProperty[] = "stageDesignPlace";

// Qt maps a logical size to pixels and back by rounding each way.
bool mapsExactly(int pixels, int logical, double factor)
{
    return logical > 0 && qRound(logical * factor) == pixels && qRound(pixels / factor) == logical;
}
} // namespace

double scaleFor(const QSize &screenPixels)
{
    if (screenPixels.isEmpty())
        return 1.0;
    return std::min(double(screenPixels.width()) / kSize.width(), double(screenPixels.height()) / kSize.height());
}

double screenFactor(const QSize &screenPixels)
{
    const double s = scaleFor(screenPixels);
    if (screenPixels.isEmpty())
        return s;
    const int w = screenPixels.width();
    const int h = screenPixels.height();
    if (mapsExactly(w, qRound(w / s), s) && mapsExactly(h, qRound(h / s), s))
        return s;
    // Each pair of logical sides next to the exact ones allows an interval of
    // factors that round back to both pixel sides; the nearest factor to s
    // in any of them. The sides stay at least the design's (w / s >= 1024).
    double best = s;
    double bestDistance = std::numeric_limits<double>::max();
    const auto sides = [s](int pixels) {
        return std::array<int, 2>{int(std::floor(pixels / s)), int(std::ceil(pixels / s))};
    };
    for (const int lw : sides(w)) {
        for (const int lh : sides(h)) {
            if (lw <= 0 || lh <= 0)
                continue;
            const double low = std::max((w - 0.5) / lw, (h - 0.5) / lh);
            const double high = std::min((w + 0.5) / lw, (h + 0.5) / lh);
            if (!(low < high))
                continue;
            const double margin = (high - low) / 4;
            const double f = std::clamp(s, low + margin, high - margin);
            if (mapsExactly(w, lw, f) && mapsExactly(h, lh, f) && std::abs(f - s) < bestDistance) {
                best = f;
                bestDistance = std::abs(f - s);
            }
        }
    }
    return best;
}

QRect rectIn(const QSize &page)
{
    const int width = std::min(page.width(), kSize.width());
    const int height = std::min(page.height(), kSize.height());
    return {(page.width() - width) / 2, (page.height() - height) / 2, width, height};
}

QRect coverOf(const QScreen *screen)
{
    if (!screen)
        return QRect(QPoint(0, 0), kSize);
    const QRect logical = screen->geometry();
    const QPlatformScreen *platform = screen->handle();
    if (!platform)
        return logical;
    const QRect native = platform->geometry();
    const double factor = QHighDpiScaling::factor(screen);
    const auto cover = [factor](int pixels, int side) {
        // The side that maps onto the pixels, else the largest that stays inside.
        for (const int candidate : {side, side + 1, side - 1})
            if (qRound(candidate * factor) == pixels)
                return candidate;
        int inside = side + 1;
        while (inside > 1 && qRound(inside * factor) > pixels)
            --inside;
        return inside;
    };
    return {logical.topLeft(), QSize(cover(native.width(), logical.width()), cover(native.height(), logical.height()))};
}

QRect place(const QSize &page, const QRect &design) { return design.translated(rectIn(page).topLeft()); }

Role roleOf(const QWidget *window)
{
    const QVariant role = window->property(kRoleProperty);
    return role.isValid() ? static_cast<Role>(role.toInt()) : Role::Other;
}

QPoint designPlaceOf(const QWidget *window) { return window->property(kPlaceProperty).toPoint(); }

void declare(QWidget *window, Role role, const QPoint &designTopLeft)
{
    window->setProperty(kRoleProperty, static_cast<int>(role));
    window->setProperty(kPlaceProperty, designTopLeft);
    StagePolicy::placeWindow(window);
}

int chooseStageScreen(const QList<ScreenInfo> &screens, const QString &preferred)
{
    if (screens.isEmpty())
        return -1;
    if (!preferred.isEmpty())
        for (qsizetype i = 0; i < screens.size(); ++i)
            if (screens[i].name == preferred)
                return int(i);
    int best = -1;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i].primary)
            continue;
        const qint64 area = qint64(screens[i].pixels.width()) * screens[i].pixels.height();
        if (best < 0 || area > qint64(screens[best].pixels.width()) * screens[best].pixels.height())
            best = int(i);
    }
    if (best >= 0)
        return best;
    return 0;
}

int chooseOperatorScreen(const QList<ScreenInfo> &screens, int stage)
{
    if (screens.size() < 2)
        return screens.isEmpty() ? -1 : 0;
    int best = -1;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (int(i) == stage)
            continue;
        if (screens[i].primary)
            return int(i);
        const qint64 area = qint64(screens[i].pixels.width()) * screens[i].pixels.height();
        if (best < 0 || area > qint64(screens[best].pixels.width()) * screens[best].pixels.height())
            best = int(i);
    }
    return best;
}

} // namespace Stage
