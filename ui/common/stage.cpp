#include "ui/common/stage.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace Stage {

double scaleFor(const QSize &screenPixels)
{
    if (screenPixels.isEmpty())
        return 1.0;
    return std::min(double(screenPixels.width()) / kSize.width(), double(screenPixels.height()) / kSize.height());
}

double qtScaleFactor(const QSize &screenPixels, double platformRatio, double requestedFactor)
{
    // Qt multiplies its global factor with the ratio it derives from the
    // platform (a desktop set to 150 % gives 1.5): divide that out, so that the
    // product is the stage factor.
    if (platformRatio <= 0 || requestedFactor <= 0)
        return scaleFor(screenPixels);
    return requestedFactor * scaleFor(screenPixels) / platformRatio;
}

void useScale(double qtFactor)
{
    // Fractional factors as they are: rounding 1.40625 to 1 or 2 would leave
    // the stage too small or too large for the screen.
    qputenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(qtFactor, 'g', 12));
}

void prepareScaling(int &argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough");
    bool given = false;
    const double requested = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&given);
    QSize pixels;
    double factor = 1.0;
    {
        QGuiApplication probe(argc, argv);
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const double ratio = screen->devicePixelRatio();
        pixels = (QSizeF(screen->geometry().size()) * ratio).toSize();
        factor = qtScaleFactor(pixels, ratio, given && requested > 0 ? requested : 1.0);
    }
    useScale(factor);
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
    const double ratio = screen->devicePixelRatio();
    const auto cover = [ratio](int side) {
        const double pixels = side * ratio;
        return std::abs(pixels - std::round(pixels)) < 1e-6 ? side : side + 1;
    };
    return {logical.topLeft(), QSize(cover(logical.width()), cover(logical.height()))};
}

QRect place(const QSize &page, const QRect &design) { return design.translated(rectIn(page).topLeft()); }

void placeDialog(QWidget *dialog, const QPoint &designTopLeft)
{
    QRect area(QPoint(0, 0), kSize);
    if (const QWidget *owner = dialog->parentWidget())
        area = QRect(owner->window()->mapToGlobal(QPoint(0, 0)), owner->window()->size());
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->geometry();
    dialog->move(area.topLeft() + rectIn(area.size()).topLeft() + designTopLeft);
}

} // namespace Stage
