#include "WholeFile.h"

#include "FileError.h"
#include "ProgramDir.h"

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

// The folder part of a path and its last element, as bytes.
QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray lastElementOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// A link the user placed is written through: the file it leads to is replaced, the link stays.
QByteArray finalFile(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            break;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t size = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (size <= 0 || size >= target.size())
            break;
        target.truncate(size);
        path = target.startsWith('/') ? target : folderOf(path) + '/' + target;
    }
    return path;
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

bool writeAllAt(int fd, const char *data, qint64 size, off_t at)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size_t(size), at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        size -= written;
        at += written;
    }
    return true;
}

bool readAllAt(int fd, char *data, qint64 size, off_t at)
{
    while (size > 0) {
        const ssize_t got = ::pread(fd, data, size_t(size), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO;
            return false;
        }
        data += got;
        size -= got;
        at += got;
    }
    return true;
}

// Rewrites the open file with bytes where no temporary file can be made. The new bytes first go
// after the old ones and reach the disk there: that claims every byte of room the new content
// needs (a full disk, a quota or a size limit fails here) while the old bytes stay untouched,
// and a failure only cuts the file back to them. Once they are sure, the new bytes are copied
// to the start, which needs no new room, and the file is cut to their length. The old bytes are
// held in memory until then (when the file can be read): should the copy fail all the same,
// they are put back. A kill before the copy leaves the old content first, with the new after
// it, where a reader of a save file stops and a reader of a settings file finds the old
// sections first. Gives 0, or the errno of the failure.
int writeInPlace(int fd, const QByteArray &bytes, bool readable)
{
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return errno;
    const off_t oldSize = status.st_size;
    QByteArray old;
    if (readable) {
        old.resize(qsizetype(oldSize));
        if (!readAllAt(fd, old.data(), old.size(), 0))
            return errno;
    }
    if (!writeAllAt(fd, bytes.constData(), bytes.size(), oldSize) || ::fsync(fd) != 0) {
        const int cause = errno;
        [[maybe_unused]] const int cut = ::ftruncate(fd, oldSize);
        ::fsync(fd);
        return cause;
    }
    if (!writeAllAt(fd, bytes.constData(), bytes.size(), 0) ||
        ::ftruncate(fd, off_t(bytes.size())) != 0 || ::fsync(fd) != 0) {
        const int cause = errno;
        if (readable && writeAllAt(fd, old.constData(), old.size(), 0)) {
            [[maybe_unused]] const int cut = ::ftruncate(fd, oldSize);
        }
        ::fsync(fd);
        return cause;
    }
    return 0;
}

// An unnamed file is given its name through the process's view of its descriptors.
bool canNameUnnamedFiles()
{
    static const bool procfs = ::access("/proc/self/fd", X_OK) == 0;
    return procfs;
}

} // namespace

bool isJournalFile(const QString &path)
{
    const QFileInfo given(path);
    const QString name =
        given.exists() ? QFileInfo(given.canonicalFilePath()).fileName() : given.fileName();
    return name == QStringLiteral("Pelko.journal") ||
           name.startsWith(QStringLiteral("Pelko.journal-"));
}

void writeWholeFile(const QString &path, const QByteArray &bytes, WriteFailureText failureText)
{
    // Said plainly rather than by a path no one can make.
    if (ProgramDir::isInNoDataFolder(path))
        throw FileError(ProgramDir::noDataFolderText());
    writeWholeFile(QFile::encodeName(path), path, bytes, failureText);
}

void writeWholeFile(const QByteArray &nativePath, const QString &path, const QByteArray &bytes,
                    WriteFailureText failureText)
{
    // Nothing the program writes may replace the journal: its database alone opens its files.
    if (isJournalFile(QFile::decodeName(nativePath)))
        fail(path, failureText, true, EACCES);
    struct stat target;
    if (::stat(nativePath.constData(), &target) == 0) {
        if (!S_ISREG(target.st_mode))
            fail(path, failureText, true, S_ISDIR(target.st_mode) ? EISDIR : EACCES);
        if (::faccessat(AT_FDCWD, nativePath.constData(), W_OK, AT_EACCESS) != 0)
            fail(path, failureText, true, EACCES);
    }

    const QByteArray final = finalFile(nativePath);
    const QByteArray name = lastElementOf(final);
    const QByteArray pending = pendingName(name);
    const Descriptor folder(
        ::open(folderOf(final).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd() < 0)
        fail(path, failureText, true, errno);
    struct stat old;
    const bool exists = ::fstatat(folder.fd(), name.constData(), &old, 0) == 0;
    struct stat folderStatus;
    const mode_t mode = ::fstat(folder.fd(), &folderStatus) == 0
                            ? mode_t(newFileMode(folderStatus.st_mode))
                            : mode_t(0600);

    // The new content is written unnamed where the file system allows, so that a kill while
    // writing leaves nothing; else under the pending name, which the next write replaces.
    bool named = !canNameUnnamedFiles();
    int fd = named ? -1 : ::openat(folder.fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0 && (named || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        named = true;
        ::unlinkat(folder.fd(), pending.constData(), 0);
        fd = ::openat(folder.fd(), pending.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      mode);
    }
    if (fd < 0 && errno == EACCES && exists) {
        // A folder the user may not write still lets the user's own file in it be rewritten,
        // in place; see writeInPlace for how the old bytes are kept until the new are sure.
        // A file the user may write but not read loses only the copy kept in memory.
        bool readable = true;
        int directFd = ::openat(folder.fd(), name.constData(), O_RDWR | O_CLOEXEC);
        if (directFd < 0 && errno == EACCES) {
            readable = false;
            directFd = ::openat(folder.fd(), name.constData(), O_WRONLY | O_CLOEXEC);
        }
        const Descriptor direct(directFd);
        if (direct.fd() < 0)
            fail(path, failureText, true, errno);
        const int cause = writeInPlace(direct.fd(), bytes, readable);
        if (cause != 0)
            fail(path, failureText, false, cause);
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

unsigned newFileMode(unsigned folderMode)
{
    unsigned mode = 0666;
    if (!(folderMode & S_IXGRP))
        mode &= ~unsigned(S_IRWXG);
    if (!(folderMode & S_IXOTH))
        mode &= ~unsigned(S_IRWXO);
    return mode;
}

bool makeFileIfMissing(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.isFile();
    struct stat folder;
    const mode_t mode = ::stat(QFile::encodeName(info.absolutePath()).constData(), &folder) == 0
                            ? mode_t(newFileMode(folder.st_mode))
                            : mode_t(0600);
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return errno == EEXIST && QFileInfo(path).isFile();
    ::close(fd);
    return true;
}

bool openRegularFile(QFile &file, const QString &path)
{
    if (isJournalFile(path)) {
        errno = EACCES;
        return false;
    }
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
