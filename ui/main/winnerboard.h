#pragma once
#include "draw/presslimit.h"
#include "ui/main/layoutvalues.h"

#include <QWidget>
#include <array>

class BoardLabel;
class PictureCache;

// The winner board of the draw panel: one box per winner of the latest press,
// each holding at most one two-line label, and a caption naming the item and
// prize they won. A press of up to twenty winners uses the design's twenty
// places in four columns and five rows, placed by the layout values on the
// stage; a larger press gets a denser grid computed from its size, over the
// whole width of the window and the height of the design's places, so that
// every winner of the press is on the board at once. The boxes it paints and
// the places of its labels come from the same numbers, so a label always
// stands centred in its box.
class WinnerBoard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCapacity = kMaxWinnersPerPress;
    static constexpr int kDesignPlaces = 20;
    static constexpr int kColumns = 4; // of the design's places
    // The size a label is created with; the design's places are computed from it.
    static constexpr QSize kCreatedSize{72, 39};
    // Space between neighbouring boxes.
    static constexpr QSize kBoxGap{16, 3};
    static constexpr QSize kDenseBoxGap{6, 2};
    // Room kept free between a label's text and its box's sides.
    static constexpr int kTextMargin = 5;
    // A dense grid leaves this much of the window's width free at each side.
    static constexpr int kDenseSideMargin = 8;

    explicit WinnerBoard(QWidget *parent);

    // Places the design's boxes by the layout values; `stageLeft` is where
    // the 1024-pixel stage starts in the board (which spans the window).
    void setPlaces(const LayoutValues &values, int stageLeft = 0);
    int stageLeft() const { return m_stageLeft; }

    // The number of winners the press shows: up to twenty the design's
    // places, above that a grid with one box for each.
    void setPressSize(int winners);
    int pressSize() const { return m_pressSize; }
    // Boxes painted: the design's twenty, or one per winner of a larger press.
    int boxCount() const;
    // The grid of a larger press (columns, rows); 4 x 5 otherwise.
    QSize grid() const;

    // Where design place n (1 .. 20) was put when the label was created: the
    // top-left corner of the label's created size.
    QPoint place(int n) const;
    // Box n: a design box centred on the created size at its place, or the
    // box of the dense grid.
    QRect box(int n) const;
    // The pixel size of a label's text before a long name shrinks it.
    int labelPixelSize() const;

    // The caption: item and prize of the winners on the board; shown while
    // there is a label.
    void setCaption(const QString &text);
    QString caption() const { return m_caption; }
    bool captionShown() const;
    // Where the caption is painted, and what of it and at what size.
    QRect captionBox() const;
    QString captionShownText() const;
    int captionPixelSize() const;

    // Shows label n, "(bracketed)" above the name, replacing a label of that
    // number. A number outside 1 .. kCapacity has no place and is not shown; a
    // number beyond the press size enlarges the grid. Every label of a press
    // is drawn at one size, the one the longest name needs (whole first).
    // `photo`: the winner's photo file, shown in the label up to twenty
    // winners a press (a denser grid keeps text only); empty: none.
    void add(int n, const QString &bracketed, const QString &name, const QString &photo = QString());
    // The pixel size of the press's labels; 0 while the board is empty.
    int pressPixelSize() const { return m_pressPx; }
    void remove(int n);
    // Empties the board: no labels, no caption, the design's places.
    void clear();

    BoardLabel *label(int n) const;
    int count() const;

    // Where pictures are read and scaled once per size; none: no pictures.
    void setPictureCache(PictureCache *cache);
    // The prize picture of the item whose winners are on the board (set with
    // the caption; it goes with them) and of the current item, shown while
    // the board is empty. Empty: none.
    void setCaptionPicture(const QString &path);
    void setItemPicture(const QString &path);
    QString shownPicture() const;
    // Right of the design's places, down to the caption's row; empty while
    // a denser grid needs the whole width.
    QRect pictureBox() const;
    // Where the picture is painted in pictureBox(), or empty.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Dense {
        QSize grid;
        int pixelSize = 0;
    };
    bool dense() const { return m_pressSize > kDesignPlaces; }
    QRect designBox(int n) const;
    QRect denseBand() const;
    Dense denseGrid() const;
    // The text room of box n beside its photo, which is set on the label.
    QRect textRoom(BoardLabel *label, int n) const;
    // The size label n needs on its own.
    int neededPixelSize(BoardLabel *label, int n) const;
    void fit(BoardLabel *label, int n) const;
    void refitAll();

    QImage scaledPicture() const;

    std::array<BoardLabel *, kCapacity> m_labels{};
    std::array<QString, kCapacity> m_photos{};
    struct Parts {
        QString bracketed;
        QString name;
    };
    std::array<Parts, kCapacity> m_parts{};
    int m_pressPx = 0;
    PictureCache *m_cache = nullptr;
    QString m_captionPicture;
    QString m_itemPicture;
    LayoutValues m_values;
    int m_stageLeft = 0;
    int m_pressSize = 0;
    Dense m_dense;
    QString m_caption;
};
