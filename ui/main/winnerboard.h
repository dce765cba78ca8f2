#pragma once
#include "ui/main/layoutvalues.h"

#include <QWidget>
#include <array>

class BoardLabel;

// The winner board of the draw panel: twenty places in four columns and five
// rows, each a box holding at most one two-line label of a winner of the
// latest press. The boxes it paints and the places of its labels come from
// the same layout values, so a label always stands centred in its box.
class WinnerBoard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCapacity = 20;
    static constexpr int kColumns = 4;
    // The size a label is created with; its places are computed from it.
    static constexpr QSize kCreatedSize{72, 39};
    // Space between neighbouring boxes.
    static constexpr QSize kBoxGap{16, 3};
    // Room kept free between a label's text and its box's sides.
    static constexpr int kTextMargin = 5;

    explicit WinnerBoard(QWidget *parent);

    // Places the boxes by the layout values (in the stage's coordinates).
    void setPlaces(const LayoutValues &values);

    // Where place n (1 .. 20) was put when the label was created: the top-left
    // corner of the label's created size.
    QPoint place(int n) const;
    // Box n, centred on the created size at its place.
    QRect box(int n) const;

    // Shows label n with its two lines, replacing a label of that number. A
    // number outside 1 .. 20 has no place and is not shown.
    void add(int n, const QString &firstLine, const QString &secondLine);
    void remove(int n);
    void clear();

    BoardLabel *label(int n) const;
    int count() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void fit(BoardLabel *label, int n) const;

    std::array<BoardLabel *, kCapacity> m_labels{};
    LayoutValues m_values;
};
