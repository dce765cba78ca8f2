#pragma once
#include <QLabel>
#include <QPixmap>

// The background of a band or of a full-screen page. Its picture is drawn as
// tall as the part of the widget the design gives it (the whole widget unless
// set otherwise), centred across the widget at its own proportions, and its
// edge rows and columns are continued to the widget's edges, so that a band
// reaches the edges of any screen without being stretched out of shape.
// The scaled picture is painted once per size; later paints only copy it.
class StageBackdrop : public QLabel {
    Q_OBJECT
public:
    explicit StageBackdrop(QWidget *parent);

    // The rows of the widget that the picture's height spans; empty: all.
    void setPictureRows(int top, int height);

    // How many times the picture was scaled, for the benchmark and the tests.
    int renders() const { return m_renders; }

protected:
    void paintEvent(QPaintEvent *event) override;
    // Static decoration drawn over the picture into the same cached layer.
    virtual void paintDecoration(QPainter &painter);

private:
    QRect pictureRect(const QSize &picture) const;
    void render();

    int m_rowsTop = 0;
    int m_rowsHeight = -1;
    QPixmap m_layer;
    qint64 m_layerSource = 0;
    int m_renders = 0;
};
