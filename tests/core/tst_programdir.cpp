#include "CommandLine.h"
#include "ProgramDir.h"
#include "TextReport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool touch(const QString &path)
{
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

// Where the program keeps its files, portable and installed, and the command line's own forms.
class TestProgramDir : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theLayoutDecidesTheFolders_data()
    {
        QTest::addColumn<bool>("marker");
        QTest::addColumn<bool>("userSound");
        QTest::addColumn<QString>("expectedDir");
        QTest::addColumn<QString>("expectedSound");
        QTest::addColumn<QString>("expectedModule");
        QTest::newRow("a build or unpacked folder is portable")
            << false << false << u"bin/"_s << u"bin/diceroll.wav"_s << u"bin/pelko_sound.so"_s;
        QTest::newRow("installed: the user's data folder, the installed sound")
            << true << false << u"home/data/"_s << u"share/pelko/diceroll.wav"_s
            << u"lib/pelko/pelko_sound.so"_s;
        QTest::newRow("installed: a sound the user put in the data folder wins")
            << true << true << u"home/data/"_s << u"home/data/diceroll.wav"_s
            << u"lib/pelko/pelko_sound.so"_s;
    }
    void theLayoutDecidesTheFolders()
    {
        QFETCH(bool, marker);
        QFETCH(bool, userSound);
        QFETCH(QString, expectedDir);
        QFETCH(QString, expectedSound);
        QFETCH(QString, expectedModule);
        QTemporaryDir root;
        const QString base = root.path() + u'/';
        QVERIFY(QDir().mkpath(base + u"bin"_s));
        if (marker)
            QVERIFY(touch(base + u"share/pelko/installed"_s));
        if (userSound)
            QVERIFY(touch(base + u"home/data/diceroll.wav"_s));

        const ProgramDir dir(base + u"bin"_s, base + u"home/data"_s);
        QCOMPARE(dir.isInstalled(), marker);
        QCOMPARE(dir.path(), base + expectedDir);
        QCOMPARE(dir.soundFile(), base + expectedSound);
        QCOMPARE(dir.modulePaths(u"pelko_sound.so"_s).first(), base + expectedModule);
        // Finding the layout makes nothing: the data folder waits for its first need.
        QCOMPARE(QFileInfo::exists(base + u"home/data"_s), userSound);
    }

    void aPortableFolderStaysPortableBesideAMarker()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"bin"_s)));
        QVERIFY(touch(root.filePath(u"share/pelko/installed"_s)));
        const ProgramDir dir = ProgramDir::portable(root.filePath(u"bin"_s));
        QVERIFY(!dir.isInstalled());
        QCOMPARE(dir.path(), root.filePath(u"bin/"_s));
    }

    void writingAReportMakesTheMissingDataFolder()
    {
        QTemporaryDir root;
        const QString data = root.filePath(u"home/.local/share/Pelko/"_s);
        TextReport::write(data, u"Alice.txt"_s, {u"line"_s});
        QVERIFY(QFileInfo::exists(data + u"Alice.txt"_s));
    }

    void commandLineForms_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("openFile");
        const int run = int(CommandLine::Action::Run);
        QTest::newRow("nothing") << QStringList() << run << QString();
        QTest::newRow("the window's own rule is left alone")
            << QStringList{u"save.PKD"_s} << run << QString();
        QTest::newRow("a form after the first argument counts for nothing")
            << QStringList{u"save.PKD"_s, u"--help"_s} << run << QString();
        QTest::newRow("an unknown option is ignored like any argument")
            << QStringList{u"--frobnicate"_s} << run << QString();
        QTest::newRow("--open lower case")
            << QStringList{u"--open"_s, u"a b.pkd"_s} << run << u"a b.pkd"_s;
        QTest::newRow("--open upper case, later arguments ignored")
            << QStringList{u"--open"_s, u"x.PKD"_s, u"--version"_s} << run << u"x.PKD"_s;
        QTest::newRow("--open=FILE") << QStringList{u"--open=x.pkd"_s} << run << u"x.pkd"_s;
        QTest::newRow("--open from a launcher without a file")
            << QStringList{u"--open"_s} << run << QString();
        QTest::newRow("--open= without a file") << QStringList{u"--open="_s} << run << QString();
        QTest::newRow("a value where none is taken")
            << QStringList{u"--version=2"_s} << int(CommandLine::Action::Fail) << QString();
        QTest::newRow("--help") << QStringList{u"--help"_s} << int(CommandLine::Action::Help)
                                << QString();
        QTest::newRow("--version") << QStringList{u"--version"_s, u"x.PKD"_s}
                                   << int(CommandLine::Action::Version) << QString();
    }
    void commandLineForms()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, openFile);
        const CommandLine command(QStringList{u"pelko"_s} + arguments);
        QCOMPARE(int(command.action()), action);
        QCOMPARE(command.openFile(), openFile);
        QCOMPARE(command.errorText().isEmpty(), action != int(CommandLine::Action::Fail));
    }

    void helpAndVersionTexts()
    {
        const CommandLine help({u"pelko"_s, u"--help"_s});
        QVERIFY2(help.helpText().contains(u"--open <FILE>"_s), qPrintable(help.helpText()));
        QVERIFY(help.helpText().contains(u"--version"_s));
        QCOMPARE(CommandLine::versionText(), u"Pelko 0.6.1.0\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestProgramDir)
#include "tst_programdir.moc"
