#include "JournalLocks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString LockSuffix = QStringLiteral(".lock");

int openFile(const QString &path, int flags)
{
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int lockFile(int fd, int operation)
{
    int result = -1;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Whether the lock file at path is held by a program: it is, when a lock of our own cannot be
// had; one that cannot be asked counts as held. A file found free is removed when remove says
// so, while our lock keeps a program that would take it from taking it.
JournalLocks::Holder ask(const QString &path, bool remove)
{
    const int fd = openFile(path, O_RDONLY);
    if (fd < 0)
        return errno == ENOENT ? JournalLocks::Holder::NoLockFile : JournalLocks::Holder::Runs;
    JournalLocks::Holder holder = JournalLocks::Holder::Runs;
    if (lockFile(fd, (remove ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
        holder = JournalLocks::Holder::Ended;
        if (remove)
            ::unlink(QFile::encodeName(path).constData());
    }
    ::close(fd);
    return holder;
}

// The programs' own locks, by file: the journals one program opens (a test opens several) share
// one, as they share the program's name.
struct HeldLock
{
    int fd = -1;
    int users = 0;
};
std::mutex heldMutex;
QHash<QString, HeldLock> &heldLocks()
{
    static QHash<QString, HeldLock> held;
    return held;
}

} // namespace

JournalLocks::JournalLocks(const QString &journalFile) : m_folder(folderOf(journalFile)) {}

JournalLocks::~JournalLocks()
{
    release();
}

QString JournalLocks::folderOf(const QString &journalFile)
{
    return journalFile + u"-locks"_s;
}

QString JournalLocks::fileFor(const QString &owner) const
{
    return m_folder + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(owner)) + LockSuffix;
}

bool JournalLocks::hold(const QString &owner)
{
    release();
    // Only beside a journal folder that is there: a missing program folder stays missing.
    if (!QDir(m_folder).exists() && !QDir().mkdir(m_folder))
        return false;
    const QString mine = fileFor(owner);
    std::lock_guard lock(heldMutex);
    HeldLock &held = heldLocks()[mine];
    if (held.fd >= 0 && !QFileInfo::exists(mine)) { // removed under this program: made again
        ::close(held.fd);
        held.fd = -1;
    }
    if (held.fd < 0) {
        const QDir folder(m_folder);
        for (const QString &name :
             folder.entryList({u"*"_s + LockSuffix}, QDir::Files | QDir::Hidden))
            if (folder.filePath(name) != mine)
                ask(folder.filePath(name), true);
        // Another program that finds the file free before it is locked may remove it: the
        // lock counts only on the file that still stands under the name.
        for (int attempt = 0; attempt < 10 && held.fd < 0; ++attempt) {
            const int fd = openFile(mine, O_RDWR | O_CREAT);
            if (fd < 0)
                break;
            struct stat locked = {};
            struct stat named = {};
            if (lockFile(fd, LOCK_EX) == 0 && ::fstat(fd, &locked) == 0 &&
                ::stat(QFile::encodeName(mine).constData(), &named) == 0 &&
                locked.st_ino == named.st_ino && locked.st_dev == named.st_dev)
                held.fd = fd;
            else
                ::close(fd);
        }
        if (held.fd < 0) {
            if (held.users == 0)
                heldLocks().remove(mine);
            return false;
        }
    }
    ++held.users;
    m_mine = mine;
    return true;
}

void JournalLocks::release()
{
    if (m_mine.isEmpty())
        return;
    std::lock_guard lock(heldMutex);
    HeldLock &held = heldLocks()[m_mine];
    if (--held.users <= 0) {
        // Removed while still locked: a program asking in between finds no file, or a held one.
        ::unlink(QFile::encodeName(m_mine).constData());
        ::close(held.fd);
        heldLocks().remove(m_mine);
    }
    m_mine.clear();
}

bool JournalLocks::lost() const
{
    return !m_mine.isEmpty() && !QFileInfo::exists(m_mine);
}

JournalLocks::Holder JournalLocks::holder(const QString &owner) const
{
    const QString path = fileFor(owner);
    if (path == m_mine)
        return Holder::Runs;
    return ask(path, false);
}

bool JournalLocks::othersRun() const
{
    const QDir folder(m_folder);
    if (!folder.exists())
        return false;
    for (const QString &name : folder.entryList({u"*"_s + LockSuffix}, QDir::Files | QDir::Hidden))
        if (folder.filePath(name) != m_mine && ask(folder.filePath(name), false) == Holder::Runs)
            return true;
    return false;
}

JournalLocks::Exclusive::Exclusive(const JournalLocks &locks)
{
    m_fd = openFile(locks.m_folder, O_RDONLY | O_DIRECTORY);
    if (m_fd >= 0)
        lockFile(m_fd, LOCK_EX);
}

JournalLocks::Exclusive::~Exclusive()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
