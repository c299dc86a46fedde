#include "E2eSession.h"
#include "core/JournalFixture.h"

#include <QFile>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int DockedWidth = E2eSession::DockedWidth;

// The character report and the route report of the sheet as it stands, written by the program
// itself and read back; each is removed first, so that a stale one is never read.
bool reports(E2eSession &session, QByteArray &character, QByteArray &route)
{
    const QString characterPath = session.programDirPath(u"Ann.txt"_s);
    const QString routePath = session.programDirPath(u"Ann_Route.txt"_s);
    QFile::remove(characterPath);
    QFile::remove(routePath);
    // "データをテキストファイルに書き出す(&D)", then the route export, which shares its letter
    // with the disabled "保存(&S)": the letter selects it and Return chooses.
    if (!session.key({u"alt+f"_s, u"d"_s}) || !session.waitForFile(characterPath) ||
        !session.key({u"alt+f"_s, u"s"_s, u"Return"_s}) || !session.waitForFile(routePath))
        return false;
    character = E2eSession::fileBytes(characterPath);
    route = E2eSession::fileBytes(routePath);
    return true;
}

// Takes up the newest sheet "前回の続き" offers, which must be name's, in the program's window.
// The journal opens just after the window shows: the item is tried until it is there.
bool takeNewest(E2eSession &session, const QString &window, const QString &name)
{
    return E2eSession::waitUntil(E2eSession::Duration(15000), [&] {
        if (!session.findWindow(u"履歴"_s, E2eSession::Duration(0)).isEmpty()) {
            session.key({u"Escape"_s});
            session.focus(window);
        }
        session.focus(window);
        session.key({u"alt+e"_s, u"Up"_s, u"Return"_s});
        const QString dialog = session.findWindow(u"前回の続き"_s, E2eSession::Duration(1000));
        if (dialog.isEmpty())
            return false;
        session.focus(dialog);
        session.key({u"Return"_s}); // the newest, chosen already
        return !session
                    .findWindow(u"Pelko, paired with * %1 *"_s.arg(name),
                                E2eSession::Duration(2000))
                    .isEmpty();
    });
}

// Starts two programs in one folder, the first left aside, and plays a sheet in each: Ann to
// paragraph 10, then Bob to 11. Their windows and process ids, Ann's first.
bool playAnnAndBob(E2eSession &session, QString (&windows)[2], qint64 (&pids)[2])
{
    const QString names[2] = {u"Ann"_s, u"Bob"_s};
    if (!session.putFile(u"diceroll.wav"_s, E2eSession::silentWave()))
        return false;
    for (int i = 0; i < 2; ++i) {
        const QStringList before = session.findWindows(u"Pelko"_s, E2eSession::Duration(0));
        if (i == 1)
            pids[0] = session.setProgramAside();
        // The new window is the one that was not there before.
        if (!session.startProgram() || !E2eSession::waitUntil(E2eSession::Duration(10000), [&] {
                for (const QString &w : session.findWindows(u"Pelko"_s, E2eSession::Duration(0)))
                    if (!before.contains(w))
                        windows[i] = w;
                return !windows[i].isEmpty();
            }))
            return false;
        pids[i] = session.programPid();
        if (!session.focus(windows[i]) || !session.type(names[i]) ||
            !session.registerParagraphs(windows[i], {QString::number(10 + i)}) ||
            !session.waitForWidth(windows[i], DockedWidth))
            return false;
        // The journal took the steps (it opens just after the window shows).
        QTest::qWait(1500);
    }
    return true;
}

} // namespace

class TestE2eJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aKilledProgramsSheetComesBackWithItsHistory()
    {
        E2eSession session;
        QString window = session.startMainWindow();
        QVERIFY2(!window.isEmpty(), session.lastErrorText());

        QVERIFY2(session.type(u"Ann"_s), session.lastErrorText());
        QVERIFY2(session.key({u"Tab"_s, u"ctrl+a"_s}), session.lastErrorText());
        QVERIFY2(session.type(u"12"_s), session.lastErrorText());
        QVERIFY2(session.registerParagraphs(window, {u"1"_s, u"40"_s, u"215"_s}),
                 session.lastErrorText());
        QVERIFY2(session.waitForWidth(window, DockedWidth), session.lastErrorText());
        QByteArray character;
        QByteArray route;
        QVERIFY2(reports(session, character, route), session.lastErrorText());
        QVERIFY(route.contains("215"));

        // No Save, no Exit: the program is killed outright.
        QVERIFY(::kill(static_cast<pid_t>(session.programPid()), SIGKILL) == 0);
        QCOMPARE(session.waitForProgramExit(E2eSession::Duration(10000)), -1);

        window = session.startMainWindow();
        QVERIFY2(!window.isEmpty(), session.lastErrorText());
        // Start-up is as always: an empty sheet, no question asked.
        QCOMPARE(session.windowName(window), u"Pelko"_s);

        // "前回の続きを開く" is the last item of the Edit menu; the arrow wraps round to it. The
        // journal opens just after the window shows: the item is tried until it is there.
        const bool resumed = E2eSession::waitUntil(E2eSession::Duration(10000), [&] {
            // Too early, the arrow lands on "履歴", whose window is closed again.
            if (!session.findWindow(u"履歴"_s, E2eSession::Duration(0)).isEmpty()) {
                session.key({u"Escape"_s});
                session.focus(window);
            }
            session.key({u"alt+e"_s, u"Up"_s, u"Return"_s});
            // "前回の続き" lists the sheet; Return takes the one chosen.
            const QString dialog = session.findWindow(u"前回の続き"_s, E2eSession::Duration(1000));
            if (dialog.isEmpty())
                return false;
            session.focus(dialog);
            session.key({u"Return"_s});
            return !session.findWindow(u"Pelko, paired with * Ann *"_s, E2eSession::Duration(2000))
                        .isEmpty();
        });
        QVERIFY2(resumed, session.lastErrorText());
        QVERIFY2(session.focus(window), session.lastErrorText());
        QVERIFY2(session.waitForWidth(window, DockedWidth), session.lastErrorText());
        QByteArray characterAgain;
        QByteArray routeAgain;
        QVERIFY2(reports(session, characterAgain, routeAgain), session.lastErrorText());
        QCOMPARE(characterAgain, character);
        QCOMPARE(routeAgain, route);

        // Taking the sheet up was one step: undo brings back the empty sheet, redo Ann.
        QVERIFY2(session.key({u"ctrl+z"_s}), session.lastErrorText());
        QVERIFY2(!session.findWindow(u"Pelko"_s).isEmpty(), session.lastErrorText());
        QVERIFY2(session.key({u"ctrl+y"_s}), session.lastErrorText());
        QVERIFY2(!session.findWindow(u"Pelko, paired with * Ann *"_s).isEmpty(),
                 session.lastErrorText());
        QVERIFY2(reports(session, characterAgain, routeAgain), session.lastErrorText());
        QCOMPARE(routeAgain, route);
        QVERIFY(session.programRunning());
    }

    // Two programs in one folder, both killed: the next start offers both sheets, newest
    // first; each is taken up as one step, and undo brings back the sheet it replaced.
    void twoKilledProgramsBothSheetsComeBack()
    {
        E2eSession session;
        qint64 pids[2] = {0, 0};
        QString windows[2];
        const QString names[2] = {u"Ann"_s, u"Bob"_s};
        E2E_STEP(playAnnAndBob(session, windows, pids));
        for (const qint64 pid : pids)
            QVERIFY(::kill(static_cast<pid_t>(pid), SIGKILL) == 0);
        QTest::qWait(300);

        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());
        const auto take = [&](const QString &name) { return takeNewest(session, window, name); };
        // Bob was played last.
        E2E_STEP(take(names[1]));
        E2E_STEP(take(names[0]));
        // Ann replaced Bob as one step: undo brings Bob back.
        E2E_STEP(session.focus(window));
        E2E_STEP(session.key({u"ctrl+z"_s}));
        E2E_STEP(!session.findWindow(u"Pelko, paired with * Bob *"_s).isEmpty());
        QVERIFY(session.programRunning());
    }
    // Two programs in one folder; the file dialog of the first shows the folder, journal and
    // all, and the second ends with Exit while the first plays on. Killed, the first comes back
    // with its last paragraph, beside the second, and the journal is sound.
    void aFileDialogBesideTwoProgramsCostsNoSheet()
    {
        E2eSession session;
        qint64 pids[2] = {0, 0};
        QString windows[2];
        E2E_STEP(playAnnAndBob(session, windows, pids));
        E2E_STEP(session.focus(windows[0]));
        // The dialog opens on the program folder.
        E2E_STEP(!session.openDialog({u"alt+f"_s, u"o"_s}, {u"開く"_s, u"Open"_s}).isEmpty());
        QTest::qWait(2000); // its files are listed with their icons and types
        E2E_STEP(session.key({u"Escape"_s}));
        E2E_STEP(session.waitForNoWindow(u"開く"_s) && session.waitForNoWindow(u"Open"_s));

        E2E_STEP(session.focus(windows[1]));
        E2E_STEP(session.key({u"alt+f"_s, u"x"_s}));
        QCOMPARE(session.waitForProgramExit(E2eSession::Duration(10000)), 0);
        E2E_STEP(session.focus(windows[0]));
        E2E_STEP(session.registerParagraphs(windows[0], {u"215"_s}));
        QTest::qWait(1500);
        QVERIFY(::kill(static_cast<pid_t>(pids[0]), SIGKILL) == 0);
        QTest::qWait(300);

        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());
        E2E_STEP(takeNewest(session, window, u"Ann"_s));
        E2E_STEP(session.focus(window));
        E2E_STEP(session.waitForWidth(window, DockedWidth));
        QByteArray character;
        QByteArray route;
        E2E_STEP(reports(session, character, route));
        QVERIFY2(route.contains("215"), route.constData());
        E2E_STEP(takeNewest(session, window, u"Bob"_s));
        QCOMPARE(JournalFixture::firstValue(session.programDirPath(u"Pelko.journal"_s),
                                            u"PRAGMA integrity_check"_s),
                 QVariant(u"ok"_s));
        QVERIFY(session.programRunning());
    }
};

QTEST_GUILESS_MAIN(TestE2eJournal)
#include "tst_e2e_journal.moc"
