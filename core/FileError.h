#pragma once

#include <QString>

#include <exception>

// A failure to read or write a file, carrying the text the user is shown. It travels up out of
// the handler that hit it and is shown by the application's general error report.
class FileError : public std::exception
{
public:
    explicit FileError(QString message);

    static FileError cannotCreate(const QString &path);
    static FileError cannotOpen(const QString &path);

    const QString &message() const { return m_message; }
    const char *what() const noexcept override;

private:
    QString m_message;
    QByteArray m_utf8;
};
