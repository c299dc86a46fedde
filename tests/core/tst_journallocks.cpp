#include "Journal.h"
#include "JournalFixture.h"
#include "JournalLocks.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace JournalFixture;

namespace {

const QStringList JournalSuffixes = {u""_s, u"-wal"_s, u"-shm"_s};

// A program that plays a sheet, does `between` after its first step (then says "first" and,
// when asked to, waits for a line), plays to money (0: no step), says "ready" and its status,
// and waits to be killed.
int playAround(const QString &dir, int money, const std::function<void(Journal &)> &between,
               bool wait)
{
    Journal journal;
    if (!journal.open(dir) || !journal.beginSession(sheetWithMoney(0)))
        return 1;
    journal.appendStep(moneyStep(0, 1), sheetWithMoney(1));
    journal.flush();
    between(journal);
    std::printf("first\n");
    std::fflush(stdout);
    char line[16];
    if (wait && !std::fgets(line, sizeof line, stdin))
        return 2;
    if (money != 0)
        journal.appendStep(moneyStep(1, money), sheetWithMoney(money));
    journal.flush();
    std::printf("ready %s\n", qPrintable(journal.statusText()));
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

QByteArray waitFor(QProcess &program, const QByteArray &word)
{
    QByteArray out;
    while (!out.contains(word) && program.waitForReadyRead(30000))
        out += program.readAllStandardOutput();
    return out;
}

} // namespace

class TestJournalLocks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString journalPath() const { return m_dir.filePath(Journal::fileName()); }

    // The money of each sheet offered, newest first, each taken up; and the machines named.
    QList<int> offeredMoney(QStringList *machines = nullptr)
    {
        Journal journal;
        QList<int> money;
        const QList<Journal::UnsavedSheet> offered =
            journal.open(m_dir.path()) ? journal.unsavedSheets() : QList<Journal::UnsavedSheet>{};
        // A sheet is taken up by a program playing a sheet of its own.
        if (!offered.isEmpty() && !journal.beginSession(SheetState::fresh()))
            return {};
        for (const Journal::UnsavedSheet &sheet : offered) {
            const auto taken = journal.takeSheet(sheet.session);
            money.append(taken ? taken->state.record.money() : -1);
            if (machines)
                machines->append(sheet.machine);
        }
        return money;
    }

private Q_SLOTS:
    void init() { QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path())); }

    // Another part of a program opens and closes the journal's files (a file dialog learning
    // their type): the system drops that program's locks on them. A second program that ends
    // meanwhile must still leave the log the first one writes into.
    void aProgramWhoseLocksWereDroppedKeepsItsLog()
    {
        QProcess first;
        first.start(QCoreApplication::applicationFilePath(),
                    {u"--sniff-and-play"_s, m_dir.path(), u"77"_s});
        QVERIFY(waitFor(first, "first").contains("first"));
        {
            Journal second;
            QVERIFY(second.open(m_dir.path()) && second.beginSession(sheetWithMoney(0)));
            QVERIFY(second.appendStep(moneyStep(0, 5), sheetWithMoney(5)));
        } // ended with Exit
        QVERIFY(QFileInfo::exists(journalPath() + u"-wal"_s));
        first.write("go\n");
        QVERIFY(waitFor(first, "ready").contains("ready"));
        first.kill();
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(offeredMoney(), (QList<int>{77, 5}));
        QCOMPARE(integrity(journalPath()), u"ok"_s);
        // The last program to end folds the log back and removes it, as ever.
        QVERIFY(!QFileInfo::exists(journalPath() + u"-wal"_s));
    }

    void aJournalDeletedWhileInUseIsMadeAgain_data()
    {
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<int>("money"); // its last step; 0 when it makes none after
        QTest::newRow("the journal") << QStringList{u""_s} << 99;
        QTest::newRow("its log") << QStringList{u"-wal"_s} << 99;
        QTest::newRow("its shared memory") << QStringList{u"-shm"_s} << 99;
        QTest::newRow("all of it, locks too") << (JournalSuffixes + QStringList{u"-locks"_s}) << 99;
        QTest::newRow("all of it, no step after") << JournalSuffixes << 0;
    }
    // The program that deletes it notices before its next step and goes on in a new journal made
    // from the one it still reads, saying so; a program beside it follows into the new one.
    // After a kill every sheet comes back whole.
    void aJournalDeletedWhileInUseIsMadeAgain()
    {
        QFETCH(QStringList, deleted);
        QFETCH(int, money);
        Journal beside;
        QVERIFY(beside.open(m_dir.path()) && beside.beginSession(sheetWithMoney(0)));
        QVERIFY(beside.appendStep(moneyStep(0, 3), sheetWithMoney(3)));
        beside.flush();
        QProcess player;
        player.start(
            QCoreApplication::applicationFilePath(),
            {u"--delete-and-play"_s, m_dir.path(), deleted.join(u','), QString::number(money)});
        const QByteArray said = waitFor(player, "ready");
        QVERIFY2(said.contains("作り直して"), said.constData());
        player.kill();
        QVERIFY(player.waitForFinished(30000));
        QVERIFY(beside.appendStep(moneyStep(3, 4), sheetWithMoney(4)));
        beside.close();
        QCOMPARE(integrity(journalPath()), u"ok"_s);
        QCOMPARE(offeredMoney(), (QList<int>{4, money == 0 ? 1 : money}));
    }

    void aSheetFromAnotherMachineIsOfferedOnceItsLockIsFree_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("machine");
        QTest::newRow("a program elsewhere that runs") << u"far 41 9"_s << true << u"far"_s;
        QTest::newRow("killed elsewhere") << u"far 41 9"_s << false << u"far"_s;
        QTest::newRow("this machine under a former name") << u"old 41 9"_s << false << u"old"_s;
        QTest::newRow("ended here") << QSysInfo::machineHostName() << false << QString();
    }
    void aSheetFromAnotherMachineIsOfferedOnceItsLockIsFree()
    {
        QFETCH(QString, owner);
        QFETCH(bool, held);
        QFETCH(QString, machine);
        {
            Journal journal;
            QVERIFY(journal.open(m_dir.path()) && journal.beginSession(sheetWithMoney(0)));
            QVERIFY(journal.appendStep(moneyStep(0, 8), sheetWithMoney(8)));
        }
        QVERIFY(runSql(journalPath(), {u"UPDATE sessions SET owner = '%1'"_s.arg(owner)}));
        JournalLocks lock(journalPath());
        if (held)
            QVERIFY(lock.hold(owner));
        else // the lock file a killed program left behind
            QVERIFY(QDir().mkpath(JournalLocks::folderOf(journalPath())) &&
                    QFile(JournalLocks::folderOf(journalPath()) + u"/far%2041%209.lock"_s)
                        .open(QIODevice::WriteOnly));
        QStringList machines;
        QCOMPARE(offeredMoney(&machines), held ? QList<int>() : QList<int>{8});
        QCOMPARE(machines, held ? QStringList() : QStringList{machine});
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString journal =
        args.size() >= 4 ? QDir(args[2]).filePath(Journal::fileName()) : QString();
    if (args.size() == 4 && args[1] == u"--sniff-and-play"_s) // as a file dialog learns types
        return playAround(
            args[2], args[3].toInt(),
            [&](Journal &) {
                for (const QString &suffix : JournalSuffixes) {
                    QFile file(journal + suffix);
                    if (file.open(QIODevice::ReadOnly))
                        file.read(64);
                }
            },
            true);
    if (args.size() == 5 && args[1] == u"--delete-and-play"_s)
        return playAround(
            args[2], args[4].toInt(),
            [&](Journal &played) {
                for (const QString &suffix : args[3].split(u','))
                    if (!QFile::remove(journal + suffix))
                        QDir(journal + suffix).removeRecursively();
                // Without a step, it is noticed all the same.
                for (int i = 0; i < 100 && played.statusText().isEmpty(); ++i)
                    QThread::msleep(100);
            },
            false);
    TestJournalLocks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journallocks.moc"
