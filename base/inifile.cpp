#include "base/inifile.h"

#include "base/errors.h"
#include "base/textcodec.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

bool isSectionLine(const QByteArray &trimmed) { return trimmed.startsWith('[') && trimmed.contains(']'); }

QByteArray sectionName(const QByteArray &trimmed)
{
    return trimmed.mid(1, trimmed.indexOf(']') - 1).trimmed();
}

bool sameName(const QByteArray &a, const QString &b)
{
    return Gbk::decode(a).compare(b, Qt::CaseInsensitive) == 0;
}

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

QList<QByteArray> IniFile::readLines() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<QString> IniFile::readString(const QString &section, const QString &key) const
{
    bool inSection = false;
    for (const QByteArray &line : readLines()) {
        const QByteArray trimmed = line.trimmed();
        if (isSectionLine(trimmed)) {
            inSection = sameName(sectionName(trimmed), section);
            continue;
        }
        QByteArray k, v;
        if (!inSection || !splitKeyLine(line, k, v) || !sameName(k, key))
            continue;
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        return Gbk::decode(v);
    }
    return std::nullopt;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) const
{
    QList<QByteArray> lines = readLines();
    const QByteArray newLine = Gbk::encode(key) + '=' + Gbk::encode(value);

    qsizetype sectionStart = -1; // index of the section line
    qsizetype insertAt = -1;     // after the last non-blank line of the section
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size() && !replaced; ++i) {
        const QByteArray trimmed = lines[i].trimmed();
        if (isSectionLine(trimmed)) {
            if (sectionStart >= 0)
                break; // the section ended
            if (sameName(sectionName(trimmed), section)) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        QByteArray k, v;
        if (splitKeyLine(lines[i], k, v) && sameName(k, key)) {
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
            lines.append('[' + Gbk::encode(section) + ']');
            lines.append(newLine);
        } else {
            lines.insert(insertAt, newLine);
        }
    }

    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    bool ok = file.open(QIODevice::WriteOnly);
    for (const QByteArray &line : std::as_const(lines)) {
        if (!ok)
            break;
        ok = file.write(line + "\r\n") >= 0;
    }
    if (!ok || !file.commit())
        throw AppError(u"Unable to write to %1"_s.arg(m_path));
}
