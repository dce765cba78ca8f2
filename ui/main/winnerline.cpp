#include "ui/main/winnerline.h"

#include "ui/main/linefit.h"

#include <QPainter>

namespace {

// Room kept free at both ends of the line.
constexpr int kSideMargin = 8;

} // namespace

WinnerLine::WinnerLine(const QString &text, QWidget *parent) : QLabel(text, parent) {}

void WinnerLine::setPhoto(const QPixmap &photo)
{
    if (photo.isNull() && m_photo.isNull())
        return;
    m_photo = photo;
    update();
}

int WinnerLine::textRoom() const
{
    const int photo = m_photo.isNull() ? 0 : int(m_photo.deviceIndependentSize().width()) + kSideMargin;
    return contentsRect().width() - 2 * kSideMargin - photo;
}

QString WinnerLine::shownText() const { return fitLine(font(), text(), winnerLineKeepFrom(text()), textRoom()).shown; }

int WinnerLine::shownPixelSize() const
{
    return fitLine(font(), text(), winnerLineKeepFrom(text()), textRoom()).pixelSize;
}

const QPixmap &WinnerLine::picture(const QFont &font, const QString &cluster)
{
    const std::pair<int, QString> key(font.pixelSize(), cluster);
    auto found = m_pictures.constFind(key);
    if (found != m_pictures.cend())
        return *found;
    const QFontMetricsF metrics(font);
    const qreal ratio = devicePixelRatioF();
    QPixmap drawn((QSizeF(std::max<qreal>(metrics.horizontalAdvance(cluster), 1), height()) * ratio).toSize());
    drawn.setDevicePixelRatio(ratio);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(0, (height() - metrics.height()) / 2 + metrics.ascent()), cluster);
    painter.end();
    return *m_pictures.insert(key, drawn);
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
    const QRect room = contentsRect();
    const LineFit fit = fitLine(font(), text(), winnerLineKeepFrom(text()), textRoom());
    QFont f = font();
    f.setPixelSize(fit.pixelSize);
    const QFontMetricsF metrics(f);
    const QStringList clusters = graphemeClusters(fit.shown);
    qreal width = 0;
    for (const QString &cluster : clusters)
        width += metrics.horizontalAdvance(cluster);
    QPainter painter(this);
    // Text and photo are centred together, the photo just after the name.
    const qreal photoWidth = m_photo.isNull() ? 0 : m_photo.deviceIndependentSize().width() + kSideMargin;
    qreal x = room.left() + (room.width() - width - photoWidth) / 2;
    for (const QString &cluster : clusters) {
        painter.drawPixmap(QPointF(x, 0), picture(f, cluster));
        x += metrics.horizontalAdvance(cluster);
    }
    if (!m_photo.isNull())
        painter.drawPixmap(QPointF(x + kSideMargin, (height() - m_photo.deviceIndependentSize().height()) / 2),
                           m_photo);
}
