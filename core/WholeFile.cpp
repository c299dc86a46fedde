#include "WholeFile.h"

#include "FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString &path, WriteFailureText failureText, bool opening, int osError)
{
    if (failureText == WriteFailureText::CannotCreate ||
        (failureText == WriteFailureText::CannotCreateThenByCause && opening))
        throw FileError::cannotCreate(path);
    throw FileError::ofCause(osError != 0 ? osError : EIO);
}

} // namespace

void writeWholeFile(const QString &path, const QByteArray &bytes, WriteFailureText failureText)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        fail(path, failureText, true, target.isDir() ? EISDIR : EACCES);
    if (target.exists() && !target.isWritable())
        fail(path, failureText, true, EACCES);

    QSaveFile file(path);
    // A folder the user may not write still lets the user's own file in it be rewritten, in
    // place and so without the safety of the temporary copy.
    file.setDirectWriteFallback(true);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        fail(path, failureText, true, errno);
    // commit() would put a half-written file in place when the buffered bytes fail to go out
    // (a full disk, say), so the flush is checked first; the destructor then drops the copy.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        fail(path, failureText, false, errno);
}

bool openRegularFile(QFile &file, const QString &path)
{
    // Opening without waiting, so that a pipe with no writer cannot hold the program; the
    // descriptor is checked before anything is read from it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = EACCES;
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
