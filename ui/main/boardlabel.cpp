#include "ui/main/boardlabel.h"

#include <QFontInfo>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>

BoardLabel::BoardLabel(QWidget *parent) : QLabel(parent) {}

QStringList BoardLabel::lines() const
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text().split(lineBreak);
}

int BoardLabel::linePitch() const
{
    return static_cast<int>(std::ceil(QFontInfo(font()).pixelSize() * 1.32));
}

QSize BoardLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = 0;
    const QStringList all = lines();
    for (const QString &line : all)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {width + 2, static_cast<int>(all.size()) * linePitch()};
}

void BoardLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int pitch = linePitch();
    int top = 0;
    for (const QString &line : lines()) {
        painter.drawText(QRect(0, top, width(), pitch), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip, line);
        top += pitch;
    }
}
