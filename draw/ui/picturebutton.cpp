#include "draw/ui/picturebutton.h"

#include <QMouseEvent>

PictureButton::PictureButton(const QString &objectName, const QString &caption, QWidget *parent) : QLabel(parent)
{
    setObjectName(objectName);
    setAccessibleName(caption);
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
        onClick();
    QLabel::mouseReleaseEvent(event);
}
