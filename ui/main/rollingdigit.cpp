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
    // A code uses a few dozen characters at most; anything beyond is a
    // roster of odd codes, and the pictures start afresh.
    constexpr qsizetype kMostPictures = 48;
    const qreal ratio = devicePixelRatioF();
    if (!qFuzzyCompare(ratio, m_picturesRatio) || m_picturesCell != m_cell.size()
        || m_pictures.size() > kMostPictures) {
        m_pictures.clear();
        m_picturesRatio = ratio;
        m_picturesCell = m_cell.size();
    }
    auto picture = m_pictures.constFind(text());
    if (picture == m_pictures.cend() || picture->deviceIndependentSize().toSize() != size()) {
        QPixmap drawn((QSizeF(size()) * ratio).toSize());
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextDontClip, text());
        painter.end();
        picture = m_pictures.insert(text(), drawn);
    }
    QPainter(this).drawPixmap(0, 0, *picture);
}
