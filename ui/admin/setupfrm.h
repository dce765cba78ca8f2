#pragma once
#include "base/settings.h"

#include <QDialog>
#include <functional>
#include <memory>

class Database;
class Dialogs;
class LoopCountSpinBox;
class Pacer;
class PostedGrid;
class PrizeGridList;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class RosterGridList;
class RosterImport;
class SettingsForm;

// The system settings screen: the four settings, the roster grid and the prize
// grid, the commands that clear the roster, import it, reset the draw and
// delete a prize item, and the backup and restore of the data. Grids and commands write at once; the settings are
// taken back by the main screen only on OK.
//
// One implementation, two presentations: with one screen the dialog of the
// classic design (F10); with a console its parts become three of the
// console's pages (员工, 奖项, 数据), laid out for the operator's screen, and
// what the dialog's OK and Cancel did happens at once.
class TSetupFrm : public QDialog {
    Q_OBJECT
public:
    enum class Presentation { Screen, ConsolePages };
    // `settings` are the ones in memory: the picked music file goes there at once.
    TSetupFrm(Settings &settings, Database &db, Dialogs &dialogs, Pacer &pacer, QWidget *parent = nullptr,
              Presentation presentation = Presentation::Screen);
    ~TSetupFrm() override;

    // The console's pages (ConsolePages only): the roster with its import,
    // the prize items with the reset, the backup, restore and photos.
    QWidget *rosterPage() const { return m_rosterPage; }
    QWidget *prizePage() const { return m_prizePage; }
    QWidget *dataPage() const { return m_dataPage; }
    // The prize row selected in the prize grid; 0 when none is stored.
    int selectedPrizeItem() const;
    // Posts the rows being edited (leaving a page); false when one is refused.
    bool post();

    // Fills the screen from the settings in memory and opens both grids.
    void FormShow();
    // Re-opens the roster grid and its row count.
    void reopenRoster();

    // Names the folder that holds the database and config.ini in use, so that
    // the operator knows what to copy or back up.
    void showDataFolder(const QString &folder);

    // The settings as the screen shows them, which the main screen takes on
    // OK: the fields, and the stage's look as chosen in 舞台外观 (file names in
    // pictures/).
    Settings settings() const;
    // True once the winners list was reset here: done at once, whatever
    // button then closes the screen.
    bool drawWasReset() const { return m_drawWasReset; }
    // True once data was restored here: the screen closes then, and the
    // database and config.ini must be read again, whatever the screen showed.
    bool dataWasReplaced() const { return m_dataWasReplaced; }

    // A row being edited in a grid is posted first; a refused one keeps the screen open.
    void accept() override;
    void reject() override;

Q_SIGNALS:
    // 设置密码: the main screen, which guards F2 with the password, opens its screen.
    void passwordRequested();
    // Data was restored (ConsolePages: the pages stay; the stage and the
    // settings follow the restored data at once).
    void dataReplaced();
    // 设为当前奖项 on the prize page.
    void currentItemChosen(int recNo);
    // The winners were removed and every item starts again: the stage must
    // stop presenting them now, not when the screen closes.
    void drawReset();

private:
    friend class TestSetupFrm;
    friend class TestSetupFrmImport;

    void ActLookExecute();
    void ActPhotosExecute();
    void ActClearExecute();
    void ActImportExecute();
    void ActIniExecute();
    void ActDelExecute();
    void ActBackupExecute();
    void ActRestoreExecute();
    bool DeleteAllEmployees();
    void BitBtn2Click();
    void ADOQuery2iNumberChange(const QString &field);

    void reopenPrizeItems();
    // Who may win the current prize row, chosen in its own screen.
    void editScope();
    // The current prize row's picture, chosen and copied into pictures/.
    void choosePrizePicture();
    int rosterCount() const { return m_rosterCount; }
    void buildControls();
    void buildRosterGrid();
    void buildPrizeGrid();
    void deleteGridRow(PostedGrid &grid);
    void placeFooter();
    void buildPages();
    void guarded(const std::function<void()> &step);

    const Presentation m_presentation;
    QWidget *m_rosterPage = nullptr;
    QWidget *m_prizePage = nullptr;
    QWidget *m_dataPage = nullptr;
    bool m_drawWasReset = false;
    bool m_dataWasReplaced = false;
    QString m_dataFolder;
    struct Look {
        QString background;
        QString logo;
        bool showPhotos = false;
    } m_look;

    // What the screen works with (the import reaches it by these names too).
    struct Collaborators {
        Settings &settings;
        Database *db;
        Dialogs *dialogs;
        Pacer *pacer;
    } services;

    bool Importing = false;
    bool CancelImport = false;
    // The import under way, which Cancel asks to stop; null when none runs.
    RosterImport *m_import = nullptr;

    QLabel *Label1 = nullptr; // status line
    QLabel *DataFolderLabel = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *RzButtonEdit2 = nullptr;
    QAction *RzButtonEdit2Button = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
    QPushButton *BackupButton = nullptr; // 备份数据
    QPushButton *RestoreButton = nullptr; // 恢复数据
    QTableView *dxDBGrid1 = nullptr; // roster
    QLabel *dxDBGrid1Footer = nullptr;
    QTableView *dxDBGrid2 = nullptr; // prize items
    QCheckBox *CheckBox1 = nullptr; // the status line ends before it
    std::unique_ptr<SettingsForm> m_form; // the settings' fields
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *LookButton = nullptr; // 舞台外观
    QPushButton *PhotosButton = nullptr; // 导入照片文件夹
    QPushButton *PasswordButton = nullptr;
    QMenu *PopupMenu1 = nullptr;

    QAction *ActClear = nullptr;
    QAction *ActImport = nullptr;
    QAction *ActIni = nullptr;
    QAction *ActDel = nullptr;
    QAction *ActBackup = nullptr;
    QAction *ActRestore = nullptr;

    RosterGridList *ADOQuery1 = nullptr; // EmpNo
    PrizeGridList *ADOQuery2 = nullptr; // AwardItem
    PostedGrid *rosterGrid = nullptr;
    PostedGrid *prizeGrid = nullptr;

    int m_rosterCount = 0;
};

// The screen while it is open, null otherwise: the global the classic program
// had. Nothing reaches the screen through it; the import reports through the
// screen's own members.
extern TSetupFrm *SetupFrm;
