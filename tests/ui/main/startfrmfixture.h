#pragma once
// A main screen wired to the test's collaborators as main() wires the
// program's, and one on a fresh database file, laid out as on a screen of the
// given width.
#include "ui/main/startfrm.h"
#include "screensupport.h"

#include <memory>

inline std::unique_ptr<TStartFrm> makeStartFrm(TestServices &ts)
{
    auto frm = std::make_unique<TStartFrm>(Folders::portable(ts.exeFolder), ts.settings, ts.db, ts.dialogs, ts.pacer,
                                           ts.random, ts.sound);
    frm->LoadDrawData();
    return frm;
}

struct StartFrmFixture {
    TempDb temp;
    TestServices ts{temp};
    std::unique_ptr<TStartFrm> frm;

    explicit StartFrmFixture(int screenWidth = 1024)
    {
        frm = makeStartFrm(ts);
        frm->resize(screenWidth, 768);
        frm->layOutScreen();
    }
};
