// The roster import of the settings screen.
#include "admin/rosterimport.h"
#include "sheets/rosterreader.h"
#include "ui/admin/setupfrm.h"
#include "admin/settingsgrids.h"
#include "base/dialogs.h"
#include "store/setupstore.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <exception>

using namespace Qt::StringLiterals;

namespace {

// The classic two entries stay; the first entry shows every file the readers take.
const QString ImportFilter = u"员工资料文件|*.xls;*.xlsx;*.xlsm;*.ods;*.csv;*.txt|Execl文件|*.xls|TXT文件|*.txt"
                             u"|Excel 2007工作簿|*.xlsx;*.xlsm|OpenDocument表格|*.ods|CSV文件|*.csv"_s;

} // namespace

void TSetupFrm::ActImportExecute()
{
    // The import lets events through, so the command can be triggered again
    // from inside it (also after Cancel, while the loop is finishing its row):
    // one import at a time.
    if (m_import)
        return;

    const QString path = services.dialogs->openFileName(this, ImportFilter);
    if (path.isEmpty())
        return;
    // A file that is no roster is refused before anything is asked about
    // the roster already there: open() looks at its kind, the import's
    // first pass checks the rest.
    const auto reader = RosterReader::open(path);
    // A row still being edited is posted first, as leaving it would: the
    // grids take no change while the import runs.
    ADOQuery1->checkBrowseMode();
    ADOQuery2->checkBrowseMode();

    // A second import of the same people must not double their odds: the
    // operator says whether the file adds to the roster or takes its place.
    RosterImport::Mode mode = RosterImport::Mode::Append;
    if (const int present = countEmployees(*services.db); present > 0) {
        const int choice =
            services.dialogs->choose(this,
                                     u"员工列表中已有%1人。\n"
                                     u"追加：保留现有员工，只导入列表中还没有的人(工号和工厂名称都相同的是同一人；"
                                     u"没有工号的，工厂名称、部门和姓名都相同的是同一人)。\n"
                                     u"替换：先清除现有员工，再导入文件中的员工。"_s.arg(present),
                                     u"系统提示"_s, Dialogs::Icon::Question, {u"追加"_s, u"替换"_s, u"取消"_s});
        if (choice != 0 && choice != 1)
            return;
        mode = choice == 0 ? RosterImport::Mode::Append : RosterImport::Mode::Replace;
    }

    BitBtn1->setEnabled(false);
    // On the console's roster page the stop button is there for the import only.
    const bool pages = m_presentation == Presentation::ConsolePages;
    if (pages)
        BitBtn2->setEnabled(true);
    Importing = true;
    CancelImport = false;
    // Nothing else writes to the database while the import runs: a
    // workbook's rows stay in an open unit of work until its end, which a
    // change made meanwhile would join, and be undone with if the file
    // turned out damaged. The events the import lets through still reach
    // the rest of the screen (Cancel, the status line).
    const QList<QWidget *> writers{dxDBGrid1, dxDBGrid2, Button1, Button2, Button4};
    const QList<QAction *> commands{ActClear, ActIni, ActDel};
    for (QWidget *w : writers)
        w->setEnabled(false);
    for (QAction *a : commands)
        a->setEnabled(false);
    const auto reenable = qScopeGuard([&] {
        for (QWidget *w : writers)
            w->setEnabled(true);
        for (QAction *a : commands)
            a->setEnabled(true);
    });

    std::exception_ptr failure;
    try {
        RosterImport importer(*services.db, *services.pacer);
        importer.mode = mode;
        m_import = &importer;
        connect(&importer, &RosterImport::progress, this, [this](int, const QString &status, int percent) {
            Label1->setText(status);
            ProgressBar1->setValue(percent);
        });
        connect(&importer, &RosterImport::finished, this, [this](const RosterImport::Result &closing) {
            // The screen shows the end before the message about it is read.
            switch (closing.outcome) {
            case RosterImport::Outcome::Failed:
                // A refused row is told, not passed over: a silent stop would read as a complete import.
                services.dialogs->notify(this, closing.message(), u"系统提示"_s, Dialogs::Icon::Warning);
                break;
            case RosterImport::Outcome::Stopped:
                Label1->setText(u"导入已停止"_s);
                services.dialogs->notify(this, closing.message(), u" 系统提示"_s, Dialogs::Icon::Information);
                break;
            case RosterImport::Outcome::Completed:
                Label1->setText(u"导入员工资料完成"_s);
                ProgressBar1->setValue(ProgressBar1->maximum());
                services.dialogs->notify(this, closing.message(), u" 系统提示"_s,
                                         closing.rowsAfter > 0 ? Dialogs::Icon::Warning : Dialogs::Icon::None);
                break;
            }
        });
        importer.run(*reader);
    } catch (...) {
        failure = std::current_exception();
    }

    m_import = nullptr;
    BitBtn1->setEnabled(true);
    if (pages)
        BitBtn2->setEnabled(false);
    Importing = false;
    try {
        reopenRoster();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (failure)
        std::rethrow_exception(failure); // to the screen's error report
}
