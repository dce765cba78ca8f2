#include "ui/main/rollingdigit.h"

#include <QPainter>
#include <algorithm>

RollingDigit::RollingDigit(const QString &objectName, QWidget *parent) : QLabel(parent)
{
    setObjectName(objectName);
    setAlignment(Qt::AlignCenter);
}

void RollingDigit::setCell(const QRect &cell)
{
    m_cell = cell;
    fit();
}

void RollingDigit::setText(const QString &text)
{
    if (text == QLabel::text())
        return;
    QLabel::setText(text);
    fit();
}

void RollingDigit::fit()
{
    if (m_cell.isEmpty())
        return;
    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int width = std::max(m_cell.width(), textWidth);
    setGeometry(m_cell.center().x() + 1 - (width + 1) / 2, m_cell.top(), width, m_cell.height());
}

void RollingDigit::paintEvent(QPaintEvent *)
{
    // Drawn without QLabel's style machinery: this paint runs twenty times a
    // second per digit while the digits roll.
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextDontClip, text());
}
