#include "base/settings.h"

#include "base/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
const QString kSection = u"config"_s;
const QString kPasswordKey = u"passwordHash"_s;
constexpr qsizetype kMaxTextLength = 2047;
constexpr int kMaxShuffleSteps = 50;

QString settingsPath(const QString &exeFolder) { return exeFolder + u"config.ini"_s; }

int readInt(const IniFile &ini, const QString &key, int fallback)
{
    const auto text = ini.readString(kSection, key);
    if (!text)
        return fallback;
    return parseProfileInt(text->left(kMaxTextLength)).value_or(fallback);
}
// The look's pictures are the program's own copies in pictures/: a name that
// leads elsewhere (../../, a full path) would show any file of the machine.
QString pictureName(const QString &value)
{
    const QString name = value.left(kMaxTextLength);
    if (name == u"."_s || name == u".."_s || name.contains(u'/') || name.contains(u'\\') || name.contains(u':'))
        return {};
    return name;
}
} // namespace

QString settingsFileProblem(const QString &dataFolder)
{
    const IniFile ini(settingsPath(dataFolder));
    if (!ini.isTooLarge())
        return {};
    return u"设置文件 %1 有 %2 MB，不是本程序的设置文件（它只有几百字节），所以没有读取，现在使用默认设置，"
           u"更改的设置也无法保存。请关闭本程序，删除或换掉这个文件，然后重新启动。"_s.arg(
               QDir::toNativeSeparators(ini.path()), QString::number(QFileInfo(ini.path()).size() >> 20));
}

std::optional<int> parseProfileInt(const QString &text)
{
    QString s = text;
    qsizetype i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    s = s.mid(i);
    bool negative = false;
    if (s.startsWith(u'-') || s.startsWith(u'+')) {
        negative = s.startsWith(u'-');
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(u"0x"_s, Qt::CaseInsensitive)) {
        base = 16;
        s = s.mid(2);
    }
    if (s.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : std::as_const(s)) {
        const int digit = c.isDigit() && c.unicode() < 128 ? c.unicode() - '0'
                          : (base == 16 && c.toLower() >= u'a' && c.toLower() <= u'f')
                              ? c.toLower().unicode() - 'a' + 10
                              : -1;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        // Hexadecimal values may use all 32 bits (0xFFFFFFFF is -1), decimal ones may not overflow.
        if (value > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL))
            return std::nullopt;
    }
    if (base == 16 && value > 0x7FFFFFFF)
        value -= 0x100000000LL;
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

Settings LoadSettings(const QString &exeFolder) { return LoadSettings(exeFolder, exeFolder); }

Settings LoadSettings(const QString &dataFolder, const QString &programFolder)
{
    const IniFile ini(settingsPath(dataFolder));
    Settings s;
    s.backSound = ini.readString(kSection, u"backSound"_s).value_or(programFolder + u"back.wma"_s).left(kMaxTextLength);
    s.ATltle = ini.readString(kSection, u"ATltle"_s).value_or(QString()).left(kMaxTextLength);
    // A press makes iTime + 1 shuffle steps per winner with a pause each: a
    // huge value would make one press last for ever.
    s.iTime = std::clamp(readInt(ini, u"iTime"_s, 5), 0, kMaxShuffleSteps);
    s.showNo = readInt(ini, u"showNo"_s, 0) != 0;
    s.rollEligibleOnly = readInt(ini, u"rollEligible"_s, 0) != 0;
    s.stageScreen = ini.readString(kSection, u"stageScreen"_s).value_or(QString()).left(kMaxTextLength);
    s.stageBackground = pictureName(ini.readString(kSection, u"stageBackground"_s).value_or(QString()));
    s.stageLogo = pictureName(ini.readString(kSection, u"stageLogo"_s).value_or(QString()));
    s.showPhotos = readInt(ini, u"showPhotos"_s, 0) != 0;
    s.passwordHash = ini.readString(kSection, kPasswordKey).value_or(QString()).left(kMaxTextLength);
    return s;
}

void SaveSettings(const QString &exeFolder, const Settings &settings)
{
    const IniFile ini(settingsPath(exeFolder));
    ini.writeString(kSection, u"backSound"_s, settings.backSound);
    ini.writeString(kSection, u"ATltle"_s, settings.ATltle);
    ini.writeString(kSection, u"iTime"_s, QString::number(settings.iTime));
    ini.writeString(kSection, u"showNo"_s, settings.showNo ? u"1"_s : u"0"_s);
    // A file that never had the key keeps its lines as they were while it is off.
    if (settings.rollEligibleOnly || ini.readString(kSection, u"rollEligible"_s))
        ini.writeString(kSection, u"rollEligible"_s, settings.rollEligibleOnly ? u"1"_s : u"0"_s);
    // A file of a machine with one screen stays as it was.
    if (!settings.stageScreen.isEmpty() || ini.readString(kSection, u"stageScreen"_s))
        ini.writeString(kSection, u"stageScreen"_s, settings.stageScreen);
    // The look's keys likewise, while the delivered look is kept.
    if (!settings.stageBackground.isEmpty() || ini.readString(kSection, u"stageBackground"_s))
        ini.writeString(kSection, u"stageBackground"_s, settings.stageBackground);
    if (!settings.stageLogo.isEmpty() || ini.readString(kSection, u"stageLogo"_s))
        ini.writeString(kSection, u"stageLogo"_s, settings.stageLogo);
    if (settings.showPhotos || ini.readString(kSection, u"showPhotos"_s))
        ini.writeString(kSection, u"showPhotos"_s, settings.showPhotos ? u"1"_s : u"0"_s);
    if (!settings.passwordHash.isEmpty() || ini.readString(kSection, kPasswordKey))
        ini.writeString(kSection, kPasswordKey, settings.passwordHash);
}

void SavePasswordHash(const QString &dataFolder, const QString &passwordHash)
{
    IniFile(settingsPath(dataFolder)).writeString(kSection, kPasswordKey, passwordHash);
}

QString picturesFolder(const QString &dataFolder) { return dataFolder + u"pictures/"_s; }

QString photosFolder(const QString &dataFolder) { return dataFolder + u"photos/"_s; }
