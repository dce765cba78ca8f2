#pragma once
#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <utility>

// The winner line: one line of large text on its own colour, changed twenty
// times a second while the digits roll. Each character (a whole grapheme
// cluster, so that a character outside the Basic Multilingual Plane is drawn
// as itself) is kept as a picture at the screen's resolution and the line is
// put together from them, since a glyph of a hundred pixels (on a 4K screen)
// is otherwise drawn from its outline every time. Chinese text has no kerning
// to lose.
//
// A line too wide for the label is drawn smaller, down to three quarters, and
// then shortened in the factory's name: the person's name stays whole.
class WinnerLine : public QLabel {
    Q_OBJECT
public:
    WinnerLine(const QString &text, QWidget *parent);

    // A photo drawn right of the text (the winner's, beside their name), as
    // high as the line; null: none.
    void setPhoto(const QPixmap &photo);
    bool hasPhoto() const { return !m_photo.isNull(); }

    // What is drawn: the text as fitted to the width, and its pixel size.
    QString shownText() const;
    int shownPixelSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QPixmap &picture(const QFont &font, const QString &cluster);

    int textRoom() const;

    QPixmap m_photo;
    QHash<std::pair<int, QString>, QPixmap> m_pictures;
    qreal m_picturesRatio = 0;
    int m_picturesHeight = 0;
};
