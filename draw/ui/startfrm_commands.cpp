// The main screen's commands that open screens, and the refresh after them.
#include "draw/ui/startfrm.h"

#include "admin/ui/setupblankfrm.h"
#include "app/core/dialogs.h"
#include "media/soundplayer.h"

#include <QAction>
#include <QFileInfo>

using namespace Qt::StringLiterals;

void TStartFrm::ReloadDrawData()
{
    StartBackgroundMusic();
    if (!round.ReloadDrawData())
        services.dialogs->notify(this, u"员工资料为空，请先导入员工资料!"_s, u"系统提示"_s, Dialogs::Icon::Information);
}

void TStartFrm::PrepareCurrentPrize() { setDescription(round.PrepareCurrentPrize()); }

void TStartFrm::StartBackgroundMusic()
{
    if (!QFileInfo::exists(services.settings.backSound))
        services.settings.backSound = services.exeFolder + u"back.wma"_s;
    services.sound->playMusic(services.settings.backSound);
}

void TStartFrm::PlayEffect(const QString &fileName) { services.sound->playEffect(services.exeFolder + fileName); }

void TStartFrm::StopEffect() { services.sound->stopEffect(); }

void TStartFrm::setAdminCommandsEnabled(bool enabled)
{
    for (QAction *action : {ActSetItem, ActSetCurrItem, ActSetup, ActList, ActSetBlank, ActClose})
        action->setEnabled(enabled);
}

void TStartFrm::ActSetItemExecute()
{
    // Prize item entry screen: built with the administration screens.
}

void TStartFrm::ActSetCurrItemExecute()
{
    // Current prize picker: built with the administration screens.
}

void TStartFrm::ActSetupExecute()
{
    // System settings screen: built with the administration screens.
}

void TStartFrm::ActListExecute()
{
    // Winners list screen: built with the administration screens.
}

bool TStartFrm::PasswordGate()
{
    // The password is typed in front of the audience, so the field is masked.
    const QString text = services.dialogs->inputText(this, u"系统设置"_s, u"输入密码:    "_s, true);
    return text == u"582"_s;
}

void TStartFrm::ActSetBlankExecute()
{
    if (!PasswordGate())
        return;
    // Nothing is refreshed afterwards: the draw reads designations afresh, and
    // exclusions wait for the next reload.
    TSetupBlankFrm SetupBlankFrm(*services.db, *services.dialogs, this);
    services.dialogs->runModal(SetupBlankFrm);
}

void TStartFrm::ActCloseExecute()
{
    if (Rolling) {
        StopRequested = true;
        Rolling = false;
        return;
    }
    if (services.dialogs->ask(this, u"  真的要退出系统吗？   "_s, u"退出系统"_s, Dialogs::Icon::Question,
                              Dialogs::Buttons::YesNo))
        close();
}
