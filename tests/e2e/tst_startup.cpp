#include "E2eSession.h"

#include <QDir>
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
        if (!defaultIni.isEmpty())
            E2E_STEP(session.putFile(u"Default.ini"_s, defaultIni));
        // The copied program comes with its modules beside it.
        QStringList expected = {QFileInfo(E2eSession::builtProgram()).fileName(), u"diceroll.wav"_s,
                                u"pelko_sound.so"_s, u"pelko_journal.so"_s, u"pelko_charts.so"_s};
        if (!defaultIni.isEmpty())
            expected.append(u"Default.ini"_s);
        expected.sort();

        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());
        QCOMPARE(session.windowSize(window).width(), E2eSession::SheetWidth);
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
        if (!defaultIni.isEmpty())
            QCOMPARE(E2eSession::fileBytes(session.programDirPath(u"Default.ini"_s)), defaultIni);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
