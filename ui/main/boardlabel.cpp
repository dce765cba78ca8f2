#include "ui/main/boardlabel.h"

#include <QFontInfo>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

BoardLabel::BoardLabel(QWidget *parent) : QLabel(parent) {}

QStringList BoardLabel::lines() const
{
    if (!m_shown.isEmpty())
        return m_shown;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text().split(lineBreak);
}

void BoardLabel::setShownLines(const QStringList &lines)
{
    m_shown = lines;
    updateGeometry();
    update();
}

int BoardLabel::linePitch() const { return static_cast<int>(std::ceil(QFontInfo(font()).pixelSize() * 1.32)); }

int BoardLabel::textWidth() const
{
    const QFontMetrics metrics(font());
    int width = 0;
    for (const QString &line : lines())
        width = std::max(width, metrics.horizontalAdvance(line));
    return width;
}

QSize BoardLabel::sizeHint() const
{
    return {photoWidth() + textWidth() + 2, static_cast<int>(lines().size()) * linePitch()};
}

void BoardLabel::setPhoto(const QPixmap &photo, int width)
{
    m_photo = photo;
    m_photoWidth = width;
    updateGeometry();
    update();
}

void BoardLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int left = photoWidth();
    if (!m_photo.isNull())
        painter.drawPixmap(QRect(0, 0, m_photoWidth, height()), m_photo);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    const QStringList all = lines();
    // A label held lower than its lines (by the board's box) draws them closer.
    const int pitch = std::min(linePitch(), height() / static_cast<int>(std::max<qsizetype>(all.size(), 1)));
    int top = (height() - pitch * static_cast<int>(all.size())) / 2;
    for (const QString &line : all) {
        painter.drawText(QRect(left, top, width() - left, pitch), Qt::AlignHCenter | Qt::AlignVCenter,
                         metrics.elidedText(line, Qt::ElideRight, width() - left));
        top += pitch;
    }
}
