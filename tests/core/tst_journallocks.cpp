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

// A player on the journal in dir: says each move as it begins, then "ready" and its status,
// and waits to be killed. nX names the sheet X; xN types N letters key by key (the later keys
// folded into the first step, the whole sheet handed over at the 256th); s saves; oX opens the
// file X, o alone starts a new sheet; u, r undo, redo; l begins another sheet; tX takes up the
// sheet named X, dX discards it; f reads the journal's files as a file dialog learning their
// type does; D deletes the journal's files of the comma-separated ends; w waits for a line.
int play(const QString &dir, const QStringList &moves)
{
    const QString path = QDir(dir).filePath(Journal::fileName());
    Journal journal;
    QList<SheetState> line{SheetState::fresh()}; // after each step, the start first
    int at = 0;
    if (!journal.open(dir) || !journal.beginSession(line[0]))
        return 1;
    const auto step = [&](SheetStep::Kind kind, SheetState next, bool fold) {
        const SheetStep s{kind, fold ? u"MemoInventry"_s : QString(), 0,
                          SheetDelta::between(line[fold ? at - 1 : at], next)};
        fold ? journal.amendLastStep(s, next) : journal.appendStep(s, next);
        line.resize(fold ? at : ++at);
        line.append(std::move(next));
    };
    for (const QString &move : moves) {
        std::printf("%s\n", qPrintable(move));
        std::fflush(stdout);
        const QString arg = move.mid(1);
        SheetState next = line[at];
        if (move[0] == u'n') {
            next.record.setName(arg);
            step(SheetStep::Kind::Other, next, false);
        } else if (move[0] == u'x') {
            for (int i = 1; i <= arg.toInt(); ++i) {
                next.record.setInventory(QString(i, u'x'));
                step(SheetStep::Kind::Typing, next, i > 1);
            }
        } else if (move[0] == u's' || move[0] == u'o') {
            if (move[0] == u'o')
                step(arg.isEmpty() ? SheetStep::Kind::New : SheetStep::Kind::Open,
                     SheetState::fresh(), false);
            if (move[0] == u's' || !arg.isEmpty())
                journal.noteSaved(QDir(dir).filePath(arg + u".pkd"_s), arg.toUtf8());
        } else if (move[0] == u'u' || move[0] == u'r') {
            at += move[0] == u'u' ? -1 : 1;
            journal.setUndoIndex(at, line[at]);
        } else if (move[0] == u'l') {
            line = {SheetState::fresh()};
            at = 0;
            journal.beginSession(line[0]);
        } else if (move[0] == u'f') {
            for (const QString &end : {u""_s, u"-wal"_s, u"-shm"_s}) {
                QFile file(path + end);
                if (file.open(QIODevice::ReadOnly))
                    file.read(64);
            }
        } else if (move[0] == u'D') {
            for (const QString &end : arg.split(u','))
                if (!QFile::remove(path + end))
                    QDir(path + end).removeRecursively();
            // Without a step, it is noticed all the same.
            for (int i = 0; i < 100 && journal.statusText().isEmpty(); ++i)
                QThread::msleep(100);
        } else if (move[0] == u'w') {
            char waited[16];
            if (!std::fgets(waited, sizeof waited, stdin))
                return 3;
        } else {
            for (const Journal::UnsavedSheet &left : journal.unsavedSheets()) {
                const auto taken = left.name == arg && move[0] == u't'
                                       ? journal.takeSheet(left.session)
                                       : std::nullopt;
                if (left.name == arg && !taken &&
                    (move[0] == u't' || !journal.discardSheet(left.session)))
                    return 2;
                if (taken) {
                    line.resize(++at);
                    line.append(taken->state);
                }
            }
        }
        journal.flush();
    }
    std::printf("ready %s\n", qPrintable(journal.statusText()));
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

// What player said until it said word.
QByteArray said(QProcess &player, const QByteArray &word)
{
    QByteArray out;
    while (!out.contains(word) && player.waitForReadyRead(30000))
        out += player.readAllStandardOutput();
    return out;
}

// Every sheet offered in dir, taken up: its name (its money when it has none) and the machine
// it was played on when that is another, sorted. Each must come back as its history tells it.
QString offered(const QString &dir)
{
    Journal journal;
    if (!journal.open(dir) || !journal.beginSession(SheetState::fresh()))
        return u"unopened"_s;
    QStringList came;
    for (const Journal::UnsavedSheet &left : journal.unsavedSheets()) {
        const auto taken = journal.takeSheet(left.session);
        const auto history = taken ? journal.historyTo(taken->step) : std::nullopt;
        if (!history)
            return u"not taken"_s;
        SheetState told = history->initial;
        for (const SheetStep &step : history->steps)
            told = step.delta.applyTo(std::move(told), SheetDelta::Direction::Forward);
        const CharacterRecord &sheet = taken->state.record;
        came.append(told != taken->state
                        ? u"mistold"_s
                        : (sheet.name().isEmpty() ? QString::number(sheet.money()) : sheet.name()) +
                              (left.machine.isEmpty() ? QString() : u'@' + left.machine));
    }
    came.sort();
    return came.join(u' ');
}

} // namespace

// Programs sharing a journal, killed at the moments that matter, leave every sheet they had
// unsaved offered, each as its history tells it, and the journal sound.
class TestJournalLocks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString journalPath() const { return m_dir.filePath(Journal::fileName()); }

private Q_SLOTS:
    void init() { QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path())); }

    // A player is killed beside a program that plays on. "!" marks a move killed while it is
    // written; D deletes the journal's files, which the player notices, says and makes again;
    // f, as a file dialog does, drops the player's locks: the program beside, ending with Exit
    // while the player waits, must still leave it its log.
    void everySheetLeftUnsavedIsOffered_data()
    {
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("offered"); // "4" is the program's beside
        QTest::newRow("typing after the whole sheet") << u"nAl x300"_s << u"4 Al"_s;
        QTest::newRow("an Open over an unsaved sheet") << u"nAl oBob"_s << u"4 Al"_s;
        QTest::newRow("a New over an unsaved sheet") << u"nAl o"_s << u"0 4 Al"_s;
        QTest::newRow("an Open over a saved sheet") << u"nAl s oBob"_s << u"4"_s;
        QTest::newRow("an Open undone") << u"nAl oBob u"_s << u"4 Al"_s;
        QTest::newRow("an Open undone and redone") << u"nAl oBob u r"_s << u"4 Al"_s;
        QTest::newRow("a take over an unsaved sheet") << u"nCy l nAl tCy"_s << u"4 Al Cy"_s;
        QTest::newRow("killed inside a take") << u"nCy l nAl !tCy"_s << u"4 Al Cy"_s;
        QTest::newRow("a sheet discarded") << u"nCy l dCy"_s << u"4"_s;
        QTest::newRow("the journal deleted") << u"nA D nAl"_s << u"4 Al"_s;
        QTest::newRow("its log deleted") << u"nA D-wal nAl"_s << u"4 Al"_s;
        QTest::newRow("its shared memory deleted") << u"nA D-shm nAl"_s << u"4 Al"_s;
        QTest::newRow("all deleted, locks too") << u"nA D,-wal,-shm,-locks nAl"_s << u"4 Al"_s;
        QTest::newRow("all deleted, no step after") << u"nAl D,-wal,-shm"_s << u"4 Al"_s;
        QTest::newRow("a file dialog, the other ends") << u"nA f w nAl"_s << u"3 Al"_s;
    }
    void everySheetLeftUnsavedIsOffered()
    {
        QFETCH(QString, moves);
        QFETCH(QString, offered);
        const QString stalled = moves.section(u'!', 1).section(u' ', 0, 0);
        Journal beside;
        QVERIFY(beside.open(m_dir.path()) && beside.beginSession(sheetWithMoney(0)));
        QVERIFY(beside.appendStep(moneyStep(0, 3), sheetWithMoney(3)));
        beside.flush();
        QVERIFY(stalled.isEmpty() ||
                runSql(journalPath(),
                       {u"CREATE TABLE stall(n)"_s,
                        u"WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c"
                        " WHERE n < 1000) INSERT INTO stall SELECT n FROM c"_s,
                        u"CREATE TRIGGER stall AFTER INSERT ON nodes WHEN NEW.kind = 14 BEGIN"
                        " SELECT count(*) FROM stall a, stall b, stall c, stall d; END"_s}));
        QProcess player;
        player.start(QCoreApplication::applicationFilePath(),
                     QStringList{u"--play"_s, m_dir.path()} +
                         QString(moves).remove(u'!').split(u' '));
        if (moves.split(u' ').contains(u"w"_s)) {
            QVERIFY(said(player, "w\n").contains("w\n"));
            beside.close();
            QVERIFY(QFileInfo::exists(journalPath() + u"-wal"_s));
            player.write("go\n");
        }
        const QByteArray last = stalled.isEmpty() ? "ready" : stalled.toUtf8() + '\n';
        const QByteArray told = said(player, last);
        QVERIFY2(told.contains(last), told.constData());
        QCOMPARE(told.contains("作り直して"), moves.contains(u'D'));
        QTest::qWait(stalled.isEmpty() ? 5 : 1500);
        player.kill();
        QVERIFY(player.waitForFinished(30000));
        QVERIFY(stalled.isEmpty() || runSql(journalPath(), {u"DROP TRIGGER stall"_s}));
        QVERIFY(!beside.isAvailable() || beside.appendStep(moneyStep(3, 4), sheetWithMoney(4)));
        beside.close();
        QCOMPARE(firstValue(journalPath(), u"PRAGMA integrity_check"_s), QVariant(u"ok"_s));
        QCOMPARE(::offered(m_dir.path()), offered);
        // The last program to end folds the log back and removes it.
        QVERIFY(!QFileInfo::exists(journalPath() + u"-wal"_s));
    }

    void aSheetFromAnotherMachineIsOfferedOnceItsLockIsFree_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("offered");
        QTest::newRow("a program elsewhere that runs") << u"far 41 9"_s << true << QString();
        QTest::newRow("killed elsewhere") << u"far 41 9"_s << false << u"8@far"_s;
        QTest::newRow("this machine under a former name") << u"old 41 9"_s << false << u"8@old"_s;
        QTest::newRow("ended here") << QSysInfo::machineHostName() << false << u"8"_s;
    }
    void aSheetFromAnotherMachineIsOfferedOnceItsLockIsFree()
    {
        QFETCH(QString, owner);
        QFETCH(bool, held);
        QFETCH(QString, offered);
        {
            Journal journal; // ended with Exit
            QVERIFY(journal.open(m_dir.path()) && journal.beginSession(sheetWithMoney(0)));
            QVERIFY(journal.appendStep(moneyStep(0, 8), sheetWithMoney(8)));
        }
        QVERIFY(runSql(journalPath(), {u"UPDATE sessions SET owner = '%1'"_s.arg(owner)}));
        JournalLocks lock(journalPath());
        const QString left = JournalLocks::folderOf(journalPath()); // a killed program's lock file
        QVERIFY(held ? lock.hold(owner)
                     : QDir().mkpath(left) &&
                           QFile(left + u"/far%2041%209.lock"_s).open(QIODevice::WriteOnly));
        QCOMPARE(::offered(m_dir.path()), offered);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == u"--play"_s)
        return play(args[2], args.mid(3));
    TestJournalLocks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journallocks.moc"
