#include "Journal.h"
#include "JournalFixture.h"
#include "JournalLocks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace JournalFixture;

namespace {

const QStringList JournalSuffixes = {u""_s, u"-wal"_s, u"-shm"_s};

// A program that plays a sheet: its first step is on the disk when it says `first`, then it
// does what `between` does, waits for a line on its input when asked to, plays to money and
// says "ready" once that is on the disk, then waits to be killed.
int playAround(const QString &dir, int money, const std::function<void()> &between, bool wait)
{
    Journal journal;
    if (!journal.open(dir) || !journal.beginSession(sheetWithMoney(0)))
        return 1;
    journal.appendStep(moneyStep(0, 1), sheetWithMoney(1));
    journal.flush();
    between();
    std::printf("first\n");
    std::fflush(stdout);
    char line[16];
    if (wait && !std::fgets(line, sizeof line, stdin))
        return 2;
    journal.appendStep(moneyStep(1, money), sheetWithMoney(money));
    journal.flush();
    std::printf("ready %s\n", qPrintable(journal.statusText()));
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

QString integrity(const QString &path)
{
    QString answer;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(u"PRAGMA integrity_check"_s, db);
            answer = q.next() ? q.value(0).toString() : q.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(u"check"_s);
    return answer;
}

bool waitFor(QProcess &program, const QByteArray &word, QByteArray *said = nullptr)
{
    QByteArray out;
    while (!out.contains(word) && program.waitForReadyRead(30000))
        out += program.readAllStandardOutput();
    if (said)
        *said = out;
    return out.contains(word);
}

} // namespace

class TestJournalLocks : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString journalPath() const { return m_dir.filePath(Journal::fileName()); }

    // The sheets offered once every program ended, the money of each, newest first.
    QList<int> offeredMoney(QStringList *machines = nullptr)
    {
        Journal journal;
        if (!journal.open(m_dir.path()))
            return {-1};
        QList<int> money;
        for (const Journal::UnsavedSheet &sheet : journal.unsavedSheets()) {
            const auto taken = journal.takeSheet(sheet.session);
            money.append(taken ? taken->state.record.money() : -1);
            if (machines)
                machines->append(sheet.machine);
        }
        return money;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path()));
    }

    // Another part of a program opens and closes the journal's files (a file dialog learning
    // their type): the system drops that program's locks on them. A second program that ends
    // in the meantime must still leave the log the first one writes into.
    void aProgramWhoseLocksWereDroppedKeepsItsLog()
    {
        QProcess first;
        first.start(QCoreApplication::applicationFilePath(),
                    {u"--sniff-and-play"_s, m_dir.path(), u"77"_s});
        QVERIFY(waitFor(first, "first"));
        {
            Journal second;
            QVERIFY(second.open(m_dir.path()));
            QVERIFY(second.beginSession(sheetWithMoney(0)));
            QVERIFY(second.appendStep(moneyStep(0, 5), sheetWithMoney(5)));
        } // ended with Exit
        QVERIFY(QFileInfo::exists(journalPath() + u"-wal"_s));
        first.write("go\n");
        QVERIFY(waitFor(first, "ready"));
        first.kill();
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(integrity(journalPath()), u"ok"_s);
        QCOMPARE(offeredMoney(), (QList<int>{77, 5}));
        QCOMPARE(integrity(journalPath()), u"ok"_s);
        // The last program to end folds the log back and removes it, as ever.
        QVERIFY(!QFileInfo::exists(journalPath() + u"-wal"_s));
    }

    void aJournalDeletedWhileInUseIsMadeAgain_data()
    {
        QTest::addColumn<QStringList>("deleted");
        QTest::newRow("the journal") << QStringList{u""_s};
        QTest::newRow("its log") << QStringList{u"-wal"_s};
        QTest::newRow("its shared memory") << QStringList{u"-shm"_s};
        QTest::newRow("all of it") << JournalSuffixes;
        QTest::newRow("all of it, with the locks") << (JournalSuffixes + QStringList{u"-locks"_s});
    }
    // The program that deletes it notices before its next step and goes on in a new journal made
    // from the one it still reads; a program beside it follows into the new one. After a kill
    // every sheet comes back whole.
    void aJournalDeletedWhileInUseIsMadeAgain()
    {
        QFETCH(QStringList, deleted);
        Journal beside;
        QVERIFY(beside.open(m_dir.path()));
        QVERIFY(beside.beginSession(sheetWithMoney(0)));
        QVERIFY(beside.appendStep(moneyStep(0, 3), sheetWithMoney(3)));
        beside.flush();
        QProcess player;
        player.start(QCoreApplication::applicationFilePath(),
                     {u"--delete-and-play"_s, m_dir.path(), deleted.join(u',')});
        QByteArray said;
        QVERIFY(waitFor(player, "ready", &said));
        QVERIFY2(said.contains("作り直して"), said.constData());
        player.kill();
        QVERIFY(player.waitForFinished(30000));
        QVERIFY(beside.appendStep(moneyStep(3, 4), sheetWithMoney(4)));
        beside.flush();
        QVERIFY(beside.isAvailable());
        beside.close();
        QCOMPARE(integrity(journalPath()), u"ok"_s);
        QCOMPARE(offeredMoney(), (QList<int>{4, 99}));
    }

    // A journal put in the place of the deleted one by someone else holds no sheet of this
    // program: it stops recording and says why, and that journal is left as it is.
    void aDifferentJournalInItsPlaceIsLeftAlone()
    {
        Journal journal;
        QVERIFY(journal.open(m_dir.path()));
        QVERIFY(journal.beginSession(sheetWithMoney(0)));
        journal.flush();
        const QString other = m_dir.filePath(u"other"_s);
        QVERIFY(QDir().mkpath(other));
        {
            Journal elsewhere;
            QVERIFY(elsewhere.open(other));
        }
        for (const QString &suffix : JournalSuffixes)
            QFile::remove(journalPath() + suffix);
        QVERIFY(QFile::copy(other + u"/"_s + Journal::fileName(), journalPath()));
        const QByteArray put = contentOf(journalPath());
        journal.appendStep(moneyStep(0, 1));
        journal.flush();
        QVERIFY(!journal.isAvailable());
        QVERIFY(journal.statusText().contains(u"消された"_s));
        journal.close();
        QCOMPARE(contentOf(journalPath()), put);
    }

    void aSheetFromAnotherMachineIsOfferedOnceItsLockIsFree_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("machine");
        const QString here = QSysInfo::machineHostName();
        QTest::newRow("a program elsewhere that runs") << u"far 41 9"_s << true << u"far"_s;
        QTest::newRow("killed elsewhere") << u"far 41 9"_s << false << u"far"_s;
        QTest::newRow("this machine under a former name") << u"old 41 9"_s << false << u"old"_s;
        QTest::newRow("ended elsewhere") << u"far"_s << false << u"far"_s;
        QTest::newRow("ended here") << here << false << QString();
    }
    void aSheetFromAnotherMachineIsOfferedOnceItsLockIsFree()
    {
        QFETCH(QString, owner);
        QFETCH(bool, held);
        QFETCH(QString, machine);
        {
            Journal journal;
            QVERIFY(journal.open(m_dir.path()));
            QVERIFY(journal.beginSession(sheetWithMoney(0)));
            QVERIFY(journal.appendStep(moneyStep(0, 8), sheetWithMoney(8)));
        }
        QVERIFY(runSql(journalPath(), {u"UPDATE sessions SET owner = '%1'"_s.arg(owner)}));
        JournalLocks lock(journalPath());
        if (held)
            QVERIFY(lock.hold(owner));
        else // a lock file its program left behind when it was killed
            QVERIFY(QDir().mkpath(JournalLocks::folderOf(journalPath())) &&
                    QFile(JournalLocks::folderOf(journalPath()) + u"/far%2041%209.lock"_s)
                        .open(QIODevice::WriteOnly));
        QStringList machines;
        QCOMPARE(offeredMoney(&machines), held ? QList<int>() : QList<int>{8});
        if (!held)
            QCOMPARE(machines, QStringList{machine});
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--sniff-and-play"_s) {
        const QString journal = QDir(args[2]).filePath(Journal::fileName());
        // What a file dialog does to learn each file's type.
        return playAround(
            args[2], args[3].toInt(),
            [&] {
                for (const QString &suffix : JournalSuffixes) {
                    QFile file(journal + suffix);
                    if (file.open(QIODevice::ReadOnly))
                        file.read(64);
                }
            },
            true);
    }
    if (args.size() == 4 && args[1] == u"--delete-and-play"_s) {
        const QString journal = QDir(args[2]).filePath(Journal::fileName());
        return playAround(
            args[2], 99,
            [&] {
                for (const QString &suffix : args[3].split(u','))
                    if (!QFile::remove(journal + suffix))
                        QDir(journal + suffix).removeRecursively();
            },
            false);
    }
    TestJournalLocks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journallocks.moc"
