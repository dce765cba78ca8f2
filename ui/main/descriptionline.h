#pragma once
#include "ui/main/linefit.h"

#include <QLabel>

// The description line: centred on the stage, drawn smaller (down to three
// quarters) and then shortened in the item's name or prize when the text is
// too wide, so that no text leaves the stage and "第N位" stays whole. The
// title band's line is one too, shortened at its end.
class DescriptionLine : public QLabel {
    Q_OBJECT
public:
    // `keepFrom`: where the part that stays whole starts (linefit.h); the
    // description line's by default.
    explicit DescriptionLine(QWidget *parent, qsizetype (*keepFrom)(const QString &) = descriptionKeepFrom);

    // What is drawn: the text as fitted to the width, and its pixel size.
    QString shownText() const;
    int shownPixelSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qsizetype (*m_keepFrom)(const QString &);
};
