// The winner board: one two-line label per winner of the latest press.
#include "draw/ui/startfrm.h"

#include "app/core/pacer.h"

#include <QLabel>

using namespace Qt::StringLiterals;

void TStartFrm::AddBoardLabel(const QString &code, const QString &name, const QString &factory, int n)
{
    services.pacer->pump();
    auto *label = new QLabel(Panel2);
    label->setObjectName(u"Lab"_s + QString::number(n));
    label->resize(72, 39);
    const int column = (n - 1) % 4;
    const int row = (n - 1) / 4;
    label->move(layout.BoardLeft + column * (72 + layout.BoardColGap), layout.BoardTop + row * layout.BoardRowHeight);
    QFont font = label->font();
    font.setFamilies({u"微软雅黑"_s, u"Noto Sans CJK SC"_s, u"WenQuanYi Micro Hei"_s, u"sans-serif"_s});
    font.setPointSize(16);
    font.setBold(true);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    label->setText(u"("_s + (services.settings.showNo ? code : factory) + u")\r\n"_s + name);
    label->setAttribute(Qt::WA_TranslucentBackground);
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
