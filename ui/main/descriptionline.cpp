#include "ui/main/descriptionline.h"

#include "ui/main/linefit.h"

#include <QPainter>

namespace {

constexpr int kSideMargin = 8;

} // namespace

DescriptionLine::DescriptionLine(QWidget *parent, qsizetype (*keepFrom)(const QString &))
    : QLabel(parent), m_keepFrom(keepFrom)
{}

QString DescriptionLine::shownText() const
{
    return fitLine(font(), text(), m_keepFrom(text()), contentsRect().width() - 2 * kSideMargin).shown;
}

int DescriptionLine::shownPixelSize() const
{
    return fitLine(font(), text(), m_keepFrom(text()), contentsRect().width() - 2 * kSideMargin).pixelSize;
}

void DescriptionLine::paintEvent(QPaintEvent *)
{
    const QRect room = contentsRect().adjusted(kSideMargin, 0, -kSideMargin, 0);
    const LineFit fit = fitLine(font(), text(), m_keepFrom(text()), room.width());
    QFont f = font();
    f.setPixelSize(fit.pixelSize);
    QPainter painter(this);
    painter.setFont(f);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(room, Qt::AlignCenter | Qt::TextSingleLine, fit.shown);
}
