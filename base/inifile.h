#pragma once
#include <QByteArray>
#include <QString>
#include <QList>
#include <optional>

// A classic profile (INI) file in the GBK code page. Files that Notepad saved
// as UTF-8 with a byte-order mark or as UTF-16 are read as well, and written
// back in their own encoding; line ends may be CR LF, LF or a lone CR.
// Reading looks sections and keys up without regard to case; writing changes
// only the one key line and keeps every other line of the file as it was.
class IniFile {
public:
    explicit IniFile(QString path);

    // A profile of this program holds a few hundred bytes; a larger file is
    // not read (it reads as empty, every read of a key would go through all of
    // it) and not written (a write would drop what it holds).
    static constexpr qint64 kMostBytes = 1 << 20;
    // True when the file is there and larger than kMostBytes.
    bool isTooLarge() const;

    const QString &path() const { return m_path; }

    // The value as stored, with surrounding blanks and one pair of enclosing
    // quotes removed; nullopt when the file, the section or the key is missing.
    std::optional<QString> readString(const QString &section, const QString &key) const;

    // Writes key=value into the section, creating the file and the section when
    // missing. Throws AppError("Unable to write to <path>") on failure, and
    // for a file that is too large.
    void writeString(const QString &section, const QString &key, const QString &value) const;

private:
    enum class Encoding { Gbk, Utf8, Utf16Le, Utf16Be };
    // The lines in GBK for a GBK file, in UTF-8 for the others.
    struct Content {
        Encoding encoding = Encoding::Gbk;
        QList<QByteArray> lines;
        QString decode(const QByteArray &line) const;
        QByteArray encode(const QString &text) const;
        QByteArray fileBytes() const;
    };
    Content readContent() const;
    QString m_path;
};
