#include "Journal.h"
#include "JournalFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace JournalFixture;

namespace {

// A player on the journal in dir, who says each move as it begins and "ready" once all are
// on the disk, then waits to be killed. nX names the sheet X; xN types N letters into the
// inventory key by key (one step, the later keys folded into it, the whole sheet handed over
// at the 256th); s saves; oX opens the file X, o alone starts a new sheet; u and r undo and
// redo; l leaves the sheet and begins another; tX takes up the sheet named X, dX discards it.
int play(const QString &dir, const QStringList &moves)
{
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
    }
    journal.flush();
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

} // namespace

// Keystrokes folded into a step, sheets replaced by an Open or by a sheet taken up, sheets
// taken up: killed at those moments, a program leaves every sheet it had unsaved offered, and
// each comes back as its history tells it.
class TestJournalTakes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySheetLeftUnsavedComesBackAsItsHistoryTellsIt_data()
    {
        QTest::addColumn<QString>("moves");
        QTest::addColumn<bool>("stallTheTake"); // killed while the take is written
        QTest::addColumn<QString>("offered");
        QTest::newRow("typing after the whole sheet") << u"nAl x300"_s << false << u"Al"_s;
        QTest::newRow("an Open over an unsaved sheet") << u"nAl oBob"_s << false << u"Al"_s;
        QTest::newRow("a New over an unsaved sheet") << u"nAl o"_s << false << u" Al"_s;
        QTest::newRow("an Open over a saved sheet") << u"nAl s oBob"_s << false << QString();
        QTest::newRow("an Open undone") << u"nAl oBob u"_s << false << u"Al"_s;
        QTest::newRow("an Open undone and redone") << u"nAl oBob u r"_s << false << u"Al"_s;
        QTest::newRow("a take over an unsaved sheet") << u"nCy l nAl tCy"_s << false << u"Al Cy"_s;
        QTest::newRow("killed inside a take") << u"nCy l nAl tCy"_s << true << u"Al Cy"_s;
        QTest::newRow("a sheet discarded") << u"nCy l dCy"_s << false << QString();
    }
    void everySheetLeftUnsavedComesBackAsItsHistoryTellsIt()
    {
        QFETCH(QString, moves);
        QFETCH(bool, stallTheTake);
        QFETCH(QString, offered);
        QTemporaryDir dir;
        const QString journalPath = dir.filePath(Journal::fileName());
        if (stallTheTake) {
            Journal().open(dir.path());
            QVERIFY(runSql(journalPath,
                           {u"CREATE TABLE stall(n)"_s,
                            u"WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c"
                            " WHERE n < 1000) INSERT INTO stall SELECT n FROM c"_s,
                            u"CREATE TRIGGER stall AFTER INSERT ON nodes WHEN NEW.kind = 14 BEGIN"
                            " SELECT count(*) FROM stall a, stall b, stall c, stall d; END"_s}));
        }
        QProcess player;
        player.start(QCoreApplication::applicationFilePath(),
                     QStringList{u"--play"_s, dir.path()} + moves.split(u' '));
        const QByteArray last = (stallTheTake ? moves.section(u' ', -1).toUtf8() : "ready") + '\n';
        QByteArray said;
        while (!said.contains(last) && player.waitForReadyRead(30000))
            said += player.readAllStandardOutput();
        QVERIFY2(said.contains(last), said.constData());
        QTest::qWait(stallTheTake ? 1500 : 5);
        player.kill();
        QVERIFY(player.waitForFinished(30000));
        QVERIFY(!stallTheTake || runSql(journalPath, {u"DROP TRIGGER stall"_s}));

        Journal journal;
        QVERIFY(journal.open(dir.path()));
        QVERIFY(journal.beginSession(SheetState::fresh()));
        QStringList came;
        for (const Journal::UnsavedSheet &left : journal.unsavedSheets()) {
            const auto taken = journal.takeSheet(left.session);
            QVERIFY(taken);
            const auto history = journal.historyTo(taken->step);
            QVERIFY(history);
            SheetState told = history->initial;
            for (const SheetStep &step : history->steps)
                told = step.delta.applyTo(std::move(told), SheetDelta::Direction::Forward);
            QCOMPARE(told, taken->state);
            came.append(taken->state.record.name());
        }
        came.sort();
        QCOMPARE(came.join(u' '), offered);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == u"--play"_s)
        return play(args[2], args.mid(3));
    TestJournalTakes test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journaltakes.moc"
