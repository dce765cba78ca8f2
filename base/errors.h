#pragma once
#include <QString>
#include <exception>

// An error with a text for the operator. Anything that no handler catches ends
// in the general error report, which shows this text.
class AppError : public std::exception {
public:
    explicit AppError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};
