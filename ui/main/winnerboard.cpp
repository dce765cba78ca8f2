#include "ui/main/winnerboard.h"

#include "media/picturecache.h"
#include "ui/common/screenfonts.h"
#include "ui/main/boardlabel.h"
#include "ui/main/linefit.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QColor kBoxFill(0xFF, 0xF3, 0xD9);
const QColor kBoxEdge(0xF6, 0xC4, 0x45);
const QColor kLabelText(0, 0, 255);
const QColor kCaptionText(0xB8, 0x10, 0x10);
// The smallest share of the design size a long name is shrunk to before the
// rest of it is elided.
constexpr double kSmallestShare = 0.75;
// The design's label font, 16 points at 96 dots per inch.
constexpr int kDesignPointSize = 16;
constexpr int kDesignPixelSize = 21;
// A dense grid sizes its text for a label this many characters wide: an
// eight-character factory name in brackets. Longer ones are elided.
constexpr double kNominalEms = 9.0;
// A line of a label is this many times its pixel size high (BoardLabel).
constexpr double kLinePitch = 1.32;
constexpr int kCaptionPixelSize = 20;
constexpr int kCaptionPadding = 14;

int pitchOf(int px) { return static_cast<int>(std::ceil(px * kLinePitch)); }

} // namespace

WinnerBoard::WinnerBoard(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"WinnerBoard"_s);
    setPlaces(m_values);
}

void WinnerBoard::setPlaces(const LayoutValues &values, int stageLeft)
{
    m_values = values;
    m_stageLeft = stageLeft;
    refitAll();
}

void WinnerBoard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    refitAll();
}

void WinnerBoard::refitAll()
{
    if (dense())
        m_dense = denseGrid();
    m_pressPx = 0;
    for (int n = 1; n <= kCapacity; ++n) {
        if (BoardLabel *l = label(n)) {
            const int px = neededPixelSize(l, n);
            m_pressPx = m_pressPx == 0 ? px : std::min(m_pressPx, px);
        }
    }
    for (int n = 1; n <= kCapacity; ++n) {
        if (BoardLabel *l = label(n))
            fit(l, n);
    }
    update();
}

void WinnerBoard::setPressSize(int winners)
{
    const int size = std::clamp(winners, 0, kCapacity);
    if (size == m_pressSize)
        return;
    m_pressSize = size;
    refitAll();
}

int WinnerBoard::boxCount() const { return dense() ? m_pressSize : kDesignPlaces; }

QSize WinnerBoard::grid() const { return dense() ? m_dense.grid : QSize(kColumns, kDesignPlaces / kColumns); }

QPoint WinnerBoard::place(int n) const
{
    const int column = (n - 1) % kColumns;
    const int row = (n - 1) / kColumns;
    // The column pitch uses the created width, not the width of the text.
    return {m_stageLeft + m_values.BoardLeft + column * (kCreatedSize.width() + m_values.BoardColGap),
            m_values.BoardTop + row * m_values.BoardRowHeight};
}

QRect WinnerBoard::designBox(int n) const
{
    const QSize size(kCreatedSize.width() + m_values.BoardColGap - kBoxGap.width(),
                     m_values.BoardRowHeight - kBoxGap.height());
    const QPoint p = place(n);
    return {p.x() + (kCreatedSize.width() - size.width()) / 2, p.y() + (kCreatedSize.height() - size.height()) / 2,
            size.width(), size.height()};
}

QRect WinnerBoard::denseBand() const
{
    // As high as the design's places, as wide as the window.
    const int top = designBox(1).top();
    const int bottom = designBox(kDesignPlaces).bottom();
    return {kDenseSideMargin, top, std::max(width() - 2 * kDenseSideMargin, 1), std::max(bottom - top + 1, 1)};
}

WinnerBoard::Dense WinnerBoard::denseGrid() const
{
    // Every column count in turn: the one that lets the largest text fit both
    // the box's height (two lines) and its width wins.
    const QRect band = denseBand();
    Dense best{QSize(1, m_pressSize), 0};
    for (int columns = 1; columns <= m_pressSize; ++columns) {
        const int rows = (m_pressSize + columns - 1) / columns;
        const int boxWidth = band.width() / columns - kDenseBoxGap.width();
        const int boxHeight = band.height() / rows - kDenseBoxGap.height();
        int px = static_cast<int>(std::min(boxHeight / (2 * kLinePitch), (boxWidth - 2 * kTextMargin) / kNominalEms));
        px = std::min(px, kDesignPixelSize);
        while (px > 1 && 2 * pitchOf(px) > boxHeight)
            --px;
        if (px > best.pixelSize)
            best = {QSize(columns, rows), px};
    }
    best.pixelSize = std::max(best.pixelSize, 1);
    return best;
}

QRect WinnerBoard::box(int n) const
{
    if (!dense())
        return designBox(n);
    const QRect band = denseBand();
    const int columns = m_dense.grid.width();
    const int rows = m_dense.grid.height();
    const int column = (n - 1) % columns;
    const int row = (n - 1) / columns;
    // Edges rounded from the exact pitch, so that the grid fills the band and
    // no two boxes overlap.
    const int left = band.left() + band.width() * column / columns;
    const int right = band.left() + band.width() * (column + 1) / columns;
    const int top = band.top() + band.height() * row / rows;
    const int bottom = band.top() + band.height() * (row + 1) / rows;
    const int gw = kDenseBoxGap.width(), gh = kDenseBoxGap.height();
    return {left + gw / 2, top + gh / 2, right - left - gw, bottom - top - gh};
}

int WinnerBoard::labelPixelSize() const { return dense() ? m_dense.pixelSize : kDesignPixelSize; }

void WinnerBoard::add(int n, const QString &bracketed, const QString &name, const QString &photo)
{
    if (n < 1 || n > kCapacity)
        return;
    remove(n);
    if (n > boxCount())
        setPressSize(n);
    auto *l = new BoardLabel(this);
    l->setObjectName(u"Lab"_s + QString::number(n));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kLabelText);
    l->setPalette(p);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(false);
    l->setWordWrap(false);
    l->setText(u"("_s + bracketed + u")\r\n"_s + name);
    m_photos[static_cast<size_t>(n - 1)] = photo;
    m_parts[static_cast<size_t>(n - 1)] = {bracketed, name};
    m_labels[static_cast<size_t>(n - 1)] = l;
    // A name that needs a smaller size than the press's labels so far makes
    // them all smaller: one press, one size.
    const int px = neededPixelSize(l, n);
    if (m_pressPx == 0 || px < m_pressPx) {
        refitAll();
    } else {
        fit(l, n);
    }
    l->show();
    update(captionBox());
    update(pictureBox());
}

QRect WinnerBoard::textRoom(BoardLabel *l, int n) const
{
    QRect room = box(n).adjusted(kTextMargin, 0, -kTextMargin, 0);
    const QString &photoPath = m_photos[static_cast<size_t>(n - 1)];
    QPixmap photo;
    if (!dense() && m_cache && !photoPath.isEmpty()) {
        // Three by four, as high as the box inside its edge, the whole box
        // the label's: the text takes the rest of the width.
        const QRect inside = box(n).adjusted(4, 4, -4, -4);
        const QSize size(inside.height() * 3 / 4, inside.height());
        const qreal ratio = devicePixelRatioF();
        QImage image = m_cache->scaled(photoPath, (QSizeF(size) * ratio).toSize(), PictureCache::Fit::Cover);
        if (!image.isNull()) {
            image.setDevicePixelRatio(ratio);
            photo = QPixmap::fromImage(image);
            room = inside;
        }
        l->setPhoto(photo, size.width());
    } else {
        l->setPhoto(QPixmap(), 0);
    }
    return room.adjusted(l->photoWidth(), 0, 0, 0);
}

int WinnerBoard::neededPixelSize(BoardLabel *l, int n) const
{
    const Parts &parts = m_parts[static_cast<size_t>(n - 1)];
    const QRect room = textRoom(l, n);
    // A dense grid's size is chosen to be legible from the back of the hall.
    const int largest = dense() ? m_dense.pixelSize : QFontInfo(yaHeiPointFont(kDesignPointSize, true)).pixelSize();
    const int smallest = static_cast<int>(std::ceil(largest * kSmallestShare));
    return boardLabelPixelSize(yaHeiFont(largest, true), parts.bracketed, parts.name, room.size(), largest, smallest,
                               kLinePitch);
}

void WinnerBoard::fit(BoardLabel *l, int n) const
{
    const Parts &parts = m_parts[static_cast<size_t>(n - 1)];
    const QRect room = textRoom(l, n);
    const int px = m_pressPx > 0 ? m_pressPx : neededPixelSize(l, n);
    QFont font = dense() ? yaHeiFont(m_dense.pixelSize, true) : yaHeiPointFont(kDesignPointSize, true);
    if (px != QFontInfo(font).pixelSize())
        font.setPixelSize(px);
    l->setFont(font);
    l->setShownLines(boardLabelLines(font, px, parts.bracketed, parts.name, room.size(), kLinePitch));
    const QRect whole = room.adjusted(-l->photoWidth(), 0, 0, 0);
    const QSize size = l->hasPhoto() ? whole.size()
                                     : QSize(std::min(l->sizeHint().width(), whole.width()),
                                             std::min(l->sizeHint().height(), whole.height()));
    const QPoint centre = box(n).center();
    l->setGeometry(centre.x() + 1 - (size.width() + 1) / 2, centre.y() + 1 - (size.height() + 1) / 2, size.width(),
                   size.height());
}

void WinnerBoard::remove(int n)
{
    if (n < 1 || n > kCapacity)
        return;
    auto &slot = m_labels[static_cast<size_t>(n - 1)];
    delete slot;
    slot = nullptr;
    m_photos[static_cast<size_t>(n - 1)].clear();
    m_parts[static_cast<size_t>(n - 1)] = {};
    if (count() == 0)
        m_pressPx = 0;
    update(captionBox());
    update(pictureBox());
}

void WinnerBoard::clear()
{
    for (int n = 1; n <= kCapacity; ++n)
        remove(n);
    m_caption.clear();
    m_captionPicture.clear();
    setPressSize(0);
    m_pressPx = 0;
    update();
}

void WinnerBoard::setPictureCache(PictureCache *cache)
{
    if (m_cache)
        m_cache->disconnect(this);
    m_cache = cache;
    // Photos and prize pictures decoded off the screen's thread come in
    // after their labels: the labels take them then.
    if (m_cache)
        connect(m_cache, &PictureCache::decoded, this, [this] {
            refitAll();
            update();
        });
    refitAll();
}

void WinnerBoard::setCaptionPicture(const QString &path)
{
    if (path == m_captionPicture)
        return;
    m_captionPicture = path;
    update(pictureBox());
}

void WinnerBoard::setItemPicture(const QString &path)
{
    if (path == m_itemPicture)
        return;
    m_itemPicture = path;
    update(pictureBox());
}

QString WinnerBoard::shownPicture() const
{
    if (!m_cache || pictureBox().isEmpty())
        return {};
    return count() > 0 ? m_captionPicture : m_itemPicture;
}

QRect WinnerBoard::pictureBox() const
{
    if (dense())
        return {};
    // The caption's row ends at the board's bottom edge.
    constexpr int kGap = 12;
    constexpr int kWidest = 300;
    const QRect places = designBox(1).united(designBox(kDesignPlaces));
    const int left = places.right() + 1 + kGap;
    const int right = std::min(width() - kGap, left + kWidest);
    if (right - left < 40)
        return {};
    return {left, places.top(), right - left, height() - 2 - places.top()};
}

QImage WinnerBoard::scaledPicture() const
{
    const QString path = shownPicture();
    if (path.isEmpty())
        return {};
    const qreal ratio = devicePixelRatioF();
    QImage image = m_cache->scaled(path, (QSizeF(pictureBox().size()) * ratio).toSize(), PictureCache::Fit::Inside);
    image.setDevicePixelRatio(ratio);
    return image;
}

QRect WinnerBoard::pictureRect() const
{
    const QImage image = scaledPicture();
    if (image.isNull())
        return {};
    const QSize size = image.deviceIndependentSize().toSize();
    const QRect room = pictureBox();
    // Down against the caption's row, across the middle of the room.
    return {room.left() + (room.width() - size.width()) / 2, room.bottom() + 1 - size.height(), size.width(),
            size.height()};
}

BoardLabel *WinnerBoard::label(int n) const
{
    return n < 1 || n > kCapacity ? nullptr : m_labels[static_cast<size_t>(n - 1)];
}

int WinnerBoard::count() const
{
    return static_cast<int>(std::count_if(m_labels.begin(), m_labels.end(), [](auto *l) { return l != nullptr; }));
}

void WinnerBoard::setCaption(const QString &text)
{
    if (text == m_caption)
        return;
    m_caption = text;
    update(captionBox());
    update(pictureBox());
}

bool WinnerBoard::captionShown() const { return !m_caption.isEmpty() && count() > 0; }

namespace {

QFont captionFont() { return yaHeiFont(kCaptionPixelSize, true); }

} // namespace

QRect WinnerBoard::captionBox() const
{
    // Between the last row of the design's places and the description line,
    // at most as wide as the design's places, centred on the stage.
    const QRect first = designBox(1);
    const QRect last = designBox(kDesignPlaces);
    const int top = last.bottom() + 3;
    const int h = std::max(height() - top - 2, 1);
    const int widest = last.right() - first.left() + 1;
    const int room = widest - 2 * kCaptionPadding;
    const LineFit fitted = fitLine(captionFont(), m_caption, m_caption.size(), room);
    QFont font = captionFont();
    font.setPixelSize(fitted.pixelSize);
    const int textWidth = static_cast<int>(std::ceil(clusterWidth(font, fitted.shown)));
    const int w = std::min(widest, textWidth + 2 * kCaptionPadding);
    const int centre = (first.left() + last.right() + 1) / 2;
    return {centre - w / 2, top, w, h};
}

QString WinnerBoard::captionShownText() const
{
    return fitLine(captionFont(), m_caption, m_caption.size(), captionBox().width() - 2 * kCaptionPadding).shown;
}

int WinnerBoard::captionPixelSize() const
{
    return fitLine(captionFont(), m_caption, m_caption.size(), captionBox().width() - 2 * kCaptionPadding).pixelSize;
}

void WinnerBoard::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal edgeWidth = dense() ? 2 : 3;
    const qreal radius = dense() ? 6 : 10;
    painter.setPen(QPen(kBoxEdge, edgeWidth));
    painter.setBrush(kBoxFill);
    const qreal inset = edgeWidth / 2;
    // A new label repaints only its own box, not the hundred of a large press.
    for (int n = 1; n <= boxCount(); ++n) {
        const QRect b = box(n);
        if (event->rect().intersects(b))
            painter.drawRoundedRect(QRectF(b).adjusted(inset, inset, -inset, -inset), radius, radius);
    }
    if (const QImage picture = scaledPicture(); !picture.isNull() && event->rect().intersects(pictureRect()))
        painter.drawImage(pictureRect().topLeft(), picture);
    if (!captionShown())
        return;
    // The caption in the colours of the boxes' edges, as a ribbon.
    const QRect ribbon = captionBox();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBoxEdge);
    painter.drawRoundedRect(QRectF(ribbon), ribbon.height() / 2.0, ribbon.height() / 2.0);
    QFont font = captionFont();
    font.setPixelSize(captionPixelSize());
    painter.setFont(font);
    painter.setPen(kCaptionText);
    painter.drawText(ribbon, Qt::AlignCenter | Qt::TextSingleLine, captionShownText());
}
