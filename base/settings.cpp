#include "base/settings.h"

#include "base/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {
const QString kSection = u"config"_s;
const QString kPasswordKey = u"passwordHash"_s;
constexpr qsizetype kMaxTextLength = 2047;
constexpr int kMaxShuffleSteps = 50;

QString settingsPath(const QString &exeFolder) { return exeFolder + u"config.ini"_s; }

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

const std::vector<SettingSpec> &settingsTable()
{
    using T = SettingSpec::Type;
    using P = SettingSpec::Page;
    // A press makes iTime + 1 shuffle steps per winner with a pause each: a
    // huge value would make one press last for ever, so it is held to 0 … 50
    // as read; the settings screen offers 5 … 50 in steps of 5.
    static const std::vector<SettingSpec> table{
        {u"backSound"_s, T::File, &Settings::backSound, u"背景音乐:"_s, P::Settings, u"RzButtonEdit2"_s},
        {u"ATltle"_s, T::Text, &Settings::ATltle, u"抽奖标题:"_s, P::Settings, u"Edit1"_s},
        {u"iTime"_s, T::Int, &Settings::iTime, u"每次循环"_s, P::Settings, u"RzSpinEdit1"_s, false, 5, 0,
         kMaxShuffleSteps, 5, 5},
        {u"showNo"_s, T::Bool, &Settings::showNo, u"主界面中奖名单显示员工编号"_s, P::Settings, u"CheckBox1"_s},
        {u"rollEligible"_s, T::Bool, &Settings::rollEligibleOnly, u"滚动时只显示本奖项可中奖人员"_s, P::Settings,
         u"CheckBox2"_s, true},
        {u"stageScreen"_s, T::Screen, &Settings::stageScreen, u"舞台显示屏:"_s, P::Settings, u"StageScreenBox"_s, true},
        {u"stageBackground"_s, T::Picture, &Settings::stageBackground, u"背景图片"_s, P::Look, u"BackgroundName"_s,
         true},
        {u"stageLogo"_s, T::Picture, &Settings::stageLogo, u"标志"_s, P::Look, u"LogoName"_s, true},
        {u"showPhotos"_s, T::Bool, &Settings::showPhotos, u"中奖名单显示照片"_s, P::Look, u"ShowPhotosBox"_s, true},
        {kPasswordKey, T::Secret, &Settings::passwordHash, {}, P::None, {}, true},
    };
    return table;
}

const SettingSpec *settingSpec(const QString &key)
{
    for (const SettingSpec &spec : settingsTable()) {
        if (spec.key == key)
            return &spec;
    }
    return nullptr;
}

QString settingText(const Settings &settings, const SettingSpec &spec)
{
    return std::visit(
        [&](auto field) -> QString {
            const auto &value = settings.*field;
            using V = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<V, QString>)
                return value;
            else if constexpr (std::is_same_v<V, bool>)
                return value ? u"1"_s : u"0"_s;
            else
                return QString::number(value);
        },
        spec.field);
}

void setSettingText(Settings &settings, const SettingSpec &spec, const QString &text)
{
    std::visit(
        [&](auto field) {
            auto &value = settings.*field;
            using V = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<V, QString>) {
                value = spec.type == SettingSpec::Type::Picture ? pictureName(text) : text.left(kMaxTextLength);
            } else {
                // Decimal, or hexadecimal after 0x; not an integer: the default.
                const int read = parseProfileInt(text.left(kMaxTextLength)).value_or(spec.defaultInt);
                if constexpr (std::is_same_v<V, bool>)
                    value = read != 0;
                else
                    value = spec.max > spec.min ? std::clamp(read, spec.min, spec.max) : read;
            }
        },
        spec.field);
}

namespace {
Settings defaults(const QString &programFolder)
{
    Settings s;
    for (const SettingSpec &spec : settingsTable()) {
        const bool text = std::holds_alternative<QString Settings::*>(spec.field);
        setSettingText(s, spec, text ? QString() : QString::number(spec.defaultInt));
    }
    // The delivered music is the default of the music file.
    s.backSound = programFolder + u"back.wma"_s;
    return s;
}
} // namespace

Settings LoadSettings(const QString &exeFolder) { return LoadSettings(exeFolder, exeFolder); }

Settings LoadSettings(const QString &dataFolder, const QString &programFolder)
{
    const IniFile ini(settingsPath(dataFolder));
    Settings s = defaults(programFolder);
    for (const SettingSpec &spec : settingsTable()) {
        if (const std::optional<QString> text = ini.readString(kSection, spec.key))
            setSettingText(s, spec, *text);
    }
    return s;
}

void SaveSettings(const QString &exeFolder, const Settings &settings)
{
    const IniFile ini(settingsPath(exeFolder));
    const Settings fresh = defaults(exeFolder);
    for (const SettingSpec &spec : settingsTable()) {
        const QString text = settingText(settings, spec);
        // A file that never had such a key keeps its lines as they were while
        // the setting keeps its default (one screen, the delivered look, ...).
        if (spec.writtenOnceChanged && text == settingText(fresh, spec) && !ini.readString(kSection, spec.key))
            continue;
        ini.writeString(kSection, spec.key, text);
    }
}

SettingsModel::SettingsModel(Settings &values, QString dataFolder, QString programFolder)
    : m_values(values), m_dataFolder(std::move(dataFolder)), m_programFolder(std::move(programFolder))
{}

void SettingsModel::apply(const Settings &next)
{
    const Settings before = m_values;
    m_values = next;
    announce(before);
    SaveSettings(m_dataFolder, m_values);
}

void SettingsModel::reload()
{
    const Settings before = m_values;
    m_values = LoadSettings(m_dataFolder, m_programFolder);
    announce(before);
}

void SettingsModel::announce(const Settings &before)
{
    QStringList keys;
    for (const SettingSpec &spec : settingsTable()) {
        if (settingText(before, spec) != settingText(m_values, spec))
            keys << spec.key;
    }
    if (!keys.isEmpty())
        Q_EMIT changed(keys);
}

void SavePasswordHash(const QString &dataFolder, const QString &passwordHash)
{
    IniFile(settingsPath(dataFolder)).writeString(kSection, kPasswordKey, passwordHash);
}

QString picturesFolder(const QString &dataFolder) { return dataFolder + u"pictures/"_s; }

QString photosFolder(const QString &dataFolder) { return dataFolder + u"photos/"_s; }
