#pragma once
#include <QString>
#include <optional>

// The settings of config.ini, held in memory for the whole run.
struct Settings {
    QString backSound; // full path of the background music
    QString ATltle; // title shown in the title band (spelled so in the file)
    int iTime = 5; // shuffle steps before each winner, 0 to 50 as read
    bool showNo = false; // winner board shows the code (true) or the factory (false)
    bool rollEligibleOnly = false; // the roll shows only people who may win the current item
    QString stageScreen; // name of the screen the stage is shown on; empty: the largest one not the primary
    // The stage's own look: file names in the data folder's pictures/ (empty:
    // the delivered artwork; a name leading out of the folder reads as
    // empty), and whether the board shows the winners' photos.
    QString stageBackground;
    QString stageLogo;
    bool showPhotos = false;
    // The operator's password as a salted slow hash in its stored form
    // (admin/operatorpassword.h); empty: none set, the built-in one holds.
    QString passwordHash;
};

// A settings file larger than this is no settings file (the program writes
// a few hundred bytes): it is refused by name, not read.
constexpr qint64 kMostSettingsFileBytes = 1 << 20;
// The operator's words for a config.ini in the folder that is not read (too
// large); empty when it is read.
QString settingsFileProblem(const QString &dataFolder);

// Folders of the look beside the database (`dataFolder` ends with a separator).
QString picturesFolder(const QString &dataFolder);
QString photosFolder(const QString &dataFolder);

// Integer reading of a profile value: decimal, or hexadecimal after 0x/0X,
// optional sign and leading blanks; nullopt when the text is not an integer.
std::optional<int> parseProfileInt(const QString &text);

// Reads config.ini in the folder (folder ends with a separator). Missing file,
// section or key give the defaults; the file is never created here.
Settings LoadSettings(const QString &exeFolder);
// The same where the data and the program's own files lie apart: config.ini
// in `dataFolder`, the default music, back.wma, in `programFolder`.
Settings LoadSettings(const QString &dataFolder, const QString &programFolder);

// Writes the keys into section "config", one write at a time (stageScreen
// and passwordHash only when set or the file has them).
// Throws AppError("Unable to write to ...") when the file cannot be written.
void SaveSettings(const QString &exeFolder, const Settings &settings);
// Writes only the password's key: a new password holds at once, whatever
// then closes the settings screen. Throws as SaveSettings.
void SavePasswordHash(const QString &dataFolder, const QString &passwordHash);
