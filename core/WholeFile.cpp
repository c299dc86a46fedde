#include "WholeFile.h"

#include "FileError.h"

#include <QDir>
#include <QSaveFile>

void writeWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // commit() would put a half-written file in place when the buffered bytes fail to go out
    // (a full disk, say), so the flush is checked first; the destructor then drops the copy.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        throw FileError::cannotCreate(QDir::toNativeSeparators(path));
}
