#include "E2eSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theMainWindowAppearsAndStartingWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("defaultIni");
        QTest::newRow("beside a Default.ini") << QByteArray("[HEAD]\r\nenable2=0\r\n\r\n");
        QTest::newRow("without settings files") << QByteArray();
    }
    void theMainWindowAppearsAndStartingWritesNothing()
    {
        QFETCH(QByteArray, defaultIni);
        E2eSession session;
        // Without its sound file the program reports the loss in a box before the main window.
        QVERIFY2(session.putFile(u"diceroll.wav"_s, E2eSession::silentWave()),
                 session.lastErrorText());
        if (!defaultIni.isEmpty())
            QVERIFY2(session.putFile(u"Default.ini"_s, defaultIni), session.lastErrorText());
        QStringList expected = {QFileInfo(E2eSession::builtProgram()).fileName(),
                                u"diceroll.wav"_s};
        if (!defaultIni.isEmpty())
            expected.append(u"Default.ini"_s);
        expected.sort();
        QVERIFY2(session.startProgram(), session.lastErrorText());

        const QString window = session.findWindow(u"Pelko"_s);
        QVERIFY2(!window.isEmpty(), session.lastErrorText());
        QCOMPARE(session.windowSize(window).width(), 496);
        QVERIFY(session.programRunning());

        // Loading the settings at start-up must neither create nor rewrite a settings file. The
        // journal of the sheet's history is the one thing a start makes beside the program.
        session.stopProgram();
        QStringList present =
            QDir(session.programDir())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        present.removeIf([](const QString &name) { return name.startsWith(u"Pelko.journal"_s); });
        present.sort();
        QCOMPARE(present, expected);
        if (!defaultIni.isEmpty()) {
            QFile file(session.programDirPath(u"Default.ini"_s));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), defaultIni);
        }
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
