#include "Cp932.h"
#include "E2eSession.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A book's test on the luck score that always succeeds against a new sheet's zero, and lets
// current values pass their origins, so that its changes show in the character report.
const QByteArray RulesIni = "[Limit]\r\nOverLoad=1\r\n\r\n"
                            "[Test1]\r\nName=Luck\r\nDice=2\r\nAbility=3\r\nSuccess=ge\r\n"
                            "Always=3:3\r\nOnSuccess=1:5\r\nOnFailure=1:-1\r\n";

// The lines of abilities 1 and 3 in the character report Alt+F, D writes for the named sheet.
QString reportedAbilities(E2eSession &session, const QString &window, const QString &report)
{
    QFile::remove(report);
    if (!session.focus(window) || !session.key({u"alt+f"_s, u"d"_s}) ||
        !session.waitForFile(report))
        return {};
    const QStringList lines = Cp932::decode(E2eSession::fileBytes(report)).split(u"\r\n"_s);
    return lines.value(3) + u'|' + lines.value(5);
}

} // namespace

class TestE2eRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The menu 判定 with real dice, by the keyboard: the faces typed in decide the test, its
    // changes are on the sheet, and Ctrl+Z takes the whole test back.
    void aTestWithTypedFacesAndItsUndo()
    {
        E2eSession session;
        E2E_STEP(session.putFile(u"Default.ini"_s, RulesIni));
        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());
        E2E_STEP(session.type(u"Eve"_s));
        E2E_STEP(!session.findWindow(u"Pelko, paired with * Eve *"_s).isEmpty());
        const QString report = session.programDirPath(u"Eve.txt"_s);

        // "判定(&J)", "ダイスの目を入力する(&I)"; then the menu again and its first item.
        E2E_STEP(session.key({u"alt+j"_s, u"i"_s}));
        E2E_STEP(session.key({u"alt+j"_s, u"Return"_s}));
        E2E_STEP(!session.findWindow(u"ダイスの目"_s).isEmpty());
        E2E_STEP(session.type(u"3 4"_s));
        E2E_STEP(session.key({u"Return"_s}));
        E2E_STEP(session.waitForNoWindow(u"ダイスの目"_s));
        QCOMPARE(reportedAbilities(session, window, report),
                 u"体力点   :      0 /      5|運点     :      0 /      3"_s);

        E2E_STEP(session.focus(window));
        E2E_STEP(session.key({u"ctrl+z"_s}));
        QCOMPARE(reportedAbilities(session, window, report),
                 u"体力点   :      0 /      0|運点     :      0 /      0"_s);
        QVERIFY(session.programRunning());
    }
};

QTEST_GUILESS_MAIN(TestE2eRules)
#include "tst_e2e_rules.moc"
