#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes as the whole content of the file at path, replacing it atomically: either the
// new file is complete or the old one stays as it was. Any failure throws
// FileError::cannotCreate naming the path.
void writeWholeFile(const QString &path, const QByteArray &bytes);
