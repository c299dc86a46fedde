#include "E2eSession.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Answered in the terminal: no display is needed, and nothing is shown.
    void helpAndVersionPrintAndEnd_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("standardOutput");
        QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << u"Pelko 0.6.1.0\n"_s;
        QTest::newRow("--help") << QStringList{u"--help"_s, u"X.PKD"_s} << 0 << u"--open <FILE>"_s;
    }
    void helpAndVersionPrintAndEnd()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, standardOutput);
        QProcess program;
        QProcessEnvironment env;
        env.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        env.insert(u"LANG"_s, u"C.UTF-8"_s);
        program.setProcessEnvironment(env);
        program.start(E2eSession::builtProgram(), arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(out == standardOutput ||
                     (standardOutput.startsWith(u"--") && out.contains(standardOutput)),
                 qPrintable(out));
        QVERIFY2(program.readAllStandardError().isEmpty(), "nothing goes to the error output");
    }

    // A file manager hands over the name as it is on disk, often in lower case.
    void openTakesAnyCaseAndReportsAFailedLoad_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("expectedTitle");
        QTest::newRow("lower case") << u"hero.pkd"_s << true << u"Pelko, paired with * 勇者 *"_s;
        QTest::newRow("upper case") << u"HERO.PKD"_s << true << u"Pelko, paired with * 勇者 *"_s;
        QTest::newRow("missing file") << u"gone.pkd"_s << false << u"警告"_s;
    }
    void openTakesAnyCaseAndReportsAFailedLoad()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, present);
        QFETCH(QString, expectedTitle);
        E2eSession session;
        if (present)
            E2E_STEP(session.copyFile(QFINDTESTDATA("../data/save/full.pkd"), fileName));
        const QString window =
            session.startMainWindow({u"--open"_s, session.programDirPath(fileName)}, expectedTitle);
        QVERIFY2(!window.isEmpty(),
                 qPrintable(session.lastError() + u'\n' + session.programState()));
        if (!present)
            return;
        // A taskbar names the program by its application title and finds its desktop entry by
        // the window's class (the entry's StartupWMClass); the title is the caption alone, with
        // nothing of the program's name added after it.
        QProcess xprop;
        QProcessEnvironment env;
        env.insert(u"DISPLAY"_s, session.display());
        env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
        xprop.setProcessEnvironment(env);
        xprop.start(u"xprop"_s,
                    {u"-id"_s, window, u"_NET_WM_ICON_NAME"_s, u"WM_CLASS"_s, u"_NET_WM_NAME"_s});
        QVERIFY(xprop.waitForFinished(10000));
        const QString properties = QString::fromUtf8(xprop.readAllStandardOutput());
        for (const QString &line :
             {u"_NET_WM_ICON_NAME(UTF8_STRING) = \"Pelko[勇者]\""_s,
              u"WM_CLASS(STRING) = \"pelko\", \"Pelko\""_s,
              u"_NET_WM_NAME(UTF8_STRING) = \"Pelko, paired with * 勇者 *\""_s})
            QVERIFY2(properties.contains(line + u'\n'), qPrintable(properties));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
