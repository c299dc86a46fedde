#include "SqlJournalStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// When the process started, as the system counts it, or empty where that cannot be read: with
// the process id it names one run of a program, even after the number is used again.
QString processStartTime(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The name in parentheses may hold spaces; the fields after it are counted from its end.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    return fields.size() > 19 ? QString::fromLatin1(fields[19]) : QString();
}

} // namespace

QString SqlJournalStore::Private::ownerOfThisProgram()
{
    return u"%1 %2 %3"_s.arg(QSysInfo::machineHostName())
        .arg(QCoreApplication::applicationPid())
        .arg(processStartTime(QCoreApplication::applicationPid()));
}

// An owner is "machine pid start" while its program plays the sheet; a program that ended
// leaves the machine alone, which no program is.
bool SqlJournalStore::Private::ownerRuns(const QString &named) const
{
    const QStringList parts = named.split(u' ');
    if (named.isEmpty() || parts.size() != 3)
        return false;
    // The program's lock tells, wherever it runs.
    switch (locks ? locks->holder(named) : JournalLocks::Holder::NoLockFile) {
    case JournalLocks::Holder::Runs:
        return true;
    case JournalLocks::Holder::Ended:
        return false;
    case JournalLocks::Holder::NoLockFile:
        break;
    }
    // Without a lock file (a program that could take none, or one that ended and whose file
    // was removed), a program on this machine is asked by its process id; one elsewhere has
    // no lock held, so it no longer runs.
    if (parts[0] != QSysInfo::machineHostName())
        return false;
    bool ok = false;
    const qint64 pid = parts[1].toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
    if (pid == QCoreApplication::applicationPid())
        return parts[2] == processStartTime(pid);
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    // The number may have been given to another program since: its start time tells.
    const QString started = processStartTime(pid);
    return started.isEmpty() || parts[2].isEmpty() || started == parts[2];
}

QString SqlJournalStore::Private::otherMachine(const QString &owner)
{
    const QString machine = owner.section(u' ', 0, 0);
    return machine == QSysInfo::machineHostName() ? QString() : machine;
}

// Asked without opening the file: opening and closing any file of the journal would drop the
// database's locks on it.
SqlJournalStore::Private::FileId SqlJournalStore::Private::idOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, quint64(info.st_dev), quint64(info.st_ino)};
}

bool SqlJournalStore::Private::filesMoved() const
{
    const QString names[3] = {path, path + u"-wal"_s, path + u"-shm"_s};
    for (int i = 0; i < 3; ++i)
        if ((i == 0 || files[i].exists) && !(idOf(names[i]) == files[i]))
            return true;
    return false;
}

bool SqlJournalStore::Private::beginWrite()
{
    if (!run(u"BEGIN IMMEDIATE"_s))
        return false;
    // Checked with the write lock held: a program that wrote to the lost journal did so before
    // the new one was made from it, and every write after that goes to the new one.
    if (!filesMoved())
        return true;
    rollback();
    return replaceLostJournal() && run(u"BEGIN IMMEDIATE"_s);
}

void SqlJournalStore::checkFiles()
{
    // A write with nothing in it: beginning it is what makes the journal again.
    if (d->available && !d->inBatch && d->filesMoved())
        d->transaction([] { return true; }, false);
}

bool SqlJournalStore::Private::replaceLostJournal()
{
    const QString shown = QDir::toNativeSeparators(path);
    const QString lost =
        u"履歴ファイル %1 が消されたため、これからの履歴は記録されません。"_s.arg(shown);
    // The lock file may have gone with the journal: this program's lock is made again.
    if (locks && locks->lost())
        locks->hold(owner);
    std::optional<JournalLocks::Exclusive> exclusive;
    if (locks)
        exclusive.emplace(*locks);
    // Another program may have made the new journal while this one waited.
    const FileId standing = idOf(path);
    if (!standing.exists || standing == files[0]) {
        // Made whole beside it from what this connection still reads (the lost files stay
        // readable while open), and put in its place at once.
        const QString made = path + u"-new"_s;
        QFile::remove(made);
        QSqlQuery copy = query(u"VACUUM INTO ?"_s, {made});
        const QSqlError error = copy.lastError();
        copy.finish();
        if (error.type() != QSqlError::NoError) {
            QFile::remove(made);
            fail(u"%1 (%2)"_s.arg(lost, error.text()));
            return false;
        }
        // The log and shared memory left under the journal's name belong to the lost journal:
        // the new one must never read them as its own.
        QFile::remove(path + u"-wal"_s);
        QFile::remove(path + u"-shm"_s);
        if (std::rename(QFile::encodeName(made).constData(), QFile::encodeName(path).constData()) !=
            0) {
            QFile::remove(made);
            fail(lost);
            return false;
        }
    }
    prepared.clear();
    disconnect(false);
    if (!connect())
        return false;
    // The sheet goes on only in a journal that holds it: not in another file put in its place.
    if (session != 0 && !query(u"SELECT 1 FROM sessions WHERE id = ?"_s, {session}).next()) {
        fail(lost);
        return false;
    }
    notice = u"履歴ファイル %1 が消されたため、作り直して記録を続けています。"_s.arg(shown);
    return true;
}
