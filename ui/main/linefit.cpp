#include "ui/main/linefit.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>
#include <vector>

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

namespace {

QFont atSize(const QFont &font, int px)
{
    QFont f = font;
    f.setPixelSize(std::max(px, 1));
    return f;
}

// Three lines in a box made for two: the label draws them closer than its
// pitch (BoardLabel), down to this share of it.
constexpr double kTightestPitchShare = 0.95;

bool threeLinesFit(int px, double pitch, int height) { return 3 * px * pitch * kTightestPitchShare <= height; }

// The name over two lines, split where the longer half is shortest.
QStringList splitInTwo(const QFont &font, const QString &name)
{
    const QStringList clusters = graphemeClusters(name);
    if (clusters.size() < 2)
        return {name};
    const QFontMetricsF metrics(font);
    std::vector<qreal> widths;
    qreal total = 0;
    for (const QString &c : clusters) {
        widths.push_back(metrics.horizontalAdvance(c));
        total += widths.back();
    }
    qsizetype best = 1;
    qreal bestLonger = total;
    qreal left = 0;
    for (qsizetype k = 1; k < clusters.size(); ++k) {
        left += widths[static_cast<size_t>(k - 1)];
        const qreal longer = std::max(left, total - left);
        if (longer < bestLonger) {
            bestLonger = longer;
            best = k;
        }
    }
    return {clusters.mid(0, best).join(QString()), clusters.mid(best).join(QString())};
}

bool twoLinesFit(const QFont &font, const QString &name, int width)
{
    const QStringList halves = splitInTwo(font, name);
    return std::all_of(halves.begin(), halves.end(),
                       [&](const QString &half) { return clusterWidth(font, half) <= width; });
}

} // namespace

int boardLabelPixelSize(const QFont &font, const QString &bracketed, const QString &name, QSize room, int largest,
                        int smallest, double pitch)
{
    smallest = std::clamp(smallest, 1, std::max(largest, 1));
    const QString line = u"("_s + bracketed + u")"_s;
    // Two lines are the design's: their height is the box's, as it always was.
    auto nameFits = [&](int px) { return clusterWidth(atSize(font, px), name) <= room.width(); };
    // Both lines whole, down to the smallest size; then the name alone.
    for (int px = largest; px >= smallest; --px) {
        if (nameFits(px) && clusterWidth(atSize(font, px), line) <= room.width())
            return px;
    }
    for (int px = largest; px >= smallest; --px) {
        if (nameFits(px))
            return px;
    }
    for (int px = std::min(largest, smallest); px >= std::max(largest / 2, 1); --px) {
        if (threeLinesFit(px, pitch, room.height()) && twoLinesFit(atSize(font, px), name, room.width()))
            return px;
    }
    return smallest;
}

QStringList boardLabelLines(const QFont &font, int pixelSize, const QString &bracketed, const QString &name, QSize room,
                            double pitch)
{
    const QFont f = atSize(font, pixelSize);
    const int width = room.width();
    QStringList lines;
    const QString open = u"("_s, close = u")"_s;
    if (clusterWidth(f, open + bracketed + close) <= width) {
        lines << open + bracketed + close;
    } else {
        const qreal brackets = clusterWidth(f, open + close);
        lines << open + elideEnd(f, bracketed, width - brackets) + close;
    }
    if (clusterWidth(f, name) <= width)
        return lines << name;
    if (threeLinesFit(pixelSize, pitch, room.height()) && twoLinesFit(f, name, width))
        return lines << splitInTwo(f, name);
    // Only a name too long for two lines of the box is shortened.
    return lines << elideEnd(f, name, width);
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

qsizetype titleKeepFrom(const QString &text) { return text.size(); }
