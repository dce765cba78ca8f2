#pragma once
#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QWidget>

// The operator's background picture under the whole main screen, in place
// of the delivered band pictures. The picture covers the window, cropped
// about its centre and never stretched; over it lie the fills that keep the
// stage readable on a busy picture (the title band, the description line,
// the digits' cells, the button bar). Picture and fills are painted into one
// layer once per size; a repaint under a rolling digit only copies from it.
class StageCover : public QWidget {
    Q_OBJECT
public:
    struct Fill {
        QRect rect;
        QColor colour;
        int radius = 0;
        QColor edge; // none when invalid
    };

    explicit StageCover(QWidget *parent);

    // The picture already covering the window's size in device pixels.
    void setPicture(const QImage &picture);
    bool hasPicture() const { return !m_picture.isNull(); }
    void setFills(const QList<Fill> &fills);

    int renders() const { return m_renders; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
    QList<Fill> m_fills;
    QPixmap m_layer;
    bool m_stale = true;
    int m_renders = 0;
};
