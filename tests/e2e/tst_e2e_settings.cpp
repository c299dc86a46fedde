#include "E2eSession.h"

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
};

QTEST_GUILESS_MAIN(TestE2eSettings)
#include "tst_e2e_settings.moc"
