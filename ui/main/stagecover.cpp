#include "ui/main/stagecover.h"

#include <QPainter>

StageCover::StageCover(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StageCover"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StageCover::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_stale = true;
    update();
}

void StageCover::setFills(const QList<Fill> &fills)
{
    if (fills.size() == m_fills.size()) {
        bool same = true;
        for (qsizetype i = 0; same && i < fills.size(); ++i)
            same = fills[i].rect == m_fills[i].rect && fills[i].colour == m_fills[i].colour;
        if (same)
            return;
    }
    m_fills = fills;
    m_stale = true;
    update();
}

void StageCover::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_stale || m_layer.size() != pixels || !qFuzzyCompare(m_layer.devicePixelRatio(), ratio)) {
        ++m_renders;
        m_stale = false;
        m_layer = QPixmap(pixels);
        m_layer.setDevicePixelRatio(ratio);
        m_layer.fill(palette().color(QPalette::Window));
        QPainter painter(&m_layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // The picture comes at the window's own pixel size; another size is
        // only a moment's state while the window is being resized.
        if (!m_picture.isNull())
            painter.drawImage(rect(), m_picture);
        for (const Fill &fill : m_fills) {
            painter.setPen(fill.edge.isValid() ? QPen(fill.edge, 3) : QPen(Qt::NoPen));
            painter.setBrush(fill.colour);
            if (fill.radius > 0)
                painter.drawRoundedRect(QRectF(fill.rect).adjusted(1.5, 1.5, -1.5, -1.5), fill.radius, fill.radius);
            else
                painter.drawRect(fill.rect);
        }
    }
    QPainter(this).drawPixmap(0, 0, m_layer);
}
