#pragma once
#include <QLabel>

// A winner label of the board: its lines centred on each other, auto-sized.
// The CJK faces available off Windows have a far taller line box than the
// classic face, which would make two lines overflow a board row (57 pixels);
// so a line here is 1.32 times the font's pixel size high, the proportion of
// the classic face, whatever face is drawn. A line wider than the label is
// elided; the text itself stays whole.
class BoardLabel : public QLabel {
    Q_OBJECT
public:
    explicit BoardLabel(QWidget *parent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    int linePitch() const;
    // The width of the widest line in the label's font.
    int textWidth() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList lines() const;
};
