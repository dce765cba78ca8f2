#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>
#include <vector>

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
// One setting of config.ini, declared once: its key in section [config], its
// type, default, range, the page and label it is shown with, whether it is
// written only once it differs from its default (a file that never had the key
// keeps its lines as they were), the name its field has on the settings
// screen, and where its value lives in Settings. Reading, writing and the
// settings page are all made from the table; a new setting is one line in it.
struct SettingSpec {
    enum class Type { Text, File, Int, Bool, Screen, Picture, Secret };
    enum class Page { None, Settings, Look };
    QString key;
    Type type;
    std::variant<QString Settings::*, int Settings::*, bool Settings::*> field;
    QString label;
    Page page = Page::None;
    QString widget; // object name of the field on the settings screen
    bool writtenOnceChanged = false;
    int defaultInt = 0; // Int and Bool (0/1); a text's default is empty, but see Type::File
    int min = 0;
    int max = 0;
    // What the settings screen offers of an Int: from, in steps of (typing allowed).
    int editMin = 0;
    int editStep = 1;
};
const std::vector<SettingSpec> &settingsTable();
const SettingSpec *settingSpec(const QString &key);

// The value of one setting as text (its config.ini form) and back; the
// latter clamps to the range and reads as config.ini is read.
QString settingText(const Settings &settings, const SettingSpec &spec);
void setSettingText(Settings &settings, const SettingSpec &spec, const QString &text);

// The settings in memory with their owner's voice: whoever changes them says
// so, and whoever shows them (the stage, the console) hears each key that
// changed instead of copying values back.
class SettingsModel : public QObject {
    Q_OBJECT
public:
    SettingsModel(Settings &values, QString dataFolder, QString programFolder);
    const Settings &values() const { return m_values; }
    // Takes the values of a page and announces the keys that differ, then
    // writes them to config.ini. Throws AppError when the file cannot be
    // written: the values still hold for this run (a write-protected stick
    // must not keep the operator from changing the title tonight).
    void apply(const Settings &next);
    // config.ini read again (a restore brought its own): every key that
    // differs is announced.
    void reload();

Q_SIGNALS:
    // The keys whose values changed, after all of them took their new values.
    void changed(const QStringList &keys);

private:
    void announce(const Settings &before);
    Settings &m_values;
    QString m_dataFolder;
    QString m_programFolder;
};

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
