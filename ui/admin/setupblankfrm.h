#pragma once
#include "admin/blanklists.h"
#include "admin/prizeitemchoice.h"
#include "admin/rostermodel.h"

#include <QDialog>
#include <functional>
#include <optional>

class Database;
class Dialogs;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

// The designated winners (left) and the excluded people (right), reached
// through the password on F2. Every row is written as it is posted; the main
// screen reloads nothing afterwards. A dialog in its design with one screen;
// a page of the console, laid out for the operator's screen, with a console.
class TSetupBlankFrm : public QDialog {
    Q_OBJECT
public:
    enum class Presentation { Screen, ConsolePage };
    TSetupBlankFrm(Database &db, Dialogs &dialogs, QWidget *parent = nullptr,
                   Presentation presentation = Presentation::Screen);
    ~TSetupBlankFrm() override;

    // The rows being edited are posted first; a refused one keeps the screen open.
    void accept() override;
    // A console page is never closed (QDialog would hide it on Esc).
    void reject() override;
    // Posts the rows being edited; false when one is refused (the page stays).
    bool post();

private:
    friend class tst_setupblankfrm;

    void FormShow();
    void buildPage();
    void DBEdit1KeyPress(); // Enter in the designation code edit
    void DBEdit3KeyPress(); // Enter in the exclusion code edit
    void ActADDExecute();
    void actAdd2Execute();
    void ActDELExecute();
    void ActDEL2Execute();
    void ActClearExecute();
    void dxDBLookupEdit1Exit();

    // The current prize item: what a designation added here gets. The box
    // shows it for the row being added and for the row just selected.
    int currentItem() const { return items.current(); }
    // True when the designation row being edited is a new one (or the list is
    // empty, so that an edit starts one).
    bool addingDesignation() const;

    const Presentation m_presentation;
    PrizeItemChoice items; // ADOQuery4
    DesignationList ADOQuery1;
    ExclusionList ADOQuery2;
    RosterModel ADOQuery3;

    QLabel *Label7 = nullptr;
    QLabel *Label10 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QLineEdit *DBEdit1 = nullptr; // designation: code
    QLineEdit *DBEdit2 = nullptr; // designation: name
    QLineEdit *DBEdit5 = nullptr; // designation: factory
    QComboBox *dxDBLookupEdit1 = nullptr;
    QTableView *dxDBGrid1 = nullptr;
    QLineEdit *DBEdit3 = nullptr; // exclusion: code
    QLineEdit *DBEdit4 = nullptr; // exclusion: name
    QLineEdit *DBEdit6 = nullptr; // exclusion: factory
    QTableView *dxDBGrid2 = nullptr;
    QMenu *PopupMenu1 = nullptr;

    QAction *ActADD = nullptr;
    QAction *ActDEL = nullptr;
    QAction *actAdd2 = nullptr;
    QAction *ActDEL2 = nullptr;
    QAction *ActClear = nullptr;

    bool eventFilter(QObject *watched, QEvent *event) override;

    void buildScreen();
    QPushButton *button(const QString &name, const QString &text, QRect place, QAction *command);
    QLineEdit *boundEdit(const QString &name, QRect place, PostedList &list, const QString &field, int maxLength);
    QTableView *grid(const QString &name, QRect place, PostedList &list, std::vector<int> widths);
    void lookUp(QLineEdit *edit, PostedList &list, std::optional<int> item);
    void addThroughPicker(PostedList &list, std::optional<int> item);
    void showRowItem();
    void chooseItem(int index);
    // Runs a step; a refused write goes to the general error report and the
    // screen stays open.
    void guarded(const std::function<void()> &step);

    Database &m_db;
    Dialogs &m_dialogs;
};
