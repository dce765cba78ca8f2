#include "ui/common/stagebackdrop.h"

#include "ui/common/stage.h"

#include <QPainter>

StageBackdrop::StageBackdrop(QWidget *parent) : QLabel(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void StageBackdrop::setPictureRows(int top, int height)
{
    m_rowsTop = top;
    m_rowsHeight = height;
    m_layer = QPixmap();
    update();
}

QRect StageBackdrop::pictureRect(const QSize &picture) const
{
    const int rowsHeight = m_rowsHeight < 0 ? height() : m_rowsHeight;
    if (picture.isEmpty() || rowsHeight <= 0)
        return {};
    const int width = qRound(double(picture.width()) * rowsHeight / picture.height());
    // Centred on the stage, rounded as the stage is, so that what the picture
    // draws at a design place meets what the screen places there.
    const QRect stage = Stage::rectIn(size());
    return {stage.left() + (stage.width() - width) / 2, m_rowsTop, width, rowsHeight};
}

void StageBackdrop::paintDecoration(QPainter &) {}

void StageBackdrop::render()
{
    ++m_renders;
    const qreal ratio = devicePixelRatioF();
    m_layer = QPixmap((QSizeF(size()) * ratio).toSize());
    m_layer.setDevicePixelRatio(ratio);
    m_layer.fill(palette().color(QPalette::Window));
    const QPixmap source = pixmap();
    m_layerSource = source.cacheKey();
    QPainter painter(&m_layer);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!source.isNull()) {
        const QRect target = pictureRect(source.size());
        const int w = source.width();
        const int h = source.height();
        const QRect all = rect();
        // Edge rows and columns first, then the picture over them; the strips
        // overlap the picture by a pixel so no seam shows at fractional scales.
        const int left = target.left() + 1;
        const int right = target.right();
        const int top = target.top() + 1;
        const int bottom = target.bottom();
        if (left > 0)
            painter.drawPixmap(QRect(0, target.top(), left, target.height()), source, QRect(0, 0, 1, h));
        if (right < all.right())
            painter.drawPixmap(QRect(right, target.top(), all.right() - right + 1, target.height()), source,
                               QRect(w - 1, 0, 1, h));
        if (top > 0) {
            painter.drawPixmap(QRect(target.left(), 0, target.width(), top), source, QRect(0, 0, w, 1));
            painter.drawPixmap(QRect(0, 0, left, top), source, QRect(0, 0, 1, 1));
            painter.drawPixmap(QRect(right, 0, all.right() - right + 1, top), source, QRect(w - 1, 0, 1, 1));
        }
        if (bottom < all.bottom()) {
            const int rows = all.bottom() - bottom + 1;
            painter.drawPixmap(QRect(target.left(), bottom, target.width(), rows), source, QRect(0, h - 1, w, 1));
            painter.drawPixmap(QRect(0, bottom, left, rows), source, QRect(0, h - 1, 1, 1));
            painter.drawPixmap(QRect(right, bottom, all.right() - right + 1, rows), source, QRect(w - 1, h - 1, 1, 1));
        }
        painter.drawPixmap(target, source);
    }
    paintDecoration(painter);
}

void StageBackdrop::paintEvent(QPaintEvent *)
{
    if (m_layer.isNull() || m_layer.deviceIndependentSize().toSize() != size()
        || !qFuzzyCompare(m_layer.devicePixelRatio(), devicePixelRatioF()) || m_layerSource != pixmap().cacheKey())
        render();
    // At the widget's own ratio this is a plain copy of the exposed part.
    QPainter(this).drawPixmap(0, 0, m_layer);
}
