#pragma once
#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>

// Whole characters as the reader sees them (grapheme clusters): a character
// outside the Basic Multilingual Plane, or one with combining marks, is one
// entry, never a half surrogate pair.
QStringList graphemeClusters(const QString &text);

// The width of a text drawn one cluster after another, as the winner line
// puts it together.
qreal clusterWidth(const QFont &font, const QString &text);

// How a line of large text is shown in a given width: first drawn smaller,
// down to `smallestShare` of its font's pixel size, then, if it is still too
// wide, shortened with an ellipsis. The text from `keepFrom` on (the winner's
// name, "第N位") is kept whole; the ellipsis takes the end of the part before
// it. Only when that tail alone is too wide is the tail shortened too.
struct LineFit {
    int pixelSize = 0;
    QString shown;
};
LineFit fitLine(const QFont &font, const QString &text, qsizetype keepFrom, int width, double smallestShare = 0.75);

// A winner's label on the board: a bracketed line (the factory, or the code)
// above the person's name. The name is what the hall looks for, so it is kept
// whole first: drawn smaller, then over two lines; only then is the bracketed
// text shortened, inside its brackets. `pitch` is a line's height as a share
// of the pixel size.
struct BoardLabelFit {
    int pixelSize = 0;
    QStringList lines;
};
// The largest pixel size from `largest` down to `smallest` at which both
// lines fit `room` whole; failing that, at which the name fits on one line;
// failing that, the largest (not below half of `largest`) at which the name
// fits over two lines under the bracketed one; failing all, `smallest`.
int boardLabelPixelSize(const QFont &font, const QString &bracketed, const QString &name, QSize room, int largest,
                        int smallest, double pitch);
// The lines at a pixel size that may be smaller than the label needs (one
// size for every label of a press).
QStringList boardLabelLines(const QFont &font, int pixelSize, const QString &bracketed, const QString &name, QSize room,
                            double pitch);

// The part of a text to keep whole on the winner line: the person's name,
// after the first space that follows the prefix "...:" (the line reads
// "本次中奖者是:" + factory + " " + name). The text's size when there is none.
qsizetype winnerLineKeepFrom(const QString &text);
// The part to keep whole on the description line: from ", 共:" on, which
// holds "第N位". The text's size when there is none.
qsizetype descriptionKeepFrom(const QString &text);
// Nothing to keep whole: a title is shortened at its end.
qsizetype titleKeepFrom(const QString &text);
