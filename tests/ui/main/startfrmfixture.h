#pragma once
// A main screen on a fresh database file, with scripted dialogs and a
// recording sound layer, laid out as on a screen of the given width.
#include "ui/main/startfrm.h"
#include "screensupport.h"

#include <memory>

struct StartFrmFixture {
    TempDb temp;
    TestServices ts{temp};
    std::unique_ptr<TStartFrm> frm;

    explicit StartFrmFixture(int screenWidth = 1024)
    {
        frm = std::make_unique<TStartFrm>(ts.services);
        frm->resize(screenWidth, 768);
        frm->layOutScreen();
    }
};
