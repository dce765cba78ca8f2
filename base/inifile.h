#pragma once
#include <QByteArray>
#include <QString>
#include <QList>
#include <optional>

// A classic profile (INI) file in the GBK code page. Reading looks sections and
// keys up without regard to case; writing changes only the one key line and
// keeps every other byte of the file as it was.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    // The value as stored, with surrounding blanks and one pair of enclosing
    // quotes removed; nullopt when the file, the section or the key is missing.
    std::optional<QString> readString(const QString &section, const QString &key) const;

    // Writes key=value into the section, creating the file and the section when
    // missing. Throws AppError("Unable to write to <path>") on failure.
    void writeString(const QString &section, const QString &key, const QString &value) const;

private:
    QList<QByteArray> readLines() const;
    QString m_path;
};
