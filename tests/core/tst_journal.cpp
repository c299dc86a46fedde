#include "FileSizeLimit.h"
#include "Journal.h"
#include "JournalFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

#include <cstdio>

using namespace Qt::StringLiterals;

using namespace JournalFixture;

class TestJournal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString journalPath() const { return m_dir.filePath(Journal::fileName()); }
    int rowCount(const QString &table) const
    {
        return JournalFixture::rowCount(journalPath(), table);
    }

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
            QVERIFY(journal.amendLastStep(moneyStep(1, 23), sheetWithMoney(23)));
            QVERIFY(journal.appendStep(flagStep()));
            QVERIFY(journal.setUndoIndex(2, sheetWithMoney(23))); // the flag: the redo tail
            QVERIFY(journal.appendDice({3, 4}, 7, 99));
            // In a folder for its owner alone, so are the journal and the files SQLite adds.
            for (const QString &end : {u""_s, u"-wal"_s, u"-shm"_s})
                QCOMPARE(QFile::permissions(journalPath() + end) & QFileDevice::Permissions(0x77),
                         QFileDevice::Permissions());
        }
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(SheetState::fresh()));
        const auto unsaved = journal.unsavedSheets();
        QCOMPARE(unsaved.size(), 1);
        QCOMPARE(unsaved[0].session, id);
        const auto data = journal.loadSession(id);
        QVERIFY(data);
        QCOMPARE(data->initial, sheetWithMoney(0));
        QCOMPARE(data->steps, (QList<SheetStep>{moneyStep(0, 1), moneyStep(1, 23), flagStep()}));
        QCOMPARE(data->undoIndex, 2);
        QCOMPARE(data->dice, (QList<DiceEvent>{{99, {3, 4}, 7, 2}}));

        const auto taken = journal.takeSheet(id);
        QVERIFY(taken);
        QCOMPARE(taken->state, sheetWithMoney(23));
        QVERIFY(journal.unsavedSheets().isEmpty()); // taken: offered no more
        QVERIFY(!journal.takeSheet(id));
        // Its history stays where it was, told up to the step taken.
        const auto history = journal.historyTo(taken->step);
        QVERIFY(history);
        QCOMPARE(history->steps, (QList<SheetStep>{moneyStep(0, 1), moneyStep(1, 23)}));
        QCOMPARE(history->dice, data->dice);
    }

    // Undo moves back along the tree; a step after it starts a branch, and the steps undone
    // stay: a save before the undo still leads to its own history, not the branch's.
    void undoNeverDeletesAndASaveKeepsItsOwnHistory()
    {
        const QString file = m_dir.filePath(u"a.pkd"_s);
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(sheetWithMoney(0)));
        QVERIFY(journal.appendStep(moneyStep(0, 1)));
        QVERIFY(journal.appendStep(moneyStep(1, 2)));
        QVERIFY(journal.appendDice({6}, 6, 5));
        QVERIFY(journal.noteSaved(file, "saved"));
        const qint64 saved = journal.currentStep();
        QVERIFY(journal.setUndoIndex(0));
        QVERIFY(journal.appendStep(moneyStep(0, 50))); // the branch
        QVERIFY(journal.appendDice({1}, 1, 6, true));  // typed in from real dice

        QCOMPARE(journal.stepForSaveFile(file, "saved"), saved);
        QVERIFY(!journal.stepForSaveFile(file, "changed elsewhere"));
        const auto history = journal.historyTo(saved);
        QVERIFY(history);
        QCOMPARE(history->steps, (QList<SheetStep>{moneyStep(0, 1), moneyStep(1, 2)}));
        QCOMPARE(history->dice, (QList<DiceEvent>{{5, {6}, 6, 2}}));
        const auto branch = journal.loadSession(journal.currentSession());
        QCOMPARE(branch->steps, QList<SheetStep>{moneyStep(0, 50)});
        QCOMPARE(branch->dice, (QList<DiceEvent>{{6, {1}, 1, 1, true}}));

        // A sheet continuing the file is one step whose origin is the saved step: its history
        // is the file's, followed by its own steps, and nothing was copied.
        const int before = rowCount(u"nodes"_s);
        QVERIFY(journal.beginSession(sheetWithMoney(9)));
        SheetStep open{SheetStep::Kind::Open, QString(), 7,
                       SheetDelta::between(sheetWithMoney(9), sheetWithMoney(2))};
        QVERIFY(journal.appendStep(open, sheetWithMoney(2)));
        QVERIFY(journal.setOrigin(saved));
        QVERIFY(journal.appendStep(moneyStep(2, 3)));
        journal.flush();
        QCOMPARE(rowCount(u"nodes"_s), before + 3); // a start and two steps
        const auto continued = journal.historyTo(journal.currentStep());
        QVERIFY(continued);
        open.origin = saved;
        QCOMPARE(continued->initial, sheetWithMoney(0));
        QCOMPARE(continued->steps,
                 (QList<SheetStep>{moneyStep(0, 1), moneyStep(1, 2), open, moneyStep(2, 3)}));
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
        QCOMPARE(data->undoIndex, 1);
        QCOMPARE(journal.unsavedSheets().size(), 1); // left unsaved before the update
        QVERIFY(journal.beginSession(initial));
        const auto taken = journal.takeSheet(1);
        QVERIFY(taken);
        QCOMPARE(taken->state, sheetWithMoney(8));
        QVERIFY(journal.appendDice({1}, 1, 2)); // the tables the new version brought
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
        QCOMPARE(opened, damage == u"full"_s);
        if (opened) {
            QVERIFY(journal.appendStep(moneyStep(0, 1)));
            journal.flush();
            {
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
        const auto at = [](qint64 id, qint64 lastActive, bool steps = false, bool taken = false,
                           bool saved = false, const QString &file = {}, qint64 savedAt = -1) {
            return Stored{id, lastActive, file, savedAt, steps, taken, saved};
        };
        constexpr qint64 Hour = 60 * 60 * 1000;
        // Session 1 is the current one; "old" is two days before now.
        constexpr qint64 Old = Now - 48 * Hour;
        QTest::newRow("the current session, however old and empty")
            << QList<Stored>{at(1, Old)} << QList<qint64>{};
        QTest::newRow("sessions active within a day, whatever they hold")
            << QList<Stored>{at(1, Now), at(2, Now - Hour), at(3, Now - 23 * Hour, true, true)}
            << QList<qint64>{};
        QTest::newRow("old sessions without steps, taken up or saved")
            << QList<Stored>{at(1, Now), at(2, Old), at(3, Old, true, true),
                             at(4, Old, true, false, true)}
            << QList<qint64>{2, 3, 4};
        QList<Stored> many{at(1, Now)};
        for (qint64 id = 2; id <= 40; ++id)
            many.append(at(id, Old + id, true));
        QTest::newRow("every sheet left unsaved, however many") << many << QList<qint64>{};
        QTest::newRow("the session each save file on disk continues")
            << QList<Stored>{at(1, Now), at(2, Old, false, false, true, u"/a.pkd"_s, 5),
                             at(3, Old, false, false, true, u"/a.pkd"_s, 7),
                             at(4, Old, false, false, true, u"/gone.pkd"_s, 9)}
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
        const QString file = m_dir.filePath(u"kept.pkd"_s);
        QFile(file).open(QIODevice::WriteOnly);
        qint64 taken = 0;
        qint64 taker = 0;
        qint64 empty = 0;
        qint64 savedStep = 0;
        {
            Journal journal;
            QVERIFY(journal.open(m_dir.path()));
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            taken = journal.currentSession();
            QVERIFY(journal.appendStep(moneyStep(0, 1), sheetWithMoney(1)));
            QVERIFY(journal.appendDice({2}, 2, 5));
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            empty = journal.currentSession();
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            taker = journal.currentSession();
            QVERIFY(journal.takeSheet(taken));
            QVERIFY(journal.noteSaved(file, "bytes"));
            savedStep = journal.currentStep();
            // A sheet saved to a file that is gone since: nothing leads to it any more.
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            QVERIFY(journal.appendStep(moneyStep(0, 4)));
            QVERIFY(journal.noteSaved(m_dir.filePath(u"gone.pkd"_s), "gone"));
        }
        // Two days go by.
        QVERIFY(runSql(journalPath(), {u"UPDATE sessions SET last_active = 0"_s}));
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(SheetState::fresh()));
        QVERIFY(journal.prune());
        journal.flush();
        QList<qint64> left;
        for (const Journal::SessionInfo &info : journal.sessions())
            left.append(info.id);
        QCOMPARE(left, (QList<qint64>{taker, journal.currentSession()}));
        QVERIFY(!journal.loadSession(taken) && !journal.loadSession(empty));
        // The taken sheet's history is kept: the saved file's history leads through it.
        QCOMPARE(journal.stepForSaveFile(file, "bytes"), savedStep);
        const auto history = journal.historyTo(savedStep);
        QVERIFY(history);
        QCOMPARE(history->steps.size(), 2);
        QCOMPARE(history->steps[0], moneyStep(0, 1));
        QCOMPARE(history->dice.size(), 1);
        QVERIFY(!journal.stepForSaveFile(m_dir.filePath(u"gone.pkd"_s), "gone"));
        // The four starts, less the two nobody leads to any more, and the steps of the two kept.
        QCOMPARE(rowCount(u"starts"_s), 3);
    }

    // Taking a sheet up adds one step that stands on the sheet's own: its history is not
    // copied, nor the sheet itself; a sheet taken up from the taker comes back whole.
    void takingASheetUpCopiesNothing()
    {
        SheetState played = sheetWithMoney(0);
        played.record.setInventory(QString(20000, u'x'));
        {
            Journal journal;
            QVERIFY(journal.open(m_dir.path()));
            QVERIFY(journal.beginSession(played));
            for (int i = 0; i < 300; ++i) {
                SheetState next = played;
                next.record.setMoney(i + 1);
                QVERIFY(journal.appendStep(moneyStep(i, i + 1), next));
                played = next;
            }
        } // Exit without a save
        const int before = rowCount(u"nodes"_s);
        qint64 taker = 0;
        SheetState bob = SheetState::fresh();
        bob.record.setName(u"Bob"_s);
        {
            Journal journal;
            QVERIFY(journal.open(m_dir.path()));
            QVERIFY(journal.beginSession(bob));
            taker = journal.currentSession();
            const auto taken = journal.takeSheet(journal.unsavedSheets().value(0).session);
            QVERIFY(taken);
            QCOMPARE(taken->state, played);
            QVERIFY(journal.appendStep(moneyStep(300, 301)));
        } // killed or ended: the sheet is offered again, from the taker
        QCOMPARE(rowCount(u"nodes"_s), before + 3); // a start and two steps
        QVERIFY(rowCount(u"nodes WHERE kind = 14 AND length(delta) = 0"_s) == 1);

        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(SheetState::fresh()));
        const auto data = journal.loadSession(taker);
        QVERIFY(data);
        QCOMPARE(data->steps.size(), 2);
        QCOMPARE(data->steps[0].delta, SheetDelta::between(bob, played));
        const auto again = journal.takeSheet(taker);
        QVERIFY(again);
        SheetState expected = played;
        expected.record.setMoney(301);
        QCOMPARE(again->state, expected);
    }

    // A sheet is offered by no other program while the one that plays it runs; killed, it is
    // offered to every program, next to the others left so, newest first.
    void everySheetLeftUnsavedIsOfferedOnceNobodyPlaysIt()
    {
        Journal live;
        QVERIFY(live.open(m_dir.path()));
        QVERIFY(live.beginSession(sheetWithMoney(0)));
        QVERIFY(live.appendStep(moneyStep(0, 1), sheetWithMoney(1)));
        live.flush();
        for (const int money : {11, 22}) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(),
                         {u"--play-and-wait"_s, m_dir.path(), QString::number(money)});
            QVERIFY(writer.waitForReadyRead(30000)); // its step is on the disk
            QTest::qWait(5);
            writer.kill();
            QVERIFY(writer.waitForFinished(30000));
        }
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(SheetState::fresh()));
        const auto offered = journal.unsavedSheets();
        QCOMPARE(offered.size(), 2);
        QCOMPARE(offered[0].name, u"22"_s);
        QCOMPARE(offered[1].name, u"11"_s);
        QCOMPARE(offered[0].paragraph, 7);
        QVERIFY(!journal.takeSheet(live.currentSession()));
        // The live program's own list holds the two as well, never its own sheet.
        QCOMPARE(live.unsavedSheets().size(), 2);
        // Ended without a save (Exit), it is offered too.
        live.close();
        QCOMPARE(journal.unsavedSheets().size(), 3);
    }

    // The write-ahead log stays small while a long game is played, and after a kill.
    void theLogStaysSmall()
    {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {u"--play-and-wait"_s, m_dir.path(), u"33"_s, u"3000"_s});
        QVERIFY(writer.waitForReadyRead(120000));
        writer.kill();
        QVERIFY(writer.waitForFinished(30000));
        const qint64 wal = QFileInfo(journalPath() + u"-wal"_s).size();
        QVERIFY2(wal < 1100 * 1024, QByteArray::number(wal).constData());
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(QFileInfo(journalPath() + u"-wal"_s).size() < 64 * 1024);
        QCOMPARE(journal.unsavedSheets().size(), 1);
        QVERIFY(journal.beginSession(SheetState::fresh()));
        const auto taken = journal.takeSheet(journal.unsavedSheets()[0].session);
        QVERIFY(taken);
        QCOMPARE(taken->state.record.money(), 3000);
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
    if (args.size() >= 4 && args[1] == u"--play-and-wait"_s)
        return playAndWait(args[2], args[3].toInt(), args.size() > 4 ? args[4].toInt() : 1);
    TestJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
