#pragma once
#include <QLabel>

// The description line: centred on the stage, drawn smaller (down to three
// quarters) and then shortened in the item's name or prize when the text is
// too wide, so that no text leaves the stage and "第N位" stays whole.
class DescriptionLine : public QLabel {
    Q_OBJECT
public:
    explicit DescriptionLine(QWidget *parent);

    // What is drawn: the text as fitted to the width, and its pixel size.
    QString shownText() const;
    int shownPixelSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
