#pragma once

#include <QString>

#include <exception>

// A failure to read or write a file, carrying the text the user is shown. It travels up out of
// the handler that hit it and is shown by the application's general error report.
class FileError : public std::exception
{
public:
    explicit FileError(QString message);

    // Both name the file by its full path, whatever path they were given.
    static FileError cannotCreate(const QString &path);
    static FileError cannotOpen(const QString &path);
    // The text for what the system reported (an errno value): a full disk, denied access, a
    // missing folder, too many open files, or "I/O エラー (n)" for anything else.
    static FileError ofCause(int osError);

    const QString &message() const { return m_message; }
    const char *what() const noexcept override;

private:
    QString m_message;
    QByteArray m_utf8;
};
