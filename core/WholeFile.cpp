#include "WholeFile.h"

#include "FileError.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The sequence is the program's own rather than QSaveFile's. QSaveFile gives the new content a
// random name ("name.XXXXXX") for the moment before the rename; a kill in that moment leaves a
// whole copy under a name that a user's own file may have too ("Save.pkd.backup"), so no later
// write can tell it apart and clean it. It does not make the rename itself durable either. Here
// the new content has one fixed, hidden name of the program's making, which the next write of
// the same file removes, and the folder is synced after the rename.

namespace {

[[noreturn]] void fail(const QString &path, WriteFailureText failureText, bool opening, int osError)
{
    if (failureText == WriteFailureText::CannotCreate ||
        (failureText == WriteFailureText::CannotCreateThenByCause && opening))
        throw FileError::cannotCreate(path);
    throw FileError::ofCause(osError != 0 ? osError : EIO);
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// The name the new content has between being written and taking the file's place: hidden, and
// made of the file's own name so that no other file has it (a settings file's does not end in
// ".ini", so no listing shows it). A name too long for the folder takes a digest instead.
QByteArray pendingName(const QByteArray &fileName)
{
    const QByteArray name = '.' + fileName + ".pelko-new";
    if (name.size() <= NAME_MAX)
        return name;
    return ".pelko-new-" +
           QCryptographicHash::hash(fileName, QCryptographicHash::Sha256).toHex().left(32);
}

// A link the user placed is written through: the file it leads to is replaced, the link stays.
QFileInfo finalFile(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// An unnamed file is given its name through the process's view of its descriptors.
bool canNameUnnamedFiles()
{
    static const bool procfs = ::access("/proc/self/fd", X_OK) == 0;
    return procfs;
}

} // namespace

void writeWholeFile(const QString &path, const QByteArray &bytes, WriteFailureText failureText)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        fail(path, failureText, true, target.isDir() ? EISDIR : EACCES);
    if (target.exists() && !target.isWritable())
        fail(path, failureText, true, EACCES);

    const QFileInfo final = finalFile(path);
    const QByteArray name = QFile::encodeName(final.fileName());
    const QByteArray pending = pendingName(name);
    const Descriptor folder(::open(QFile::encodeName(final.absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd() < 0)
        fail(path, failureText, true, errno);
    struct stat old;
    const bool exists = ::fstatat(folder.fd(), name.constData(), &old, 0) == 0;

    // The new content is written unnamed where the file system allows, so that a kill while
    // writing leaves nothing; else under the pending name, which the next write replaces.
    bool named = !canNameUnnamedFiles();
    int fd = named ? -1 : ::openat(folder.fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (named || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        named = true;
        ::unlinkat(folder.fd(), pending.constData(), 0);
        fd = ::openat(folder.fd(), pending.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      0666);
    }
    if (fd < 0 && errno == EACCES && exists) {
        // A folder the user may not write still lets the user's own file in it be rewritten,
        // in place and so without the safety of the temporary copy.
        const Descriptor direct(
            ::openat(folder.fd(), name.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (direct.fd() < 0)
            fail(path, failureText, true, errno);
        if (!writeAll(direct.fd(), bytes) || ::fsync(direct.fd()) != 0)
            fail(path, failureText, false, errno);
        return;
    }
    if (fd < 0)
        fail(path, failureText, true, errno);
    const Descriptor file(fd);
    const auto dropPending = [&] {
        const int cause = errno;
        if (named)
            ::unlinkat(folder.fd(), pending.constData(), 0);
        return cause;
    };

    // The new file keeps the old one's permissions (where this user may set them).
    if (exists)
        ::fchmod(fd, old.st_mode & 07777);
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        fail(path, failureText, false, dropPending());
    if (!named) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        int linked = ::linkat(AT_FDCWD, self.constData(), folder.fd(), pending.constData(),
                              AT_SYMLINK_FOLLOW);
        // What an earlier write that was killed left under the pending name goes now.
        if (linked != 0 && errno == EEXIST) {
            ::unlinkat(folder.fd(), pending.constData(), 0);
            linked = ::linkat(AT_FDCWD, self.constData(), folder.fd(), pending.constData(),
                              AT_SYMLINK_FOLLOW);
        }
        if (linked != 0)
            fail(path, failureText, false, errno);
        named = true;
    }
    if (::renameat(folder.fd(), pending.constData(), folder.fd(), name.constData()) != 0)
        fail(path, failureText, false, dropPending());
    // The rename is done whatever the folder's sync says; it only makes it outlast a power cut.
    ::fsync(folder.fd());
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
