#include "E2eSession.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "生命力" and "技術点" in code page 932, written out rather than made by the program's encoder.
const QByteArray Seimeiryoku = "\x90\xB6\x96\xBD\x97\xCD";
const QByteArray Gijutsuten = "\x8B\x5A\x8F\x70\x93\x5F";

// Gives the name a character, opens "データをテキストファイルに書き出す(&D)" and returns the
// report's bytes; empty when it did not appear.
QByteArray characterReport(E2eSession &session, const QString &window, const QString &name)
{
    const QString report = session.programDirPath(name + u".txt"_s);
    QFile::remove(report);
    if (!session.focus(window) || !session.type(name) ||
        session.findWindow(u"Pelko, paired with * %1 *"_s.arg(name)).isEmpty() ||
        !session.key({u"alt+f"_s, u"d"_s}) || !session.waitForFile(report))
        return {};
    return E2eSession::fileBytes(report);
}

} // namespace

class TestE2eSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void anAbilityRenamedInTheSettingsDialogIsSavedAndInForce()
    {
        E2eSession session;
        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());

        // "オプション(&O)", "環境設定(&E)".
        E2E_STEP(!session.openDialog({u"alt+o"_s, u"e"_s}, {u"設定"_s}).isEmpty());
        // The file field has the focus; after it come its two buttons, the tab bar, and on
        // the first tab "項目" the check box of ability 1 and then its name box, whose text
        // Tab selects, so the pasted name replaces it.
        E2E_STEP(session.key(QStringList(5, u"Tab"_s)));
        E2E_STEP(session.paste(u"生命力"_s));
        // "設定(&S)" saves to the file in the field, "Default.ini", and puts it in force.
        E2E_STEP(session.key({u"alt+s"_s}));
        E2E_STEP(session.waitForNoWindow(u"設定"_s));

        const QString ini = session.programDirPath(u"Default.ini"_s);
        E2E_STEP(session.waitForFile(ini));
        const QByteArray saved = E2eSession::fileBytes(ini);
        QVERIFY2(saved.startsWith("[HEAD]\r\n"), saved.constData());
        QVERIFY2(saved.contains("\r\nName1=" + Seimeiryoku + "\r\n"), saved.constData());
        QVERIFY2(saved.contains("\r\nName2=" + Gijutsuten + "\r\n"), saved.constData());
        QVERIFY(saved.endsWith("\r\n"));
        QCOMPARE(saved.count('\n'), saved.count("\r\n"));

        // The settings are in force: the character report names ability 1 as the sheet's
        // label does.
        const QByteArray report = characterReport(session, window, u"Eve"_s);
        QVERIFY2(report.contains("\r\n" + Seimeiryoku + "   :      0 /      0\r\n"),
                 report.constData());
        QVERIFY(session.programRunning());
    }

    // A person types the name of a listed file, then clicks "設定(&S)": the click takes the
    // focus from the field first, and the edited values must be what is written and in force.
    void aTypedListedNameThenAClickOnSetKeepsTheEdits()
    {
        E2eSession session;
        E2E_STEP(session.putFile(u"hero.ini"_s, "[HEAD]\r\nName1=Old\r\n"));
        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());

        const QString dialog = session.openDialog({u"alt+o"_s, u"e"_s}, {u"設定"_s});
        E2E_STEP(!dialog.isEmpty());
        // Ability 1's name box, its text selected.
        E2E_STEP(session.key(QStringList(5, u"Tab"_s)));
        E2E_STEP(session.type(u"Vigor"_s));
        // Back into the file field by pointer, and the listed name typed there.
        E2E_STEP(session.click(dialog, 40, 19));
        E2E_STEP(session.key({u"ctrl+a"_s}));
        E2E_STEP(session.type(u"hero"_s));
        // "設定(&S)", 104, 291, 80 × 25.
        E2E_STEP(session.click(dialog, 144, 303));
        E2E_STEP(session.waitForNoWindow(u"設定"_s));

        const QByteArray saved = E2eSession::fileBytes(session.programDirPath(u"hero.ini"_s));
        QVERIFY2(saved.contains("\r\nName1=Vigor\r\n"), saved.constData());
        const QByteArray report = characterReport(session, window, u"Eve"_s);
        QVERIFY2(report.contains("\r\nVigor    :      0 /      0\r\n"), report.constData());
        QVERIFY(session.programRunning());
    }

    // Settings files are found whatever the letter case of their names on disk: the default
    // one at start-up and after New, and the one a save file names.
    void settingsFilesAreFoundWhateverTheCaseOfTheirNames()
    {
        E2eSession session;
        E2E_STEP(session.putFile(u"default.ini"_s, "[HEAD]\r\nName1=Stamina\r\n"));
        E2E_STEP(session.putFile(u"Hard.INI"_s, "[HEAD]\r\nName1=Grit\r\n"));
        // A sheet played under Hard.INI: the save file keeps the name as "Hard.ini".
        E2E_STEP(session.putSheet(u"HERO.PKD"_s, u"Ann"_s, u"Hard.INI"_s));

        const QString window = session.startMainWindow({session.programDirPath(u"HERO.PKD"_s)},
                                                       u"Pelko, paired with * Ann *"_s);
        E2E_STEP(!window.isEmpty());
        QByteArray report = characterReport(session, window, u"Ann"_s);
        QVERIFY2(report.contains("\r\nGrit     :"), report.constData());

        // "新規作成(&N)" puts "Default.ini" in force: the file on disk is default.ini.
        E2E_STEP(session.key({u"alt+f"_s, u"n"_s}));
        E2E_STEP(!session.findWindow(u"Pelko"_s).isEmpty());
        report = characterReport(session, window, u"Eve"_s);
        QVERIFY2(report.contains("\r\nStamina  :"), report.constData());

        // "設定(&S)" with the field showing the file in force writes into default.ini.
        E2E_STEP(!session.openDialog({u"alt+o"_s, u"e"_s}, {u"設定"_s}).isEmpty());
        E2E_STEP(session.key({u"alt+s"_s}));
        E2E_STEP(session.waitForNoWindow(u"設定"_s));
        const QByteArray saved = E2eSession::fileBytes(session.programDirPath(u"default.ini"_s));
        QVERIFY2(saved.contains("\r\nName1=Stamina\r\n") && saved.contains("[Route]"),
                 saved.constData());
        QVERIFY(!QFile::exists(session.programDirPath(u"Default.ini"_s)));
        QVERIFY(session.programRunning());
    }
};

QTEST_GUILESS_MAIN(TestE2eSettings)
#include "tst_e2e_settings.moc"
