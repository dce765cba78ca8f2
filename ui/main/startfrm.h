#pragma once
#include "base/datafolder.h"
#include "draw/drawview.h"
#include "draw/pressstate.h"
#include "draw/prizeround.h"
#include "ui/main/layoutvalues.h"
#include "ui/main/rollingdigit.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class CommitmentMark;
class Database;
class OperatorPassword;
class Dialogs;
class DrawEngine;
class Pacer;
class PhotoFolder;
class PictureButton;
class PictureCache;
class StageCover;
class RandomPosition;
class SettingsModel;
class SoundPlayer;
class StageBackdrop;
class WinnerBoard;
struct Settings;

// The main screen: title band, draw panel with description line, winner line
// and winner board, six rolling digits and the bar of picture buttons. It owns
// the prize round state and is the command shell of the program. Its contents
// keep their 1024 x 768 design places on the stage centred in the window; the
// bands run across the whole window.
class TStartFrm : public QWidget {
    Q_OBJECT
public:
    // `folders` name where the database and the settings file lie (data) and
    // where the sounds and the prize item screen's picture lie (program);
    // `settings` are the ones in memory, read from the data folder at start.
    explicit TStartFrm(const Folders &folders, Settings &settings, Database &db, Dialogs &dialogs, Pacer &pacer,
                       RandomPosition &random, SoundPlayer &sound, QWidget *parent = nullptr);
    ~TStartFrm() override;

    // Start-up, in the order of program start: FormCreate makes the screen
    // and opens the database, so that the window can show at once;
    // LoadDrawData then reads the roster and the prize state, letting events
    // through, while commands wait.
    void FormCreate();
    void LoadDrawData();
    static QString loadingText();
    bool ConnectDatabase();
    void ReloadDrawData();
    void PrepareCurrentPrize();
    // Shows the commitment of the seed the next press draws with.
    void showCommitment();
    // The commitment the stage shows; empty while none.
    QString commitment() const;
    void StartBackgroundMusic();
    void PlayEffect(const QString &fileName);
    void StopEffect();

    // The seven commands.
    void ActStartExecute();
    void ActSetItemExecute();
    void ActSetCurrItemExecute();
    void ActSetupExecute();
    void ActListExecute();
    void ActSetBlankExecute();
    void ActCloseExecute();
    // The password box of F2 (belonging to `owner`, the stage when null):
    // true when the password in force was typed.
    bool PasswordGate(QWidget *owner = nullptr);
    // 设置密码: the current password, then the new one twice.
    void openPasswordScreen(QWidget *owner);
    // The caption of F2's password box and of its screen.
    static QString designationsTitle();

Q_SIGNALS:
    // The move key (F7): the stage to the next screen, whoever places windows.
    void nextScreenRequested();
    // The settings screen was confirmed with this stage screen (empty: the default).
    void stageScreenChosen(const QString &name);
    // The press moved to another state (the console follows it).
    void pressStateChanged(PressState state);
    // What the stage shows changed: the description line, the board.
    void shownChanged();
    // F1: the operator's guide.
    void helpRequested();

public:
    // The winners of the last press as the board shows them.
    struct ShownWinner {
        int n; // the board label
        QString code;
        QString name;
        QString factory;
        QString photo; // file, empty: none
    };
    const std::vector<ShownWinner> &pressWinners() const { return m_pressWinners; }
    // The prize item the board's winners won.
    int pressItem() const { return m_pressItem; }
    // Takes the winner of board label n out of the draw's record: deleted
    // (the place returns, the person may win again) or absent (also
    // excluded; the item is current so that the next press draws the place).
    // The stage stops presenting the person at once. False when no press
    // may change the data now or the label holds nobody.
    bool withdrawWinner(int n, bool absent);

    // Winners were deleted or taken out as absent outside the winners list
    // screen (a console page): the stage follows as after that screen.
    void winnersChanged(int absentItem);

    // The console's pages changed the data as they went: after a reset the
    // stage shows nobody at once; after a restore the settings and the data
    // are read again; the roster and items are read again when the pages are
    // left; the picked item becomes current.
    void drawWasReset();
    void dataReplaced();
    void settingsReplaced();
    void pagesChanged();
    void chooseCurrentItem(int recNo);
    // Asked before a press starts (the console posts its pages); false: no press.
    void setPressGuard(std::function<bool()> guard) { m_pressGuard = std::move(guard); }

    // A key from wherever the operator presses it (the stage or the
    // console): what it does in the press's state (pressstate.h).
    void runKey(PressKey key);
    // With a console the administration screens open as its pages: the host
    // shows the page for the command and returns true; without one (or when
    // it returns false) they open as dialogs.
    void setPageHost(std::function<bool(PressCommand)> host) { m_pageHost = std::move(host); }

    // Winner board.
    void AddBoardLabel(const QString &code, const QString &name, const QString &factory, int n);
    void RemoveBoardLabel(int n);
    void ClearBoard();
    // The board's caption for the winners of an item.
    static QString boardCaption(const QString &itemName, const QString &awards);
    WinnerBoard &board() const { return *m_board; }

    // Shows a code on the six digits and a line on the winner line.
    void ShowCandidate(const QString &code, const QString &line);
    // The digits and the winner line as designed: nobody is presented.
    void ShowNoCandidate();
    static QString PadCode(const QString &text, int width, bool rightSide);

    void setDescription(const QString &text);
    QString description() const;
    // Enables or disables the six commands other than ActStart.
    void setAdminCommandsEnabled(bool enabled);
    void setCloseCommandEnabled(bool enabled);
    // True while a press (roll or drawing) is in progress.
    bool pressInProgress() const;
    PressState pressState() const;
    // Opens and shuts the commands by the press's state.
    void applyPressState(PressState state);

    // The draw engine of the screen, made at its first use.
    DrawEngine &engine();

    // Runs a command; an error that escapes it goes to the general error report.
    void guarded(const std::function<void()> &step);

    // Takes the look from the settings in memory: the background and logo
    // (a picture refused now is named in a message and the delivered artwork
    // stays), the folder of photos. At start and after the settings screen.
    void applyLook();
    PictureCache &pictures() const { return *m_pictures; }
    SettingsModel &settingsModel() const { return *m_settingsModel; }
    const PhotoFolder &photos() const { return *m_photos; }
    // A person's photo when the board shows photos; empty otherwise.
    QString photoOf(const QString &code, const QString &factory) const;
    // The current item's picture in pictures/; empty when it has none.
    QString prizePicture(int recNo) const;

    // Computes the layout values from the stage's width at this moment and
    // places the title, the six digits, the board and the description line.
    void layOutScreen();

    PrizeRound round;

    static constexpr int kPanel2Height = 400;
    static constexpr int kPanel3Height = 180;
    static constexpr int kDigitWidth = 66;
    static constexpr int kDigitHeight = 142;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // A close from outside (window manager, session end) during a press only
    // stops the press: the window must outlive the loop that is drawing.
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The tests' view of the widgets and flags (tests/ui/main/startfrmprobe.h).
    friend class StartFrmProbe;

    const Folders m_folders;
    Settings &m_settings;
    Database &m_db;
    Dialogs &m_dialogs;
    Pacer &m_pacer;
    RandomPosition &m_random;
    SoundPlayer &m_sound;

    LayoutValues layout;

    QWidget *Panel1 = nullptr;
    QWidget *Panel2 = nullptr;
    QWidget *Panel3 = nullptr;
    QWidget *Panel4 = nullptr;
    QLabel *Titles = nullptr;
    QLabel *descs = nullptr;
    QLabel *EmpName = nullptr;
    std::array<RollingDigit *, 6> numbers{}; // number1 .. number6
    std::array<PictureButton *, 6> images{}; // Image2 .. Image7
    // Background pictures, each the first child of its band.
    StageBackdrop *TitleImage = nullptr; // on Panel1
    StageBackdrop *Image1 = nullptr; // on Panel2
    StageBackdrop *DigitsImage = nullptr; // on Panel3
    // The operator's background under everything, and the logo in the title band.
    StageCover *Cover = nullptr;
    QLabel *Logo = nullptr;
    // The commitment of the live seed, at the right end of the button bar.
    CommitmentMark *m_commitment = nullptr;
    // Whose photo the winner line shows beside the name; empty: nobody's.
    QString m_linePhotoCode;
    QString m_linePhotoPath;
    // The last item whose picture was looked for, and what was found: the
    // description line changes with every winner, the item seldom. Forgotten
    // when the look is applied and after every administration screen.
    mutable int m_prizePictureItem = -1;
    mutable QString m_prizePicturePath;
    QString m_backgroundPath;
    QString m_logoPath;

    QAction *ActStart = nullptr;
    QAction *ActSetItem = nullptr;
    QAction *ActSetCurrItem = nullptr;
    QAction *ActSetup = nullptr;
    QAction *ActList = nullptr;
    QAction *ActSetBlank = nullptr;
    QAction *ActNextScreen = nullptr;
    QAction *ActClose = nullptr;
    QAction *ActHelp = nullptr; // F1

    void buildScreen();
    void buildCommands();
    // Runs the refresh steps after a screen. The refresh lets events through,
    // and no command may run inside it: a start press that arrives then runs
    // once the refresh is over (with the item it chose), the others are
    // dropped. Returns false when a command must not run now.
    void refreshAfterScreen(const std::function<void()> &steps, bool startAfterwards = true);
    bool commandAllowed();

    bool m_refreshing = false;
    bool m_connected = false;
    bool m_startAfterRefresh = false;
    // Puts the bands across the window and everything else on the stage.
    void placeStage();
    // The background's fills and picture and the logo at this size.
    void placeLook(QString *backgroundError = nullptr, QString *logoError = nullptr);
    void showLook();
    void showLinePhoto();

    WinnerBoard *m_board = nullptr;

    std::unique_ptr<PictureCache> m_pictures;
    std::unique_ptr<PhotoFolder> m_photos;
    std::unique_ptr<DrawEngine> m_engine;
    std::unique_ptr<DrawView> m_drawView;
    // Guards F2 and is set in the settings screen; counts wrong ones for both.
    std::unique_ptr<OperatorPassword> m_password;
    // Owns the settings in memory and says which changed.
    std::unique_ptr<SettingsModel> m_settingsModel;
    std::vector<ShownWinner> m_pressWinners;
    int m_pressItem = 0;
    std::function<bool(PressCommand)> m_pageHost;
    std::function<bool()> m_pressGuard;
    // True when the command's screen opened as a page of the console.
    bool openedAsPage(PressCommand command);
    void winnersChangedSteps(int absentItem);
    void settingsChanged(const QStringList &keys);
};
