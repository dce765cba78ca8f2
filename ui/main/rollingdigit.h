#pragma once
#include <QHash>
#include <QLabel>
#include <QPixmap>

// One of the six large digits of the main screen. It covers at least its
// design cell and is as wide as its text needs (an M or a W is wider than the
// cell), always centred on the cell, so that no glyph is cut off.
class RollingDigit : public QLabel {
    Q_OBJECT
public:
    RollingDigit(const QString &objectName, QWidget *parent);

    void setCell(const QRect &cell);
    QRect cell() const { return m_cell; }

    // Shows the text and fits the digit's width to it. Hides QLabel::setText
    // on purpose: the screen holds its digits by this type.
    void setText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void fit();
    QRect m_cell;
    QHash<QString, QPixmap> m_pictures;
    qreal m_picturesRatio = 0;
    QSize m_picturesCell;
};
