#include "CommandLine.h"
#include "CommandLineFiles.h"
#include "FileError.h"
#include "ProgramDir.h"
#include "TestFiles.h"
#include "TextReport.h"
#include "VersionInfo.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

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
        // The modules are looked for in the program's own layout and nowhere else.
        QCOMPARE(dir.modulePaths(u"pelko_sound.so"_s), QStringList{base + expectedModule});
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

    // The data folder under the XDG rules, and never the root folder.
    void theUsersDataFolderFollowsTheXdgRules_data()
    {
        QTest::addColumn<QString>("xdgDataHome");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the default under the home")
            << QString() << u"/home/ann"_s << u"/home/ann/.local/share/Pelko/"_s;
        QTest::newRow("an absolute XDG_DATA_HOME")
            << u"/srv/data/"_s << u"/home/ann"_s << u"/srv/data/Pelko/"_s;
        QTest::newRow("a relative XDG_DATA_HOME is ignored")
            << u"data"_s << u"/home/ann"_s << u"/home/ann/.local/share/Pelko/"_s;
        QTest::newRow("XDG_DATA_HOME at the root is ignored")
            << u"/"_s << u"/home/ann/"_s << u"/home/ann/.local/share/Pelko/"_s;
        QTest::newRow("no home at all") << QString() << QString() << QString();
        QTest::newRow("the home is the root folder") << QString() << u"/"_s << QString();
        QTest::newRow("the home is the root folder, spelt long")
            << QString() << u"//./"_s << QString();
        QTest::newRow("a relative home") << u"rel"_s << u"home"_s << QString();
        QTest::newRow("an absolute XDG_DATA_HOME needs no home")
            << u"/var/lib/ann"_s << QString() << u"/var/lib/ann/Pelko/"_s;
    }
    void theUsersDataFolderFollowsTheXdgRules()
    {
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        QCOMPARE(ProgramDir::userDataDirOf(xdgDataHome, home), expected);
    }

    // The folders made on the way to the data folder are their owner's alone; a home that does
    // not exist is never made, nor a folder that would hold it, nor by Qt's own settings (the
    // file dialog's history).
    void theDataFolderIsMadeForItsOwnerAloneAndNeverTheHome()
    {
        QTemporaryDir root;
        const QString home = root.filePath(u"home"_s), gone = root.filePath(u"gone"_s);
        QVERIFY(QDir().mkdir(home));
        QVERIFY(!ProgramDir::ensureExists(gone + u"/.local/share/Pelko"_s, gone));
        QVERIFY(!ProgramDir::ensureExists(gone + u"/Pelko"_s, gone + u"/ann"_s));
        QVERIFY(ProgramDir::ensureExists(root.filePath(u"srv/Pelko"_s), gone));
        QVERIFY(ProgramDir::ensureExists(home + u"/.local/share/Pelko"_s, home));
        for (const QString &made :
             {u"srv"_s, u"srv/Pelko"_s, u"home/.local"_s, u"home/.local/share/Pelko"_s})
            QCOMPARE(TestFiles::modeOf(root.filePath(made)), 0700);
        const QByteArray oldHome = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(gone));
        qunsetenv("XDG_CONFIG_HOME");
        ProgramDir::keepQtSettingsFromMakingHome();
        QSettings(QSettings::UserScope, u"QtProject"_s).setValue(u"history"_s, 1);
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", config);
        QVERIFY(!QFileInfo::exists(gone));
    }

    // Without a data folder an installed program writes nothing anywhere, and says why.
    void anInstalledProgramWithoutADataFolderWritesNothing()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"bin"_s)));
        QVERIFY(touch(root.filePath(u"share/pelko/installed"_s)));
        const ProgramDir dir(root.filePath(u"bin"_s), QString());
        QVERIFY(dir.isInstalled());
        QVERIFY(dir.problem().contains(u"HOME"_s));
        QVERIFY(QDir::isAbsolutePath(dir.path()));
        QVERIFY(!ProgramDir::ensureExists(dir.path()));
        QVERIFY_THROWS_EXCEPTION(FileError,
                                 TextReport::write(dir.path(), u"Alice.txt"_s, {u"line"_s}));
        QVERIFY(!QFileInfo::exists(u"Alice.txt"_s));
        // With a data folder there is nothing to say.
        QVERIFY(ProgramDir(root.filePath(u"bin"_s), root.filePath(u"data"_s)).problem().isEmpty());
        QVERIFY(ProgramDir::portable(root.filePath(u"bin"_s)).problem().isEmpty());
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
        QTest::newRow("-h with a value")
            << QStringList{u"-h=1"_s} << int(CommandLine::Action::Fail) << QString();
        QTest::newRow("-h") << QStringList{u"-h"_s, u"x.PKD"_s} << int(CommandLine::Action::Help)
                            << QString();
        QTest::newRow("-help is no form of help")
            << QStringList{u"-help"_s} << int(CommandLine::Action::Run) << QString();
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

    // Japanese throughout: the only Latin words are the option names, the program's name and
    // the endings of save files and PDF files.
    void theHelpIsWhollyJapanese()
    {
        const CommandLine help({u"/usr/bin/pelko"_s, u"-h"_s});
        const QString text = help.helpText();
        for (const QString &form : {u"--open ファイル"_s, u"-h, --help"_s, u"--version"_s})
            QVERIFY2(text.contains(form), qPrintable(text));
        const QStringList allowed{u"pelko"_s,   u"open"_s, u"help"_s, u"h"_s,
                                  u"version"_s, u"PKD"_s,  u"pdf"_s,  u"PDF"_s};
        QRegularExpressionMatchIterator words =
            QRegularExpression(u"[A-Za-z]+"_s).globalMatch(text);
        while (words.hasNext()) {
            const QString word = words.next().captured();
            QVERIFY2(allowed.contains(word), qPrintable(u"English in the help: "_s + word));
        }
        QCOMPARE(CommandLine({u"pelko"_s, u"--help=x"_s}).errorText(),
                 u"オプション「--help」は値を取りません。"_s);
    }

    // The build's version, which grows with every commit; save files keep their own.
    void theVersionIsTheBuilds()
    {
        QCOMPARE(CommandLine::versionText(), u"Pelko "_s + VersionInfo::buildVersion() + u'\n');
        QVERIFY2(QRegularExpression(u"^0\\.6\\.1(\\+git\\d{8}\\.\\d{6}(\\.[1-9]\\d*|~shallow)"
                                    "(\\+dirty(\\d{8}\\.\\d{6})?)?)?$"_s)
                     .match(VersionInfo::buildVersion())
                     .hasMatch(),
                 qPrintable(VersionInfo::buildVersion()));
        QCOMPARE(readVersionItem(VersionInfo::FileVersion), std::optional(u"0.6.1.0"_s));
    }

    // Arguments are bytes; a name in code page 932 is read as such and opened by its bytes.
    void argumentsAreDecodedPerPathElement_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("/tmp/\xe5\x86\x92\xe9\x99\xba.PKD")
                               << u"/tmp/冒険.PKD"_s;
        QTest::newRow("code page 932 under a UTF-8 folder")
            << QByteArray("/home/\xe5\x86\x92/\x96\x60\x8c\xaf.PKD") << u"/home/冒/冒険.PKD"_s;
        QTest::newRow("half-width katakana in code page 932")
            << QByteArray("\xb1\xb2.pkd") << u"ｱｲ.pkd"_s;
        QTest::newRow("an option") << QByteArray("--open") << u"--open"_s;
    }
    void argumentsAreDecodedPerPathElement()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(CommandLineFiles::decode(bytes), text);
    }

    void aCodePage932NamedFileIsOpenedByItsBytes_data()
    {
        QTest::addColumn<bool>("openForm");
        QTest::newRow("FILE.PKD") << false;
        QTest::newRow("--open=FILE") << true;
    }
    void aCodePage932NamedFileIsOpenedByItsBytes()
    {
        QFETCH(bool, openForm);
        QTemporaryDir dir;
        const QByteArray name = QFile::encodeName(dir.path()) + "/\x96\x60\x8c\xaf.PKD";
        const int file = ::open(name.constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(file >= 0);
        QCOMPARE(::write(file, "sheet", 5), ssize_t(5));
        ::close(file);

        CommandLineFiles files({"pelko", openForm ? "--open=" + name : name});
        const QString text = dir.path() + u"/冒険.PKD"_s;
        QCOMPARE(files.arguments().last(), (openForm ? u"--open="_s : QString()) + text);
        const QString readable = files.openablePath(text);
        QVERIFY(readable != text);
        QFile opened(readable);
        QVERIFY2(opened.open(QIODevice::ReadOnly), qPrintable(readable));
        QCOMPARE(opened.readAll(), QByteArray("sheet"));

        // A name that is text, or names no argument, is itself.
        CommandLineFiles plain({"pelko", QFile::encodeName(dir.path()) + "/a.PKD"});
        QCOMPARE(plain.openablePath(dir.path() + u"/a.PKD"_s), dir.path() + u"/a.PKD"_s);
        QCOMPARE(files.openablePath(u"other.PKD"_s), u"other.PKD"_s);
        // A missing file is left to the loader, which says it is no save file.
        CommandLineFiles gone({"pelko", QFile::encodeName(dir.path()) + "/\x8c\xaf.PKD"});
        QCOMPARE(gone.openablePath(dir.path() + u"/険.PKD"_s), dir.path() + u"/険.PKD"_s);
        // QTemporaryDir cannot name the file to remove it.
        QCOMPARE(::unlink(name.constData()), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgramDir)
#include "tst_programdir.moc"
