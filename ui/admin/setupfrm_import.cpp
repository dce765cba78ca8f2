// The roster import of the settings screen.
#include "admin/rosterimport.h"
#include "sheets/rosterreader.h"
#include "ui/admin/setupfrm.h"
#include "base/dialogs.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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
    static bool running = false;
    if (running)
        return;

    const QString path = services.dialogs->openFileName(this, ImportFilter);
    if (path.isEmpty())
        return;
    running = true;
    BitBtn1->setEnabled(false);
    Importing = true;
    CancelImport = false;

    std::exception_ptr failure;
    try {
        // A file that cannot be read ends with its message before any row:
        // open() looks at its kind, the import's first pass checks the rest.
        const auto reader = RosterReader::open(path);
        RosterImport import(*services.db, *services.pacer);
        QString status = Label1->text();
        int progress = ProgressBar1->value();
        import.onRow = [&](int, const QString &text, int value) { status = text;
        progress = value;
    };
    // The picture changes only when events are handled; a progress bar
    // would repaint at once on every value.
    const auto show = [&] {
        Label1->setText(status);
        ProgressBar1->setValue(progress);
    };
    import.beforePump = show;
    import.stopRequested = [this] { return CancelImport;
};
const RosterImport::Result result = import.run(*reader);
show();
if (result.outcome == RosterImport::Outcome::Failed) {
    // A refused row is told, not passed over: a silent stop would read as a complete import.
    services.dialogs->notify(this, result.message(), u"系统提示"_s, Dialogs::Icon::Warning);
} else {
    services.dialogs->notify(this, u"导入员工资料完成!"_s, u" 系统提示"_s, Dialogs::Icon::None);
    Label1->setText(u"导入员工资料完成"_s);
    ProgressBar1->setValue(100);
}
}
catch (...) { failure = std::current_exception(); }

running = false;
BitBtn1->setEnabled(true);
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
