#include "ui/main/winnerboard.h"

#include "ui/common/screenfonts.h"
#include "ui/main/boardlabel.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QColor kBoxFill(0xFF, 0xF3, 0xD9);
const QColor kBoxEdge(0xF6, 0xC4, 0x45);
const QColor kLabelText(0, 0, 255);
// The smallest share of the design size a long name is shrunk to before the
// rest of it is elided.
constexpr double kSmallestShare = 0.75;

} // namespace

WinnerBoard::WinnerBoard(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"WinnerBoard"_s);
    setPlaces(m_values);
}

void WinnerBoard::setPlaces(const LayoutValues &values)
{
    m_values = values;
    for (int n = 1; n <= kCapacity; ++n) {
        if (BoardLabel *l = label(n))
            fit(l, n);
    }
    update();
}

QPoint WinnerBoard::place(int n) const
{
    const int column = (n - 1) % kColumns;
    const int row = (n - 1) / kColumns;
    // The column pitch uses the created width, not the width of the text.
    return {m_values.BoardLeft + column * (kCreatedSize.width() + m_values.BoardColGap),
            m_values.BoardTop + row * m_values.BoardRowHeight};
}

QRect WinnerBoard::box(int n) const
{
    const QSize size(kCreatedSize.width() + m_values.BoardColGap - kBoxGap.width(),
                     m_values.BoardRowHeight - kBoxGap.height());
    const QPoint p = place(n);
    return {p.x() + (kCreatedSize.width() - size.width()) / 2, p.y() + (kCreatedSize.height() - size.height()) / 2,
            size.width(), size.height()};
}

void WinnerBoard::add(int n, const QString &firstLine, const QString &secondLine)
{
    if (n < 1 || n > kCapacity)
        return;
    remove(n);
    auto *l = new BoardLabel(this);
    l->setObjectName(u"Lab"_s + QString::number(n));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kLabelText);
    l->setPalette(p);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(false);
    l->setWordWrap(false);
    l->setText(firstLine + u"\r\n"_s + secondLine);
    fit(l, n);
    l->show();
    m_labels[static_cast<size_t>(n - 1)] = l;
}

void WinnerBoard::fit(BoardLabel *l, int n) const
{
    const QRect room = box(n).adjusted(kTextMargin, 0, -kTextMargin, 0);
    QFont font = yaHeiPointFont(16, true);
    l->setFont(font);
    const int wide = l->textWidth();
    if (wide > room.width()) {
        // A long factory or person name is drawn smaller, down to a limit;
        // what still does not fit is elided.
        const int designPx = QFontInfo(font).pixelSize();
        const int px = std::max(int(std::ceil(designPx * kSmallestShare)), designPx * room.width() / wide);
        font.setPixelSize(px);
        l->setFont(font);
    }
    const QSize size(std::min(l->sizeHint().width(), room.width()), std::min(l->sizeHint().height(), room.height()));
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
}

void WinnerBoard::clear()
{
    for (int n = 1; n <= kCapacity; ++n)
        remove(n);
}

BoardLabel *WinnerBoard::label(int n) const
{
    return n < 1 || n > kCapacity ? nullptr : m_labels[static_cast<size_t>(n - 1)];
}

int WinnerBoard::count() const
{
    return static_cast<int>(std::count_if(m_labels.begin(), m_labels.end(), [](auto *l) { return l != nullptr; }));
}

void WinnerBoard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen edge(kBoxEdge, 3);
    painter.setPen(edge);
    painter.setBrush(kBoxFill);
    for (int n = 1; n <= kCapacity; ++n)
        painter.drawRoundedRect(QRectF(box(n)).adjusted(1.5, 1.5, -1.5, -1.5), 10, 10);
}
