#pragma once
#include <QLabel>

// A winner label of the board: its lines centred on each other, auto-sized.
// The CJK faces available off Windows have a far taller line box than the
// classic face, which would make two lines overflow a board row (57 pixels);
// so a line here is 1.32 times the font's pixel size high, the proportion of
// the classic face, whatever face is drawn. The board decides the lines shown
// (a long name over two, a long factory shortened inside its brackets); the
// text itself stays whole.
class BoardLabel : public QLabel {
    Q_OBJECT
public:
    explicit BoardLabel(QWidget *parent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    int linePitch() const;
    // A photo at the label's left, as high as the label, the text beside it;
    // a null one: text only.
    void setPhoto(const QPixmap &photo, int width);
    bool hasPhoto() const { return !m_photo.isNull(); }
    int photoWidth() const { return m_photo.isNull() ? 0 : m_photoWidth + kPhotoGap; }
    static constexpr int kPhotoGap = 4;
    // The width of the widest line shown in the label's font.
    int textWidth() const;
    // The lines drawn; none set: the text's own lines.
    void setShownLines(const QStringList &lines);
    QStringList shownLines() const { return lines(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList lines() const;
    QPixmap m_photo;
    QStringList m_shown;
    int m_photoWidth = 0;
};
