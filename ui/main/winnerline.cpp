#include "ui/main/winnerline.h"

#include <QPainter>

WinnerLine::WinnerLine(const QString &text, QWidget *parent) : QLabel(text, parent) {}

const QPixmap &WinnerLine::picture(QChar c)
{
    auto found = m_pictures.constFind(c);
    if (found != m_pictures.cend())
        return *found;
    const QFontMetricsF metrics(font());
    const qreal ratio = devicePixelRatioF();
    QPixmap drawn((QSizeF(std::max<qreal>(metrics.horizontalAdvance(c), 1), height()) * ratio).toSize());
    drawn.setDevicePixelRatio(ratio);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(0, (height() - metrics.height()) / 2 + metrics.ascent()), QString(c));
    painter.end();
    return *m_pictures.insert(c, drawn);
}

void WinnerLine::paintEvent(QPaintEvent *)
{
    // The names of a large roster use a few hundred characters.
    constexpr qsizetype kMostPictures = 1024;
    const qreal ratio = devicePixelRatioF();
    if (!qFuzzyCompare(ratio, m_picturesRatio) || m_picturesHeight != height() || m_pictures.size() > kMostPictures) {
        m_pictures.clear();
        m_picturesRatio = ratio;
        m_picturesHeight = height();
    }
    const QString line = text();
    const QFontMetricsF metrics(font());
    qreal width = 0;
    for (QChar c : line)
        width += metrics.horizontalAdvance(c);
    QPainter painter(this);
    const QRect room = contentsRect();
    qreal x = room.left() + (room.width() - width) / 2;
    for (QChar c : line) {
        const QPixmap &p = picture(c);
        painter.drawPixmap(QPointF(x, 0), p);
        x += metrics.horizontalAdvance(c);
    }
}
