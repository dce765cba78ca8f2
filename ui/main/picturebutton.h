#pragma once
#include <QLabel>

// A picture that says when it is clicked, under a pointing-hand cursor.
class PictureButton : public QLabel {
    Q_OBJECT
public:
    PictureButton(const QString &objectName, const QString &caption, QWidget *parent);

    // Shows the bitmap stretched over the button; the colour of its
    // bottom-left pixel is left unpainted. Without a bitmap the caption shows.
    void setPicture(const QImage &bitmap);

    // The bitmap with every pixel of its bottom-left colour made transparent.
    static QImage transparentOnCorner(const QImage &bitmap);

Q_SIGNALS:
    // A left button pressed and released over the picture.
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
