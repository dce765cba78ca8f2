#pragma once
// The main screen's private widgets and flags, for the tests: probe(frm).descs,
// probe(frm).label(3).
#include "ui/common/stagebackdrop.h"
#include "ui/main/boardlabel.h"
#include "ui/main/picturebutton.h"
#include "ui/main/rollingdigit.h"
#include "ui/main/stagecover.h"
#include "ui/main/startfrm.h"
#include "ui/main/winnerboard.h"

#include <memory>

class StartFrmProbe {
public:
    explicit StartFrmProbe(TStartFrm &f)
        : layout(f.layout), numbers(f.numbers), images(f.images), Panel1(f.Panel1), Panel2(f.Panel2), Panel3(f.Panel3),
          Panel4(f.Panel4), Titles(f.Titles), descs(f.descs), EmpName(f.EmpName), TitleImage(f.TitleImage),
          Image1(f.Image1), DigitsImage(f.DigitsImage), ActStart(f.ActStart), ActSetItem(f.ActSetItem),
          ActSetCurrItem(f.ActSetCurrItem), ActSetup(f.ActSetup), ActList(f.ActList), ActSetBlank(f.ActSetBlank),
          ActClose(f.ActClose), Cover(f.Cover), Logo(f.Logo), m_frm(f)
    {}

    LayoutValues &layout;
    std::array<RollingDigit *, 6> &numbers;
    std::array<PictureButton *, 6> &images;
    QWidget *Panel1;
    QWidget *Panel2;
    QWidget *Panel3;
    QWidget *Panel4;
    QLabel *Titles;
    QLabel *descs;
    QLabel *EmpName;
    StageBackdrop *TitleImage;
    StageBackdrop *Image1;
    StageBackdrop *DigitsImage;
    QAction *ActStart;
    QAction *ActSetItem;
    QAction *ActSetCurrItem;
    QAction *ActSetup;
    QAction *ActList;
    QAction *ActSetBlank;
    QAction *ActClose;
    StageCover *Cover;
    QLabel *Logo;

    // Board label n, or null when the board shows none of that number.
    BoardLabel *label(int n) const { return m_frm.board().label(n); }

private:
    TStartFrm &m_frm;
};

inline StartFrmProbe probe(TStartFrm &frm) { return StartFrmProbe(frm); }
inline StartFrmProbe probe(TStartFrm *frm) { return StartFrmProbe(*frm); }
inline StartFrmProbe probe(const std::unique_ptr<TStartFrm> &frm) { return StartFrmProbe(*frm); }
