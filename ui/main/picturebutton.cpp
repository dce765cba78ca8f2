#include "ui/main/picturebutton.h"

#include <QMouseEvent>
#include <QPixmap>

PictureButton::PictureButton(const QString &objectName, const QString &caption, QWidget *parent) : QLabel(parent)
{
    setObjectName(objectName);
    setAccessibleName(caption);
    setText(caption);
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
}

QImage PictureButton::transparentOnCorner(const QImage &bitmap)
{
    if (bitmap.isNull())
        return {};
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    // Premultiplied, so that smooth stretching blends the edge into transparency.
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void PictureButton::setPicture(const QImage &bitmap)
{
    if (bitmap.isNull())
        return;
    setScaledContents(true);
    setPixmap(QPixmap::fromImage(transparentOnCorner(bitmap)));
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}
