// Start and stop of the draw on the main screen: the screen side of the engine.
#include "ui/main/startfrm.h"

#include "base/dialogs.h"
#include "base/settings.h"
#include "draw/drawengine.h"
#include "draw/drawview.h"
#include "store/database.h"
#include "ui/main/linefit.h"
#include "ui/main/winnerline.h"

#include <QAction>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

class StartFrmDrawView : public DrawView {
public:
    StartFrmDrawView(TStartFrm &frm, Dialogs &dialogs) : m_frm(frm), m_dialogs(dialogs) {}
    void showCandidate(const QString &code, const QString &line) override { m_frm.ShowCandidate(code, line); }
    void clearCandidate() override { m_frm.ShowNoCandidate(); }
    void addBoardLabel(const QString &code, const QString &name, const QString &factory, int n) override
    {
        m_frm.AddBoardLabel(code, name, factory, n);
    }
    void removeBoardLabel(int n) override { m_frm.RemoveBoardLabel(n); }
    void clearBoard() override { m_frm.ClearBoard(); }
    void setDescription(const QString &text) override { m_frm.setDescription(text); }
    void playEffect(const QString &fileName) override { m_frm.PlayEffect(fileName); }
    void stopEffect() override { m_frm.StopEffect(); }
    void pressStateChanged(PressState state) override { m_frm.applyPressState(state); }
    void notify(const QString &text) override
    {
        m_dialogs.notify(&m_frm, text, u"系统提示"_s, Dialogs::Icon::Information);
    }

private:
    TStartFrm &m_frm;
    Dialogs &m_dialogs;
};

} // namespace

DrawEngine &TStartFrm::engine()
{
    if (!m_engine) {
        m_drawView = std::make_unique<StartFrmDrawView>(*this, m_dialogs);
        m_engine = std::make_unique<DrawEngine>(round, m_pacer, m_random, m_settings, *m_drawView);
    }
    return *m_engine;
}

QString TStartFrm::PadCode(const QString &text, int width, bool rightSide)
{
    return DrawEngine::PadCode(text, width, rightSide);
}

void TStartFrm::ShowCandidate(const QString &code, const QString &line)
{
    // The engine has let pending events through before this.
    // One whole character a digit, padded as PadCode pads: a character
    // outside the Basic Multilingual Plane is never split over two digits.
    QStringList digits = graphemeClusters(code);
    if (digits.size() > 6)
        digits = digits.mid(0, 6);
    while (digits.size() < 6)
        digits.prepend(u"0"_s);
    for (int i = 0; i < 6; ++i)
        numbers[static_cast<size_t>(i)]->setText(digits[i]);
    // The roll and the shuffle show others: the photo stays only with its own.
    if (code != m_linePhotoCode) {
        static_cast<WinnerLine *>(EmpName)->setPhoto(QPixmap());
        m_linePhotoCode.clear();
    }
    EmpName->setText(u"本次中奖者是:"_s + line);
}

void TStartFrm::ShowNoCandidate()
{
    static_cast<WinnerLine *>(EmpName)->setPhoto(QPixmap());
    m_linePhotoCode.clear();
    for (QLabel *digit : numbers)
        digit->setText(u"0"_s);
    EmpName->setText(u"本次中奖者是:......"_s);
}

bool TStartFrm::pressInProgress() const { return m_engine && m_engine->busy(); }

PressState TStartFrm::pressState() const { return m_engine ? m_engine->state() : PressState::Idle; }

void TStartFrm::applyPressState(PressState state)
{
    // The screens stay shut from the start press to the end of the press, so
    // that none of them changes the tables under it; the close command is the
    // stop request while winners are drawn.
    setAdminCommandsEnabled(state == PressState::Idle);
    setCloseCommandEnabled(pressCommand(state, PressKey::Escape) != PressCommand::None);
    Q_EMIT pressStateChanged(state);
}

void TStartFrm::ActStartExecute()
{
    // Inside a refresh the item may be about to change: the press waits until
    // the refresh is over, so that it draws for the item the refresh chose.
    if (m_refreshing) {
        m_startAfterRefresh = true;
        return;
    }
    // After a failed start a press names the database's fault (and tries the
    // connection again) instead of claiming that no prize item is set.
    if (!pressInProgress() && !m_db.isUsable()) {
        m_db.ensureOpen();
        for (const QString &notice : m_db.notices())
            m_dialogs.notify(this, notice, u"错误信息"_s, Dialogs::Icon::Warning);
        ReloadDrawData();
        Titles->setText(m_settings.ATltle);
        layOutScreen();
        PrepareCurrentPrize();
        return;
    }
    // Pages of the console left open write their pending rows first, and the
    // draw reads what they changed.
    if (!pressInProgress() && m_pressGuard && !m_pressGuard())
        return;
    engine().ActStartExecute();
}
