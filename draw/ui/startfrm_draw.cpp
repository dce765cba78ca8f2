// Start and stop of the draw on the main screen.
#include "draw/ui/startfrm.h"

#include "app/core/dialogs.h"
#include "app/core/pacer.h"

#include <QLabel>

using namespace Qt::StringLiterals;

QString TStartFrm::PadCode(const QString &text, int width, bool rightSide)
{
    if (text.size() >= width)
        return text.left(width);
    const QString zeros(width - text.size(), u'0');
    return rightSide ? text + zeros : zeros + text;
}

void TStartFrm::ShowCandidate(const QString &code, const QString &line)
{
    services.pacer->pump();
    const QString digits = PadCode(code, 6, false);
    for (int i = 0; i < 6; ++i)
        numbers[static_cast<size_t>(i)]->setText(digits.mid(i, 1));
    EmpName->setText(u"本次中奖者是:"_s + line);
}

bool TStartFrm::pressInProgress() const { return Rolling; }

void TStartFrm::ActStartExecute()
{
    // The rolling draw is being built; until then a press only checks for a prize item.
    if (Rolling) {
        StopRequested = true;
        setAdminCommandsEnabled(true);
        return;
    }
    ClearBoard();
    if (round.data.itemRows.empty()) {
        services.dialogs->notify(this, u"未设置奖项，请先设置奖项！"_s, u"系统提示"_s, Dialogs::Icon::Information);
        return;
    }
}
