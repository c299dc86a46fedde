#include "E2eSession.h"
#include "VersionInfo.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

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
        // The build's version, the one its package carries, not the save files' "0.6.1.0".
        QTest::newRow("--version") << QStringList{u"--version"_s} << 0
                                   << u"Pelko "_s + VersionInfo::buildVersion() + u'\n';
        QTest::newRow("--help") << QStringList{u"--help"_s, u"X.PKD"_s} << 0
                                << u"--open ファイル"_s;
        QTest::newRow("-h, which once started the window")
            << QStringList{u"-h"_s} << 0 << u"--open ファイル"_s;
        // The window needs a display: said in Japanese, not aborted with Qt's English.
        QTest::newRow("the window without a display") << QStringList() << 1 << QString();
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
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(exitCode == 0 ? err.isEmpty() : err.contains(u"ディスプレイが必要"_s),
                 qPrintable(err));
    }

    void theVersionGrowsWithTheCommits()
    {
        QVERIFY2(QRegularExpression(u"^\\d+\\.\\d+\\.\\d+(\\+git\\d{8}\\.\\d{6}(\\.\\d+|~shallow)"
                                    "(\\+dirty(\\d{8}\\.\\d{6})?)?)?$"_s)
                     .match(VersionInfo::buildVersion())
                     .hasMatch(),
                 qPrintable(VersionInfo::buildVersion()));
    }

    // An old archive unpacked without conversion leaves the name in code page 932 bytes,
    // which are no UTF-8: the shell hands the program those bytes.
    void aSaveFileNamedInCodePage932BytesOpens()
    {
        E2eSession session;
        E2E_STEP(session.putSheet(u"utf8.pkd"_s, u"勇者"_s, u"Default.ini"_s));
        QFile sheet(session.programDirPath(u"utf8.pkd"_s));
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        const QByteArray bytes = sheet.readAll();
        // "冒険.PKD" in code page 932.
        const QByteArray name = QFile::encodeName(session.programDir()) + "\x96\x60\x8c\xaf.PKD";
        const int file = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(file >= 0);
        QCOMPARE(::write(file, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(file);

        // The name goes through a shell, the only way to pass bytes that are no text.
        E2E_STEP(session.startMainWindow({}, u"Pelko"_s).size() > 0);
        session.stopProgram();
        const QString script =
            u"cd \"$1\" && exec ./pelko \"$(printf '\\226\\140\\214\\257.PKD')\""_s;
        E2E_STEP(
            session.startProgramAt(u"/bin/sh"_s, {u"-c"_s, script, u"sh"_s, session.programDir()}));
        const QString window = session.findWindow(u"Pelko, paired with * 勇者 *"_s);
        QVERIFY2(!window.isEmpty(),
                 qPrintable(session.lastError() + u'\n' + session.programState()));
    }

    // A copy of the program without its modules beside it runs without them: no journal, even
    // though the build folder that made it still holds one.
    void aCopiedProgramLoadsNoModuleFromTheBuildFolder()
    {
        E2eSession session;
        const QString alone = session.programDirPath(u"alone/"_s);
        QVERIFY(QDir().mkpath(alone));
        QVERIFY(QFile::copy(E2eSession::builtProgram(), alone + u"pelko"_s));
        QVERIFY(QFile::setPermissions(alone + u"pelko"_s, QFile::permissions(alone + u"pelko"_s) |
                                                              QFileDevice::ExeOwner));
        QVERIFY(
            QFile::copy(QFileInfo(E2eSession::builtProgram()).absolutePath() + u"/diceroll.wav"_s,
                        alone + u"diceroll.wav"_s));
        E2E_STEP(session.startProgramAt(alone + u"pelko"_s));
        QVERIFY2(!session.findWindow(u"Pelko"_s).isEmpty(),
                 qPrintable(session.lastError() + session.programState()));
        // With its module a program writes its journal once the window is up.
        QVERIFY(!session.waitForFile(alone + u"Pelko.journal"_s, E2eSession::Duration(3000)));
        QVERIFY(session.programRunning());
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
