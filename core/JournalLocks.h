#pragma once

#include <QString>

// Which programs use a journal, told by locks that nothing else in a process can drop.
//
// SQLite tells the programs sharing a database apart by POSIX advisory locks, and the system
// drops every such lock a process holds on a file as soon as the process closes any descriptor
// of that file: a file dialog, an icon lookup or a plug-in that merely opens and closes the
// journal to learn its type leaves the program's locks gone without a word. Another program
// then takes itself to be alone and deletes the write-ahead log under the first one.
//
// So each program also holds a lock file of its own, in a folder beside the journal, locked
// with flock(2): such a lock belongs to the descriptor that took it and is dropped only when
// that descriptor closes or the process ends. Whoever wonders whether a program still runs asks
// its lock file, which works for a program on another machine sharing the folder too, where a
// process id means nothing.
class JournalLocks
{
public:
    // journalFile is the journal's path; the locks lie in journalFile + "-locks".
    explicit JournalLocks(const QString &journalFile);
    ~JournalLocks();
    JournalLocks(const JournalLocks &) = delete;
    JournalLocks &operator=(const JournalLocks &) = delete;

    // The folder of lock files.
    static QString folderOf(const QString &journalFile);

    // Takes this program's lock under the name owner (the journals one program opens share it),
    // removing the lock files of programs that ended without removing theirs. False when no lock
    // could be taken.
    bool hold(const QString &owner);
    // Drops the lock and removes its file.
    void release();
    bool holds() const { return !m_mine.isEmpty(); }
    // Whether the lock's file was removed under this program (with the journal, by hand).
    bool lost() const;

    enum class Holder { Runs, Ended, NoLockFile };
    // Whether the program that took the lock under owner still runs. A lock that cannot be
    // asked (a file system without such locks) counts as held.
    Holder holder(const QString &owner) const;
    // Whether any program other than this one holds a lock, or one cannot be asked.
    bool othersRun() const;

    // Held while one program puts a new journal in the place of one that was deleted, and while
    // a program opens the journal, so that nobody opens what is being replaced.
    class Exclusive
    {
    public:
        explicit Exclusive(const JournalLocks &locks);
        ~Exclusive();
        Exclusive(const Exclusive &) = delete;
        Exclusive &operator=(const Exclusive &) = delete;

    private:
        int m_fd = -1;
    };

private:
    QString fileFor(const QString &owner) const;
    QString m_folder;
    QString m_mine; // the lock file held, empty for none
};
