#pragma once
// The parts of the winners list screen that tests press and read, found by
// their object names.
#include "ui/admin/listsfrm.h"
#include "ui/admin/winnerslistmodel.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTableView>

struct ListsFrmParts {
    explicit ListsFrmParts(const TListsFrm &screen)
        : AwardList(screen.findChild<WinnersListModel *>(QStringLiteral("AwardList"))),
          dxDBGrid1(screen.findChild<QTableView *>(QStringLiteral("dxDBGrid1"))),
          PopupMenu1(screen.findChild<QMenu *>(QStringLiteral("PopupMenu1"))),
          ActExport(screen.findChild<QAction *>(QStringLiteral("ActExport"))),
          ActDel(screen.findChild<QAction *>(QStringLiteral("ActDel"))),
          ActAbsent(screen.findChild<QAction *>(QStringLiteral("ActAbsent"))),
          ActExportLog(screen.findChild<QAction *>(QStringLiteral("ActExportLog"))),
          ActRevealSeed(screen.findChild<QAction *>(QStringLiteral("ActRevealSeed"))),
          ActExportProof(screen.findChild<QAction *>(QStringLiteral("ActExportProof"))),
          commitLine(screen.findChild<QLabel *>(QStringLiteral("commitLine")))
    {}
    WinnersListModel *AwardList;
    QTableView *dxDBGrid1;
    QMenu *PopupMenu1;
    QAction *ActExport;
    QAction *ActDel;
    QAction *ActAbsent;
    QAction *ActExportLog;
    QAction *ActRevealSeed;
    QAction *ActExportProof;
    QLabel *commitLine;
};
