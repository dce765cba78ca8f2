#include "base/inifile.h"

#include "base/errors.h"
#include "base/textcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

bool isSectionLine(const QByteArray &trimmed) { return trimmed.startsWith('[') && trimmed.contains(']'); }

QByteArray sectionName(const QByteArray &trimmed) { return trimmed.mid(1, trimmed.indexOf(']') - 1).trimmed(); }

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Splits "key=value" on the first '='; false for lines without one.
bool splitKeyLine(const QByteArray &line, QByteArray &key, QByteArray &value)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    key = line.left(eq).trimmed();
    value = line.mid(eq + 1).trimmed();
    return true;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::Content::decode(const QByteArray &line) const
{
    return encoding == Encoding::Gbk ? Gbk::decode(line) : QString::fromUtf8(line);
}

QByteArray IniFile::Content::encode(const QString &text) const
{
    return encoding == Encoding::Gbk ? Gbk::encode(text) : text.toUtf8();
}

QByteArray IniFile::Content::fileBytes() const
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    switch (encoding) {
    case Encoding::Gbk:
        return bytes;
    case Encoding::Utf8:
        return "\xEF\xBB\xBF" + bytes;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        const QString text = QString::fromUtf8(bytes);
        QByteArray out = encoding == Encoding::Utf16Le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            const char hi = char(u >> 8), lo = char(u & 0xff);
            out.append(encoding == Encoding::Utf16Le ? lo : hi).append(encoding == Encoding::Utf16Le ? hi : lo);
        }
        return out;
    }
    }
    return bytes;
}

bool IniFile::isTooLarge() const { return QFileInfo(m_path).size() > kMostBytes; }

IniFile::Content IniFile::readContent() const
{
    Content content;
    QFile file(m_path);
    if (file.size() > kMostBytes || !file.open(QIODevice::ReadOnly))
        return content;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        content.encoding = Encoding::Utf8;
        bytes = bytes.mid(3);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        content.encoding = little ? Encoding::Utf16Le : Encoding::Utf16Be;
        QString text;
        text.reserve((bytes.size() - 2) / 2);
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const auto a = uchar(bytes[i]), b = uchar(bytes[i + 1]);
            text += QChar(char16_t(little ? (b << 8 | a) : (a << 8 | b)));
        }
        bytes = text.toUtf8();
    }
    // Lines end in CR LF, LF or a lone CR.
    qsizetype begin = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        content.lines.append(bytes.mid(begin, i - begin));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    if (begin < bytes.size())
        content.lines.append(bytes.mid(begin));
    return content;
}

std::optional<QString> IniFile::readString(const QString &section, const QString &key) const
{
    const Content content = readContent();
    bool inSection = false;
    for (const QByteArray &line : content.lines) {
        const QByteArray trimmed = line.trimmed();
        if (isSectionLine(trimmed)) {
            inSection = sameName(content.decode(sectionName(trimmed)), section);
            continue;
        }
        QByteArray k, v;
        if (!inSection || !splitKeyLine(line, k, v) || !sameName(content.decode(k), key))
            continue;
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        return content.decode(v);
    }
    return std::nullopt;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) const
{
    if (isTooLarge())
        throw AppError(u"Unable to write to %1"_s.arg(m_path));
    Content content = readContent();
    QList<QByteArray> &lines = content.lines;
    const QByteArray newLine = content.encode(key) + '=' + content.encode(value);

    qsizetype sectionStart = -1; // index of the section line
    qsizetype insertAt = -1; // after the last non-blank line of the section
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size() && !replaced; ++i) {
        const QByteArray trimmed = lines[i].trimmed();
        if (isSectionLine(trimmed)) {
            if (sectionStart >= 0)
                break; // the section ended
            if (sameName(content.decode(sectionName(trimmed)), section)) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        QByteArray k, v;
        if (splitKeyLine(lines[i], k, v) && sameName(content.decode(k), key)) {
            lines[i] = newLine;
            replaced = true;
        } else if (!trimmed.isEmpty()) {
            insertAt = i + 1;
        }
    }
    if (!replaced) {
        if (sectionStart < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(QByteArray());
            lines.append('[' + content.encode(section) + ']');
            lines.append(newLine);
        } else {
            lines.insert(insertAt, newLine);
        }
    }

    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(content.fileBytes()) >= 0;
    if (!ok || !file.commit())
        throw AppError(u"Unable to write to %1"_s.arg(m_path));
}
