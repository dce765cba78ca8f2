#pragma once
#include <QHash>
#include <QLabel>
#include <QPixmap>

// The winner line: one line of large text on its own colour, changed twenty
// times a second while the digits roll. Each character is kept as a picture
// at the screen's resolution and the line is put together from them, since a
// glyph of a hundred pixels (on a 4K screen) is otherwise drawn from its
// outline every time. Chinese text has no kerning to lose.
class WinnerLine : public QLabel {
    Q_OBJECT
public:
    WinnerLine(const QString &text, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QPixmap &picture(QChar c);

    QHash<QChar, QPixmap> m_pictures;
    qreal m_picturesRatio = 0;
    int m_picturesHeight = 0;
};
