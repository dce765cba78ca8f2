#pragma once
#include "base/datafolder.h"
#include "base/settings.h"
#include "draw/pressstate.h"

#include <QWidget>
#include <memory>

class Database;
class Dialogs;
class Pacer;
class TSetupFrm;
class TStageLookFrm;
class QLabel;
class QTableWidget;
class QTabWidget;
class QTimer;
class SettingsPage;
class TListsFrm;
class TSetupBlankFrm;
class TStartFrm;

// The operator's console, on the laptop while the stage is on the projector:
// what is drawn now and next, who won the last press (with 弃奖 and 删除), a
// small live picture of the stage, the time and the data folder; and the
// administration as its pages. Keys work here as on the stage. Designations
// and exclusions appear only on their own page, behind the password.
class OperatorConsole : public QWidget {
    Q_OBJECT
public:
    OperatorConsole(TStartFrm &stage, Database &db, Dialogs &dialogs, Pacer &pacer, const Folders &folders,
                    QWidget *parent = nullptr);
    ~OperatorConsole() override;

    static QString title() { return QStringLiteral("抽奖控制台"); }

    // The page of a stage command (F2, F8 ... F11); false when it has none.
    bool showPageFor(PressCommand command);
    QTabWidget &tabs() const { return *m_tabs; }

    // Everything the home page shows, read again.
    void refresh();
    // The stage's picture, taken again (a few times a second at most).
    void takePicture();

private:
    void buildHome(QWidget *home);
    void buildKeys(QWidget *home);
    void refreshNow();
    void refreshNext();
    void refreshPress();
    void withdraw(int n, bool absent);
    void pageShown(int index);
    bool openDesignations();
    // Leaves the pages that write at once: their pending rows are posted and
    // the stage reads what they changed. False when a row is refused.
    bool leavePages();
    void showLook();

    TStartFrm &m_stage;
    Database &m_db;
    Dialogs &m_dialogs;
    QTabWidget *m_tabs = nullptr;
    QWidget *m_home = nullptr;
    QLabel *m_item = nullptr;
    QLabel *m_itemFacts = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_keys = nullptr;
    QTableWidget *m_next = nullptr;
    QTableWidget *m_press = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_clock = nullptr;
    QLabel *m_commit = nullptr;
    QTimer *m_pictureTimer = nullptr;
    QTimer *m_refreshTimer = nullptr;
    TListsFrm *m_winners = nullptr;
    QWidget *m_designationsHolder = nullptr;
    TSetupBlankFrm *m_designations = nullptr;
    SettingsPage *m_settings = nullptr;
    Settings m_pageSettings; // what the administration pages are given; the stage's own stay with it
    std::unique_ptr<TSetupFrm> m_setup; // the roster, prize and data pages
    TStageLookFrm *m_look = nullptr;
    QWidget *m_lastPage = nullptr;
    bool m_pagesDirty = false;
    // The table rows of the last press, by their board label.
    std::vector<int> m_pressLabels;
};
