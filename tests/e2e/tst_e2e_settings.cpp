#include "CharaData.h"
#include "E2eSession.h"
#include "SaveFile.h"
#include "VersionInfo.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
    return fileBytes(report);
}

} // namespace

class TestE2eSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void anAbilityRenamedInTheSettingsDialogIsSavedAndInForce()
    {
        E2eSession session;
        QVERIFY2(session.putFile(u"diceroll.wav"_s, E2eSession::silentWave()),
                 session.lastErrorText());
        QVERIFY2(session.startProgram(), session.lastErrorText());
        const QString window = session.findWindow(u"Pelko"_s);
        QVERIFY2(!window.isEmpty(), session.lastErrorText());
        QVERIFY2(session.focus(window), session.lastErrorText());

        // "オプション(&O)", "環境設定(&E)".
        QVERIFY2(session.key({u"alt+o"_s, u"e"_s}), session.lastErrorText());
        const QString dialog = session.findWindow(u"設定"_s);
        QVERIFY2(!dialog.isEmpty(), session.lastErrorText());
        QVERIFY2(session.focus(dialog), session.lastErrorText());
        // The file field has the focus; after it come its two buttons, the tab bar, and on
        // the first tab "項目" the check box of ability 1 and then its name box, whose text
        // Tab selects, so the pasted name replaces it.
        QVERIFY2(session.key(QStringList(5, u"Tab"_s)), session.lastErrorText());
        QVERIFY2(session.paste(u"生命力"_s), session.lastErrorText());
        // "設定(&S)" saves to the file in the field, "Default.ini", and puts it in force.
        QVERIFY2(session.key({u"alt+s"_s}), session.lastErrorText());
        QVERIFY2(session.waitForNoWindow(u"設定"_s), session.lastErrorText());

        const QString ini = session.programDirPath(u"Default.ini"_s);
        QVERIFY2(session.waitForFile(ini), session.lastErrorText());
        const QByteArray saved = fileBytes(ini);
        QVERIFY2(saved.startsWith("[HEAD]\r\n"), saved.constData());
        QVERIFY2(saved.contains("\r\nName1=" + Seimeiryoku + "\r\n"), saved.constData());
        QVERIFY2(saved.contains("\r\nName2=" + Gijutsuten + "\r\n"), saved.constData());
        QVERIFY(saved.endsWith("\r\n"));
        QCOMPARE(saved.count('\n'), saved.count("\r\n"));

        // The settings are in force: the character report names ability 1 as the sheet's
        // label does.
        QVERIFY2(session.focus(window), session.lastErrorText());
        QVERIFY2(session.type(u"Eve"_s), session.lastErrorText());
        QVERIFY2(!session.findWindow(u"Pelko, paired with * Eve *"_s).isEmpty(),
                 session.lastErrorText());
        // "データをテキストファイルに書き出す(&D)".
        QVERIFY2(session.key({u"alt+f"_s, u"d"_s}), session.lastErrorText());
        const QString report = session.programDirPath(u"Eve.txt"_s);
        QVERIFY2(session.waitForFile(report), session.lastErrorText());
        const QByteArray reportBytes = fileBytes(report);
        QVERIFY2(reportBytes.contains("\r\n" + Seimeiryoku + "   :      0 /      0\r\n"),
                 reportBytes.constData());
        QVERIFY(session.programRunning());
    }

    // A person types the name of a listed file, then clicks "設定(&S)": the click takes the
    // focus from the field first, and the edited values must be what is written and in force.
    void aTypedListedNameThenAClickOnSetKeepsTheEdits()
    {
        E2eSession session;
        QVERIFY2(session.putFile(u"diceroll.wav"_s, E2eSession::silentWave()),
                 session.lastErrorText());
        QVERIFY2(session.putFile(u"hero.ini"_s, "[HEAD]\r\nName1=Old\r\n"),
                 session.lastErrorText());
        QVERIFY2(session.startProgram(), session.lastErrorText());
        const QString window = session.findWindow(u"Pelko"_s);
        QVERIFY2(!window.isEmpty(), session.lastErrorText());
        QVERIFY2(session.focus(window), session.lastErrorText());

        QVERIFY2(session.key({u"alt+o"_s, u"e"_s}), session.lastErrorText());
        const QString dialog = session.findWindow(u"設定"_s);
        QVERIFY2(!dialog.isEmpty(), session.lastErrorText());
        QVERIFY2(session.focus(dialog), session.lastErrorText());
        // Ability 1's name box, its text selected.
        QVERIFY2(session.key(QStringList(5, u"Tab"_s)), session.lastErrorText());
        QVERIFY2(session.type(u"Vigor"_s), session.lastErrorText());
        // Back into the file field by pointer, and the listed name typed there.
        QVERIFY2(session.click(dialog, 40, 19), session.lastErrorText());
        QVERIFY2(session.key({u"ctrl+a"_s}), session.lastErrorText());
        QVERIFY2(session.type(u"hero"_s), session.lastErrorText());
        // "設定(&S)", 104, 291, 80 × 25.
        QVERIFY2(session.click(dialog, 144, 303), session.lastErrorText());
        QVERIFY2(session.waitForNoWindow(u"設定"_s), session.lastErrorText());

        const QByteArray saved = fileBytes(session.programDirPath(u"hero.ini"_s));
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
        QVERIFY2(session.putFile(u"diceroll.wav"_s, E2eSession::silentWave()),
                 session.lastErrorText());
        QVERIFY2(session.putFile(u"default.ini"_s, "[HEAD]\r\nName1=Stamina\r\n"),
                 session.lastErrorText());
        QVERIFY2(session.putFile(u"Hard.INI"_s, "[HEAD]\r\nName1=Grit\r\n"),
                 session.lastErrorText());
        // A sheet played under Hard.INI: the save file keeps the name as "Hard.ini".
        TCharacterData sheet;
        sheet.SetAblCount(8);
        sheet.SetRouteCount(0);
        sheet.SetRoute(0, 0);
        sheet.SetName(u"Ann"_s);
        sheet.SetIniFileName(u"Hard.INI"_s);
        const QString hero = session.programDirPath(u"HERO.PKD"_s);
        writeSaveFile(sheet, ReadVersionItem(VersionInfo::FileVersion).value_or(QString()), hero);

        QVERIFY2(session.startProgram({hero}), session.lastErrorText());
        const QString window = session.findWindow(u"Pelko, paired with * Ann *"_s);
        QVERIFY2(!window.isEmpty(), session.lastErrorText());
        QByteArray report = characterReport(session, window, u"Ann"_s);
        QVERIFY2(report.contains("\r\nGrit     :"), report.constData());

        // "新規作成(&N)" puts "Default.ini" in force: the file on disk is default.ini.
        QVERIFY2(session.key({u"alt+f"_s, u"n"_s}), session.lastErrorText());
        QVERIFY2(!session.findWindow(u"Pelko"_s).isEmpty(), session.lastErrorText());
        report = characterReport(session, window, u"Eve"_s);
        QVERIFY2(report.contains("\r\nStamina  :"), report.constData());

        // "設定(&S)" with the field showing the file in force writes into default.ini.
        QVERIFY2(session.key({u"alt+o"_s, u"e"_s}), session.lastErrorText());
        const QString dialog = session.findWindow(u"設定"_s);
        QVERIFY2(!dialog.isEmpty(), session.lastErrorText());
        QVERIFY2(session.focus(dialog), session.lastErrorText());
        QVERIFY2(session.key({u"alt+s"_s}), session.lastErrorText());
        QVERIFY2(session.waitForNoWindow(u"設定"_s), session.lastErrorText());
        const QByteArray saved = fileBytes(session.programDirPath(u"default.ini"_s));
        QVERIFY2(saved.contains("\r\nName1=Stamina\r\n") && saved.contains("[Route]"),
                 saved.constData());
        QVERIFY(!QFile::exists(session.programDirPath(u"Default.ini"_s)));
        QVERIFY(session.programRunning());
    }
};

QTEST_GUILESS_MAIN(TestE2eSettings)
#include "tst_e2e_settings.moc"
