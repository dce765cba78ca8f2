#include "ui/main/linefit.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

QStringList graphemeClusters(const QString &text)
{
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        if (end > start)
            clusters << text.mid(start, end - start);
        start = end;
    }
    return clusters;
}

qreal clusterWidth(const QFont &font, const QString &text)
{
    const QFontMetricsF metrics(font);
    qreal width = 0;
    for (const QString &cluster : graphemeClusters(text))
        width += metrics.horizontalAdvance(cluster);
    return width;
}

namespace {

const QString kEllipsis = u"…"_s;

// The longest start of `text`, in whole clusters, that fits `width` together
// with the ellipsis.
QString elideEnd(const QFont &font, const QString &text, qreal width)
{
    if (clusterWidth(font, text) <= width)
        return text;
    const QFontMetricsF metrics(font);
    qreal used = metrics.horizontalAdvance(kEllipsis);
    QString kept;
    for (const QString &cluster : graphemeClusters(text)) {
        used += metrics.horizontalAdvance(cluster);
        if (used > width)
            break;
        kept += cluster;
    }
    return kept + kEllipsis;
}

} // namespace

LineFit fitLine(const QFont &font, const QString &text, qsizetype keepFrom, int width, double smallestShare)
{
    const int designPx = std::max(font.pixelSize(), 1);
    QFont f = font;
    const qreal full = clusterWidth(f, text);
    if (full <= width)
        return {designPx, text};
    const int smallest = std::max(1, int(std::ceil(designPx * smallestShare)));
    // Text width grows almost in proportion to the size; the loop settles
    // what rounding leaves.
    int px = std::clamp(int(std::floor(designPx * width / full)), smallest, designPx);
    f.setPixelSize(px);
    while (px > smallest && clusterWidth(f, text) > width)
        f.setPixelSize(--px);
    if (clusterWidth(f, text) <= width)
        return {px, text};
    keepFrom = std::clamp<qsizetype>(keepFrom, 0, text.size());
    const QString head = text.left(keepFrom);
    const QString tail = text.mid(keepFrom);
    const qreal tailWidth = clusterWidth(f, tail);
    const qreal ellipsisWidth = QFontMetricsF(f).horizontalAdvance(kEllipsis);
    if (!head.isEmpty() && tailWidth + ellipsisWidth <= width)
        return {px, elideEnd(f, head, width - tailWidth) + tail};
    return {px, elideEnd(f, text, width)};
}

qsizetype winnerLineKeepFrom(const QString &text)
{
    const qsizetype prefixEnd = text.indexOf(u':');
    const qsizetype space = text.indexOf(u' ', prefixEnd + 1);
    return space < 0 ? text.size() : space;
}

qsizetype descriptionKeepFrom(const QString &text)
{
    const qsizetype total = text.lastIndexOf(u", 共:"_s);
    return total < 0 ? text.size() : total;
}
