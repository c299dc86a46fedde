#include "E2eSession.h"
#include "VersionInfo.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Every entry below root with its size and time of change: what the program must not touch.
QStringList treeOf(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        entries.append(u"%1 %2 %3"_s.arg(info.filePath())
                           .arg(info.size())
                           .arg(info.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

} // namespace

// The Debian package unpacked into a scratch root (the install/package test makes it) and run
// from there under Xvfb, as a person who installed it would.
class TestInstalled : public QObject
{
    Q_OBJECT

private:
    QString m_root;
    QString program() const { return m_root + u"/usr/bin/pelko"_s; }

private Q_SLOTS:
    void initTestCase()
    {
        m_root = qEnvironmentVariable("PELKO_INSTALLED_ROOT");
        QVERIFY2(QFileInfo(program()).isExecutable(), "the install/package test makes the root");
    }

    void theInstalledProgramAnswersInTheTerminal()
    {
        QProcess pelko;
        pelko.setProcessEnvironment(QProcessEnvironment());
        pelko.start(program(), {u"--version"_s});
        QVERIFY(pelko.waitForFinished(10000));
        QCOMPARE(pelko.exitCode(), 0);
        QCOMPARE(pelko.readAllStandardOutput(),
                 (u"Pelko "_s + VersionInfo::buildVersion() + u'\n').toUtf8());
    }

    void settingsGoToTheUsersDataFolderAndNothingUnderThePrefix_data()
    {
        QTest::addColumn<bool>("ordinaryUser");
        QTest::newRow("an ordinary user") << true;
        QTest::newRow("whoever runs the tests, root too") << false;
    }
    void settingsGoToTheUsersDataFolderAndNothingUnderThePrefix()
    {
        QFETCH(bool, ordinaryUser);
        const bool root = ::geteuid() == 0;
        if (ordinaryUser && !root)
            QSKIP("the tests run as an ordinary user already");
        // "nobody" on Debian.
        const int uid = ordinaryUser ? 65534 : -1;
        const int gid = ordinaryUser ? 65534 : -1;
        const QStringList before = treeOf(m_root);

        E2eSession session;
        QVERIFY2(session.startProgramAt(program(), {}, uid, gid), session.lastErrorText());
        // The main window comes only after the sound was read: from the installed data folder.
        const QString window = session.findWindow(u"Pelko"_s);
        QVERIFY2(!window.isEmpty(), qPrintable(session.lastError() + session.programState()));
        E2E_STEP(session.focus(window));
        E2E_STEP(!session.openDialog({u"alt+o"_s, u"e"_s}, {u"設定"_s}).isEmpty());
        E2E_STEP(session.key({u"alt+s"_s}));

        const QString ini = session.homeDir() + u"/.local/share/Pelko/Default.ini"_s;
        QVERIFY2(session.waitForFile(ini),
                 qPrintable(session.lastError() + session.programState()));
        if (ordinaryUser)
            QCOMPARE(int(QFileInfo(ini).ownerId()), uid);
        // The journal's module was found in the library folder, and the history is kept from
        // the first run on.
        QVERIFY2(session.waitForFile(session.homeDir() + u"/.local/share/Pelko/Pelko.journal"_s),
                 qPrintable(session.lastError() + session.programState()));
        session.stopProgram();
        QCOMPARE(treeOf(m_root), before);
    }
};

QTEST_GUILESS_MAIN(TestInstalled)
#include "tst_installed.moc"
