#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdlib>

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

} // namespace TestFiles
