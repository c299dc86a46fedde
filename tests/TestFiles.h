#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <sys/stat.h>

// Whole files as the tests read them back.
namespace TestFiles {

// What the file holds, or nothing when it cannot be read (a missing file reads as empty).
inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file the test cannot go on without, such as the sound the build ships: the test stops
// at once, naming it, when it cannot be read.
inline QByteArray requiredBytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

// The permission bits of the file or folder at path; -1 when it cannot be looked at.
inline int modeOf(const QString &path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777)
                                                                     : -1;
}

} // namespace TestFiles
