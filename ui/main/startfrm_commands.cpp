// The main screen's commands that open screens, and the refresh after them.
#include "ui/main/startfrm.h"

#include "admin/operatorpassword.h"
#include "draw/drawengine.h"
#include "ui/admin/listsfrm.h"
#include "ui/admin/passwordfrm.h"
#include "ui/admin/setcurritemfrm.h"
#include "ui/admin/setitemfrm.h"
#include "ui/admin/setupblankfrm.h"
#include "ui/admin/setupfrm.h"
#include "base/dialogs.h"
#include "base/settings.h"
#include "media/soundplayer.h"
#include "store/proofstore.h"
#include "store/setupstore.h"
#include "ui/common/commitmentmark.h"
#include "base/errors.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <algorithm>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

void TStartFrm::ReloadDrawData()
{
    StartBackgroundMusic();
    if (!round.ReloadDrawData())
        m_dialogs.notify(this, u"员工资料为空，请先导入员工资料!"_s, u"系统提示"_s, Dialogs::Icon::Information);
}

void TStartFrm::PrepareCurrentPrize()
{
    setDescription(round.PrepareCurrentPrize());
    showCommitment();
}

void TStartFrm::showCommitment()
{
    // The seed of the next press is made now if there is none (after a reset
    // or a reveal), so that its commitment is on the stage before the press;
    // not before there is anybody to draw (a new data folder stays as delivered).
    try {
        m_commitment->setCommitment(round.roster().empty() ? QString() : ProofStore::liveSeed(m_db).commitment);
    } catch (const AppError &) {
        // A file that cannot be written: the press says why.
        m_commitment->setCommitment({});
    }
    Q_EMIT shownChanged();
}

QString TStartFrm::commitment() const { return m_commitment->commitment(); }

void TStartFrm::drawWasReset()
{
    ClearBoard();
    ShowNoCandidate();
    PrepareCurrentPrize();
}

void TStartFrm::settingsReplaced()
{
    m_settingsModel->reload();
    applyLook();
}

void TStartFrm::dataReplaced()
{
    settingsReplaced();
    refreshAfterScreen(
        [this] {
            ClearBoard();
            ShowNoCandidate();
            ReloadDrawData();
            PrepareCurrentPrize();
        },
        false);
}

void TStartFrm::pagesChanged()
{
    // The console's pages write at once: the draw's cached data follows when
    // the operator leaves them (the music plays on).
    refreshAfterScreen(
        [this] {
            if (!round.ReloadDrawData())
                m_dialogs.notify(this, u"员工资料为空，请先导入员工资料!"_s, u"系统提示"_s, Dialogs::Icon::Information);
            PrepareCurrentPrize();
        },
        false);
}

void TStartFrm::chooseCurrentItem(int recNo)
{
    if (!commandAllowed())
        return;
    refreshAfterScreen(
        [this, recNo] {
            round.setCurrItemNo(recNo);
            PrepareCurrentPrize();
        },
        false);
}

void TStartFrm::winnersChangedSteps(int absentItem)
{
    // A winner deleted or given up in the list may be the one the digits
    // and the winner line present.
    ClearBoard();
    ShowNoCandidate();
    ReloadDrawData();
    // A deleted winner's place is open again: when the current item is
    // finished, the next open one by draw order becomes current.
    if (absentItem != 0)
        round.setCurrItemNo(absentItem);
    PrepareCurrentPrize();
}

void TStartFrm::winnersChanged(int absentItem)
{
    refreshAfterScreen([this, absentItem] { winnersChangedSteps(absentItem); }, false);
}

bool TStartFrm::openedAsPage(PressCommand command) { return m_pageHost && m_pageHost(command); }

void TStartFrm::runKey(PressKey key)
{
    QAction *action = nullptr;
    switch (pressCommand(pressState(), key)) {
    case PressCommand::Start:
    case PressCommand::Stop:
        action = ActStart;
        break;
    case PressCommand::AskExit:
    case PressCommand::EndAfterWinner:
        action = ActClose;
        break;
    case PressCommand::Help:
        action = ActHelp;
        break;
    case PressCommand::NextScreen:
        action = ActNextScreen;
        break;
    case PressCommand::Designations:
        action = ActSetBlank;
        break;
    case PressCommand::NewItem:
        action = ActSetItem;
        break;
    case PressCommand::ChooseItem:
        action = ActSetCurrItem;
        break;
    case PressCommand::Settings:
        action = ActSetup;
        break;
    case PressCommand::Winners:
        action = ActList;
        break;
    case PressCommand::None:
        break;
    }
    if (action && action->isEnabled())
        action->trigger();
}

bool TStartFrm::withdrawWinner(int n, bool absent)
{
    if (!commandAllowed())
        return false;
    const auto shown =
        std::find_if(m_pressWinners.begin(), m_pressWinners.end(), [n](const ShownWinner &w) { return w.n == n; });
    if (shown == m_pressWinners.end())
        return false;
    const ShownWinner winner = *shown;
    const int item = m_pressItem;
    const QString itemText = QString::number(item);
    const bool removed = absent ? round.WinnerAbsent(winner.code, winner.factory, winner.name, itemText)
                                : round.DeleteWinner(winner.code, winner.factory, winner.name, itemText);
    // Whatever the database said, nobody the stage shows may be a removed winner.
    const QString line = u"本次中奖者是:"_s + winner.factory + u' ' + winner.name;
    refreshAfterScreen([this, n, item, absent, line] {
        RemoveBoardLabel(n);
        if (EmpName->text() == line)
            ShowNoCandidate();
        ReloadDrawData();
        // An absent winner's place is drawn next; a deleted one's in its turn.
        if (absent)
            round.setCurrItemNo(item);
        PrepareCurrentPrize();
    });
    return removed;
}

bool TStartFrm::commandAllowed()
{
    // No screen may change the tables under a running press, and no command
    // may run inside a refresh, whose pumps are not a press's own.
    return !pressInProgress() && !m_refreshing;
}

void TStartFrm::refreshAfterScreen(const std::function<void()> &steps, bool startAfterwards)
{
    m_refreshing = true;
    m_startAfterRefresh = false;
    // The screen may have given an item its picture or deleted one.
    m_prizePictureItem = -1;
    try {
        steps();
    } catch (...) {
        // The error report comes first; a start press given meanwhile is dropped.
        m_refreshing = false;
        m_startAfterRefresh = false;
        throw;
    }
    m_refreshing = false;
    if (std::exchange(m_startAfterRefresh, false) && startAfterwards)
        ActStartExecute();
}

void TStartFrm::StartBackgroundMusic()
{
    if (!QFileInfo::exists(m_settings.backSound))
        m_settings.backSound = m_folders.program + u"back.wma"_s;
    m_sound.playMusic(m_settings.backSound);
}

void TStartFrm::PlayEffect(const QString &fileName) { m_sound.playEffect(m_folders.program + fileName); }

void TStartFrm::StopEffect() { m_sound.stopEffect(); }

void TStartFrm::setAdminCommandsEnabled(bool enabled)
{
    for (QAction *action : {ActSetItem, ActSetCurrItem, ActSetup, ActList, ActSetBlank, ActClose})
        action->setEnabled(enabled);
}

void TStartFrm::setCloseCommandEnabled(bool enabled) { ActClose->setEnabled(enabled); }

void TStartFrm::ActSetItemExecute()
{
    if (!commandAllowed() || openedAsPage(PressCommand::NewItem))
        return;
    TSetItemFrm screen(m_folders.program, m_db, m_dialogs, this);
    screen.setPicturesFolder(picturesFolder(m_folders.data));
    screen.ADOQuery2NewRecord(countPrizeItems(m_db));
    if (m_dialogs.runModal(screen) != QDialog::Accepted)
        return;
    // A row that cannot be written throws past the refresh to the error report.
    screen.post();
    refreshAfterScreen([this] { PrepareCurrentPrize(); });
}

void TStartFrm::ActSetCurrItemExecute()
{
    if (!commandAllowed() || openedAsPage(PressCommand::ChooseItem))
        return;
    TSetCurrItemFrm screen(m_db, this);
    screen.open();
    if (m_dialogs.runModal(screen) != QDialog::Accepted)
        return;
    const int chosen = screen.selectedRecNo();
    refreshAfterScreen([this, chosen] {
        ReloadDrawData();
        round.setCurrItemNo(chosen);
        PrepareCurrentPrize();
    });
}

void TStartFrm::ActSetupExecute()
{
    if (!commandAllowed() || openedAsPage(PressCommand::Settings))
        return;
    TSetupFrm screen(m_settings, m_db, m_dialogs, m_pacer, this);
    SetupFrm = &screen;
    connect(&screen, &TSetupFrm::passwordRequested, &screen, [this, &screen] { openPasswordScreen(&screen); });
    // The projector follows a reset at once; the draw's cached data is read
    // again when the screen closes (no press can start while it is open).
    connect(&screen, &TSetupFrm::drawReset, this, &TStartFrm::drawWasReset);
    screen.showDataFolder(m_folders.data);
    screen.FormShow();
    if (m_dialogs.runModal(screen) != QDialog::Accepted) {
        // Restored data brings its own config.ini (and a backup its own
        // background, logo and photos): the settings are read again, and
        // nothing the screens showed before stays.
        if (screen.dataWasReplaced())
            settingsReplaced();
        // A reset is done in the screen, whatever closes it: its winners must
        // not stay on the board, the digits or in the draw's cached data.
        if (screen.drawWasReset() || screen.dataWasReplaced())
            refreshAfterScreen([this] {
                ClearBoard();
                ShowNoCandidate();
                ReloadDrawData();
                PrepareCurrentPrize();
            });
        return;
    }
    // A settings file that cannot be written throws here, the settings in
    // memory stay, and the board, reload and prize steps are skipped.
    m_settingsModel->apply(screen.settings());
    // The board is emptied (a reset may have removed its winners), and the
    // digits and winner line present nobody it no longer shows.
    refreshAfterScreen([this] {
        ClearBoard();
        ShowNoCandidate();
        ReloadDrawData();
        PrepareCurrentPrize();
    });
}

void TStartFrm::ActListExecute()
{
    if (!commandAllowed() || openedAsPage(PressCommand::Winners))
        return;
    // Whatever happened in the screen, the board and the cached data are
    // refreshed: a winner may have been deleted before an error. The item of
    // the last absent winner becomes current, finished or not, so that the
    // next press draws its freed place.
    std::unique_ptr<TListsFrm> screen;
    auto refresh = [this, &screen] {
        const int absentItem = screen ? screen->absentItem() : 0;
        screen.reset();
        winnersChangedSteps(absentItem);
    };
    try {
        screen = std::make_unique<TListsFrm>(m_db, m_dialogs, round, this);
        ListsFrm = screen.get();
        m_dialogs.runModal(*screen);
        ListsFrm = nullptr;
    } catch (...) {
        ListsFrm = nullptr;
        refreshAfterScreen(refresh, false);
        throw;
    }
    refreshAfterScreen(refresh);
}

QString TStartFrm::designationsTitle() { return u"指定与排除"_s; }

void TStartFrm::openPasswordScreen(QWidget *owner)
{
    TPasswordFrm passwordScreen(*m_password, m_dialogs, owner);
    m_dialogs.runModal(passwordScreen);
}

bool TStartFrm::PasswordGate(QWidget *owner)
{
    if (!owner)
        owner = this;
    const QString caption = designationsTitle();
    if (m_password->secondsToWait() > 0) {
        m_dialogs.notify(owner, m_password->waitText(), caption, Dialogs::Icon::Warning);
        return false;
    }
    // The password is typed in front of the audience, so the field is masked.
    const QString text = m_dialogs.inputText(owner, caption, u"输入密码:    "_s, true);
    if (text.isEmpty())
        return false; // cancelled
    switch (m_password->check(text)) {
    case OperatorPassword::Check::Right:
        return true;
    case OperatorPassword::Check::Wrong:
        m_dialogs.notify(owner,
                         m_password->secondsToWait() > 0 ? m_password->waitText()
                                                         : u"密码不正确，指定与排除名单没有打开。请按 F2 重新输入。"_s,
                         caption, Dialogs::Icon::Warning);
        return false;
    case OperatorPassword::Check::Waiting:
        m_dialogs.notify(owner, m_password->waitText(), caption, Dialogs::Icon::Warning);
        return false;
    case OperatorPassword::Check::Unreadable:
        m_dialogs.notify(owner, m_password->unreadableText(), caption, Dialogs::Icon::Error);
        return false;
    }
    return false;
}

void TStartFrm::ActSetBlankExecute()
{
    if (!commandAllowed() || openedAsPage(PressCommand::Designations))
        return;
    if (!PasswordGate())
        return;
    // Nothing is refreshed afterwards: the draw reads designations and
    // exclusions afresh.
    TSetupBlankFrm SetupBlankFrm(m_db, m_dialogs, this);
    m_dialogs.runModal(SetupBlankFrm);
}

void TStartFrm::ActCloseExecute()
{
    if (m_refreshing)
        return;
    if (engine().requestClose())
        return;
    // Already stopped by close: the press ends after its current winner.
    if (pressInProgress())
        return;
    if (m_dialogs.ask(this, u"  真的要退出系统吗？   "_s, u"退出系统"_s, Dialogs::Icon::Question,
                      Dialogs::Buttons::YesNo))
        close();
}
