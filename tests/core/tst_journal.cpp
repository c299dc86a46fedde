#include "FileSizeLimit.h"
#include "Journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 Now = 1796637600000; // 2026-12-07 10:00:00 UTC

SheetState sheetWithMoney(int money)
{
    SheetState s = SheetState::fresh();
    s.record.setMoney(money);
    return s;
}

SheetStep moneyStep(int from, int to, qint64 time = 1)
{
    return {SheetStep::Kind::Typing, u"EditMoney"_s, time,
            SheetDelta::between(sheetWithMoney(from), sheetWithMoney(to))};
}

// A step of a kind that names no box.
SheetStep flagStep()
{
    SheetState ticked = sheetWithMoney(23);
    ticked.record.setFlagCount(1);
    ticked.record.setFlag(0, true);
    return {SheetStep::Kind::Flag, QString(), 2, SheetDelta::between(sheetWithMoney(23), ticked)};
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs statements on the database at path through a connection of its own.
bool runSql(const QString &path, const QStringList &statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"raw"_s);
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString &sql : statements) {
            QSqlQuery q(db);
            ok = ok && q.exec(sql);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(u"raw"_s);
    return ok;
}

// The other program of the two-writer test: steps steps, each its own transaction.
int writeSteps(const QString &dir, int steps)
{
    Journal journal;
    if (!journal.open(dir) || !journal.beginSession(sheetWithMoney(0))) {
        std::fprintf(stderr, "%s\n", qPrintable(journal.statusText()));
        return 1;
    }
    for (int i = 0; i < steps; ++i)
        journal.appendStep(moneyStep(i, i + 1, i));
    journal.flush();
    return journal.isAvailable() ? 0 : 2;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString journalPath() const { return m_dir.filePath(Journal::fileName()); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        for (const QString &name :
             QDir(m_dir.path())
                 .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(m_dir.filePath(name)).isDir()
                        ? QDir(m_dir.filePath(name)).removeRecursively()
                        : QFile::remove(m_dir.filePath(name)));
    }

    void aSessionComesBackAfterTheProgramEnded()
    {
        qint64 id = 0;
        {
            Journal journal;
            QVERIFY(journal.open(m_dir.path()));
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            id = journal.currentSession();
            QVERIFY(journal.appendStep(moneyStep(0, 1)));
            QVERIFY(journal.appendStep(moneyStep(1, 2)));
            QVERIFY(journal.amendLastStep(moneyStep(1, 23)));
            QVERIFY(journal.appendStep(flagStep()));
            QVERIFY(journal.setUndoIndex(2)); // the last step becomes the redo tail
            QVERIFY(journal.appendDice({3, 4}, 7, 99));
        }
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(SheetState::fresh()));
        QCOMPARE(journal.lastUnfinishedSession(), id);
        const auto data = journal.loadSession(id);
        QVERIFY(data);
        QCOMPARE(data->initial, sheetWithMoney(0));
        QCOMPARE(data->steps, (QList<SheetStep>{moneyStep(0, 1), moneyStep(1, 23), flagStep()}));
        QCOMPARE(data->undoIndex, 2);
        QCOMPARE(data->dice, (QList<DiceEvent>{{99, {3, 4}, 7, 2}}));

        const auto continued = journal.continueSession(id);
        QVERIFY(continued);
        QCOMPARE(continued->steps, data->steps);
        QCOMPARE(journal.currentSession(), continued->info.id);
        // A new step after undo drops the redo tail, in the journal as on the stack.
        QVERIFY(journal.appendStep(moneyStep(23, 5)));
        QCOMPARE(journal.loadSession(continued->info.id)->steps.last(), moneyStep(23, 5));
        QCOMPARE(journal.loadSession(continued->info.id)->steps.size(), 3);
        QVERIFY(!journal.lastUnfinishedSession()); // the old one was taken up, ours is current
    }

    void aSaveFileContinuesOnlyTheHistoryThatWroteItLast_data()
    {
        QTest::addColumn<QByteArray>("opened");
        QTest::addColumn<bool>("otherSessionSavedLater");
        QTest::addColumn<bool>("continues");
        QTest::newRow("same bytes") << QByteArray("saved") << false << true;
        QTest::newRow("changed elsewhere") << QByteArray("saved!") << false << false;
        QTest::newRow("written later by another sheet") << QByteArray("saved") << true << false;
    }
    void aSaveFileContinuesOnlyTheHistoryThatWroteItLast()
    {
        QFETCH(QByteArray, opened);
        QFETCH(bool, otherSessionSavedLater);
        QFETCH(bool, continues);
        const QString file = m_dir.filePath(u"a.pkd"_s);
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(sheetWithMoney(0)));
        const qint64 writer = journal.currentSession();
        QVERIFY(journal.appendStep(moneyStep(0, 1)));
        QVERIFY(journal.noteSaved(file, "saved"));
        QVERIFY(journal.appendStep(moneyStep(1, 2))); // after the save: not in the file
        if (otherSessionSavedLater) {
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            QTest::qWait(2);
            QVERIFY(journal.noteSaved(file, "other"));
        }
        const auto found = journal.sessionForSaveFile(file, opened);
        QCOMPARE(found.has_value(), continues);
        if (continues) {
            QCOMPARE(*found, writer);
            const auto data = journal.continueSession(writer, journal.savedStepCount(writer));
            QCOMPARE(data->steps, QList<SheetStep>{moneyStep(0, 1)});
            // The step made after the save is still offered as unfinished work.
            QCOMPARE(journal.lastUnfinishedSession(), writer);
        }
    }

    void anOlderJournalIsMigrated()
    {
        const SheetState initial = sheetWithMoney(7);
        const QString blob = QString::fromLatin1(initial.encode().toHex());
        const QString step = QString::fromLatin1(moneyStep(7, 8).delta.encode().toHex());
        QVERIFY(
            runSql(journalPath(),
                   {u"CREATE TABLE sessions(id INTEGER PRIMARY KEY AUTOINCREMENT,"
                    " started INTEGER NOT NULL, last_active INTEGER NOT NULL,"
                    " undo_index INTEGER NOT NULL DEFAULT 0,"
                    " save_file TEXT NOT NULL DEFAULT '', save_hash BLOB, saved_at INTEGER,"
                    " saved_steps INTEGER NOT NULL DEFAULT -1, saved INTEGER NOT NULL DEFAULT 0,"
                    " continued INTEGER NOT NULL DEFAULT 0)"_s,
                    u"CREATE TABLE steps(session INTEGER NOT NULL, seq INTEGER NOT NULL,"
                    " kind INTEGER NOT NULL, field TEXT NOT NULL, time INTEGER NOT NULL,"
                    " delta BLOB NOT NULL, PRIMARY KEY(session, seq)) WITHOUT ROWID"_s,
                    u"CREATE TABLE initial_states(session INTEGER PRIMARY KEY,"
                    " state BLOB NOT NULL)"_s,
                    u"INSERT INTO sessions(started, last_active, undo_index) VALUES(5, 6, 1)"_s,
                    u"INSERT INTO initial_states VALUES(1, x'%1')"_s.arg(blob),
                    u"INSERT INTO steps VALUES(1, 0, 1, 'EditMoney', 1, x'%1')"_s.arg(step),
                    u"PRAGMA user_version = 1"_s}));
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        const auto data = journal.loadSession(1);
        QVERIFY(data);
        QCOMPARE(data->initial, initial);
        QCOMPARE(data->steps, QList<SheetStep>{moneyStep(7, 8)});
        QVERIFY(journal.continueSession(1));
        QVERIFY(journal.appendDice({1}, 1, 2)); // the table the new version brought
        journal.close();
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        {
            db.setDatabaseName(journalPath());
            QVERIFY(db.open());
            QSqlQuery q(u"PRAGMA user_version"_s, db);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), Journal::SchemaVersion);
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"check"_s);
    }

    void aNewerJournalIsReadButNeverWritten()
    {
        QVERIFY(
            runSql(journalPath(), {u"CREATE TABLE future(x)"_s, u"INSERT INTO future VALUES(1)"_s,
                                   u"PRAGMA user_version = %1"_s.arg(Journal::SchemaVersion + 1)}));
        const QByteArray bytes = contentOf(journalPath());
        {
            Journal journal;
            QVERIFY(!journal.open(m_dir.path()));
            QVERIFY(journal.isReadOnly());
            QVERIFY(journal.statusText().contains(u"新しい版"_s));
            QVERIFY(!journal.beginSession(SheetState::fresh()));
            QVERIFY(!journal.appendStep(moneyStep(0, 1)));
        }
        QCOMPARE(contentOf(journalPath()), bytes);
    }

    void aJournalThatCannotBeUsedLeavesTheSheetWithoutHistory_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("junk bytes") << u"junk"_s;
        QTest::newRow("a folder of that name") << u"folder"_s;
        QTest::newRow("a pipe of that name") << u"pipe"_s;
        QTest::newRow("deleted while in use") << u"deleted"_s;
        QTest::newRow("disk full while in use") << u"full"_s;
        QTest::newRow("missing program folder") << u"nofolder"_s;
    }
    void aJournalThatCannotBeUsedLeavesTheSheetWithoutHistory()
    {
        QFETCH(QString, damage);
        QString dir = m_dir.path();
        const QByteArray junk(4096, '\xA5');
        if (damage == u"junk"_s) {
            QFile file(journalPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(junk);
        } else if (damage == u"folder"_s) {
            QVERIFY(QDir(m_dir.path()).mkdir(Journal::fileName()));
        } else if (damage == u"pipe"_s) {
            QVERIFY(mkfifo(QFile::encodeName(journalPath()).constData(), 0600) == 0);
        } else if (damage == u"nofolder"_s) {
            dir = m_dir.filePath(u"gone"_s);
        }
        Journal journal;
        const bool opened = journal.open(dir) && journal.beginSession(SheetState::fresh());
        QCOMPARE(opened, damage == u"deleted"_s || damage == u"full"_s);
        if (opened) {
            QVERIFY(journal.appendStep(moneyStep(0, 1)));
            journal.flush();
            if (damage == u"deleted"_s) {
                for (const QString &suffix : {u""_s, u"-wal"_s, u"-shm"_s})
                    QFile::remove(journalPath() + suffix);
                journal.appendStep(moneyStep(1, 2));
                journal.flush();
            } else {
                FileSizeLimit limit(0);
                journal.appendStep(moneyStep(1, 2));
                journal.flush();
            }
            QVERIFY(!journal.appendDice({1}, 1, 1)); // refused at once from now on
        }
        QVERIFY(!journal.isAvailable());
        QVERIFY(!journal.statusText().isEmpty());
        if (damage == u"junk"_s) {
            QVERIFY(journal.statusText().contains(u"壊れている"_s));
            QCOMPARE(contentOf(journalPath()), junk);
        }
    }

    void pruningKeepsWhatCanStillComeBack_data()
    {
        using Stored = Journal::StoredSession;
        QTest::addColumn<QList<Stored>>("sessions");
        QTest::addColumn<QList<qint64>>("dropped");
        const auto at = [](qint64 id, qint64 lastActive, bool steps = false, bool continued = false,
                           const QString &file = {}, qint64 savedAt = -1) {
            return Stored{id, lastActive, file, savedAt, steps, continued};
        };
        constexpr qint64 Hour = 60 * 60 * 1000;
        // Session 1 is the current one; "old" is two days before now.
        constexpr qint64 Old = Now - 48 * Hour;
        QTest::newRow("the current session, however old and empty")
            << QList<Stored>{at(1, Old)} << QList<qint64>{};
        QTest::newRow("sessions active within a day, whatever they hold")
            << QList<Stored>{at(1, Now), at(2, Now - Hour), at(3, Now - 23 * Hour, true, true)}
            << QList<qint64>{};
        QTest::newRow("old sessions without steps or taken up whole")
            << QList<Stored>{at(1, Now), at(2, Old), at(3, Old, true, true)} << QList<qint64>{2, 3};
        QList<Stored> many{at(1, Now)};
        for (qint64 id = 2; id <= Journal::KeptSessions + 3; ++id)
            many.append(at(id, Old + id, true));
        QTest::newRow("the newest with steps") << many << QList<qint64>{2, 3};
        QTest::newRow("the session each save file on disk continues")
            << QList<Stored>{at(1, Now), at(2, Old, false, false, u"/a.pkd"_s, 5),
                             at(3, Old, false, false, u"/a.pkd"_s, 7),
                             at(4, Old, false, false, u"/gone.pkd"_s, 9)}
            << QList<qint64>{2, 4};
    }

    void pruningKeepsWhatCanStillComeBack()
    {
        QFETCH(QList<Journal::StoredSession>, sessions);
        QFETCH(QList<qint64>, dropped);
        const auto exists = [](const QString &path) { return path == u"/a.pkd"_s; };
        QCOMPARE(Journal::sessionsToDrop(sessions, 1, Now, exists), dropped);
    }

    void pruningRemovesOldSessionsWithAllTheyHold()
    {
        qint64 taken = 0;
        qint64 copy = 0;
        qint64 empty = 0;
        {
            Journal journal;
            QVERIFY(journal.open(m_dir.path()));
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            taken = journal.currentSession();
            QVERIFY(journal.appendStep(moneyStep(0, 1)));
            QVERIFY(journal.appendDice({2}, 2, 5));
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            empty = journal.currentSession();
            const auto continued = journal.continueSession(taken);
            QVERIFY(continued);
            copy = continued->info.id;
        }
        // Two days go by.
        QVERIFY(runSql(journalPath(), {u"UPDATE sessions SET last_active = 0"_s}));
        Journal idle; // a program left open since, with the empty session
        QVERIFY(idle.open(m_dir.path()));
        QVERIFY(idle.beginSession(sheetWithMoney(0)));
        const qint64 idleSession = idle.currentSession();
        QVERIFY(runSql(journalPath(), {u"UPDATE sessions SET last_active = 0"_s}));

        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(SheetState::fresh()));
        QVERIFY(journal.prune());
        journal.flush();
        QList<qint64> left;
        for (const Journal::SessionInfo &info : journal.sessions())
            left.append(info.id);
        QCOMPARE(left, (QList<qint64>{copy, journal.currentSession()}));
        QCOMPARE(journal.lastUnfinishedSession(), copy);
        QCOMPARE(journal.loadSession(copy)->steps, QList<SheetStep>{moneyStep(0, 1)});
        QVERIFY(!journal.loadSession(taken) && !journal.loadSession(empty) &&
                !journal.loadSession(idleSession));
        // The program whose session went says so instead of writing steps that belong to
        // nothing.
        idle.appendStep(moneyStep(0, 1));
        idle.flush();
        QVERIFY(!idle.isAvailable());
        QVERIFY(!idle.statusText().isEmpty());
        journal.flush();
        QVERIFY(!journal.loadSession(idleSession));
    }

    void twoProgramsWriteOneJournalWithoutHarm()
    {
        constexpr int Steps = 150;
        QList<QProcess *> writers;
        for (int i = 0; i < 2; ++i) {
            auto *writer = new QProcess(this);
            writer->start(QCoreApplication::applicationFilePath(),
                          {u"--write-steps"_s, m_dir.path(), QString::number(Steps)});
            writers.append(writer);
        }
        for (QProcess *writer : writers) {
            QVERIFY(writer->waitForFinished(60000));
            QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
            QVERIFY2(writer->exitCode() == 0, writer->readAllStandardError().constData());
        }
        qDeleteAll(writers);
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        const auto sessions = journal.sessions();
        QCOMPARE(sessions.size(), 2);
        for (const Journal::SessionInfo &info : sessions) {
            const auto data = journal.loadSession(info.id);
            QVERIFY(data);
            QCOMPARE(data->steps.size(), Steps);
            QCOMPARE(data->steps.last(), moneyStep(Steps - 1, Steps, Steps - 1));
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--write-steps"_s)
        return writeSteps(args[2], args[3].toInt());
    TestJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
