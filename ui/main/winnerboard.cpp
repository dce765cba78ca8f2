// The winner board: one two-line label per winner of the latest press.
#include "ui/main/startfrm.h"

#include "base/pacer.h"
#include "ui/common/screenfonts.h"
#include "ui/main/boardlabel.h"

#include <QLabel>

using namespace Qt::StringLiterals;

// The board has twenty places (4 columns, 5 rows above the description line).
// A label number outside 1..20 is not shown at all: a 21st label would stand
// over the description and winner lines and ClearBoard would never remove it.
// The draw keeps a press to twenty winners, so this only guards the screen.
void TStartFrm::AddBoardLabel(const QString &code, const QString &name, const QString &factory, int n)
{
    services.pacer->pump();
    if (n < 1 || n > kBoardCapacity)
        return;
    const QString labelName = u"Lab"_s + QString::number(n);
    // A label of the same number left from before is replaced, never doubled.
    if (const int p = FindBoardControl(labelName); p > 0)
        delete Panel2->children().at(p);

    auto *label = new BoardLabel(Panel2);
    label->setObjectName(labelName);
    label->resize(72, 39);
    const int column = (n - 1) % 4;
    const int row = (n - 1) / 4;
    // The column pitch uses the created width, not the width of the text.
    label->move(layout.BoardLeft + column * (72 + layout.BoardColGap), layout.BoardTop + row * layout.BoardRowHeight);
    label->setFont(yaHeiPointFont(16, true));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    label->setText(u"("_s + (services.settings.showNo ? code : factory) + u")\r\n"_s + name);
    label->setAutoFillBackground(false);
    label->setWordWrap(false);
    label->adjustSize();
    label->show();
}

int TStartFrm::FindBoardControl(const QString &name) const
{
    const QObjectList &children = Panel2->children();
    for (qsizetype i = 0; i < children.size(); ++i) {
        if (children[i]->objectName() == name)
            return static_cast<int>(i);
    }
    return 0;
}

void TStartFrm::ClearBoard()
{
    for (int n = 1; n <= kBoardCapacity; ++n) {
        const int p = FindBoardControl(u"Lab"_s + QString::number(n));
        if (p > 0)
            delete Panel2->children().at(p);
    }
}
