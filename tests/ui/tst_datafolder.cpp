#include "BoxAnswerer.h"
#include "DialogFolder.h"
#include "MainFormFixture.h"
#include "ProgramDir.h"
#include "SaveFile.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

bool touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// An installed program under root: bin/, share/pelko/ with its marker and sound, and a home
// with a documents folder. HOME points there while it lives.
struct InstalledProgram
{
    QTemporaryDir root;
    QByteArray oldHome = qgetenv("HOME");
    QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    QString home = root.filePath(u"home"_s);
    QString data = root.filePath(u"home/.local/share/Pelko/"_s);
    QString documents = root.filePath(u"home/Documents"_s);

    InstalledProgram()
    {
        QDir().mkpath(root.filePath(u"bin"_s));
        touch(root.filePath(u"share/pelko/installed"_s));
        touch(root.filePath(u"share/pelko/diceroll.wav"_s));
        QDir().mkpath(documents);
        // The desktop's documents folder: $HOME/Documents, with no user-dirs file to say else.
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(u"config"_s)));
    }
    ~InstalledProgram()
    {
        qputenv("HOME", oldHome);
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
    }
    ProgramDir programDir() const { return ProgramDir(root.filePath(u"bin"_s), data); }
};

// A window over a program directory, as main() makes it.
struct Window
{
    IniSettings settings;
    MainWindow form;
    explicit Window(const ProgramDir &dir) : settings(dir.path()), form(settings, dir)
    {
        form.show();
    }
};

QString writeSheet(const QString &path)
{
    CharacterRecord data;
    data.setAbilityCount(8);
    data.setName(u"Hero"_s);
    QDir().mkpath(QFileInfo(path).path());
    writeSaveFile(data, u"0.6.1.0"_s, path);
    return path;
}

// Runs the menu item that opens a file dialog and cancels the dialog; gives the folder it
// started in.
QString startFolderOf(MainWindow &form, const QString &item)
{
    QString folder;
    QTimer::singleShot(0, qApp, [&folder] {
        QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        folder = QDir(dialog->directory()).absolutePath();
        dialog->reject();
    });
    form.findChild<QAction *>(item)->trigger();
    return folder;
}

// Chooses path in the next file dialog.
void chooseInNextDialog(const QString &path)
{
    QTimer::singleShot(0, qApp, [path] {
        QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        // As a person does it: the whole path typed into the name box.
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        QVERIFY(name);
        name->setText(path);
        QMetaObject::invokeMethod(dialog, &QDialog::accept);
    });
}

// A stand-in for the desktop's opener on PATH: it notes the folder it was given and exits
// with the status given.
struct FakeOpener
{
    QTemporaryDir bin;
    QByteArray oldPath = qgetenv("PATH");
    QString log = bin.filePath(u"opened"_s);

    explicit FakeOpener(int exitCode)
    {
        QFile script(bin.filePath(u"xdg-open"_s));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + QFile::encodeName(log) + "'\nexit " +
                     QByteArray::number(exitCode) + "\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);
    }
    ~FakeOpener() { qputenv("PATH", oldPath); }
    QString opened() const
    {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    }
};

} // namespace

class TestDataFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theHelpMenuEndsWithTheDataFolder()
    {
        MainFormFixture f;
        const QList<QAction *> items = f.find<QMenu>(u"Help1"_s)->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->objectName(), u"About1"_s);
        QCOMPARE(items[0]->text(), u"バージョン情報(&A)"_s);
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->objectName(), u"OpenDataFolder1"_s);
        QCOMPARE(items[2]->toolTip(), QDir::toNativeSeparators(f.settings->programDir()));
    }

    // An installed program: the sound comes from the shared data folder, and the user's data
    // folder is made only when the item is chosen; the opener's answer decides whether the path
    // is shown in a box instead (xdg-open exits with 3 when no file manager takes the folder).
    void theDataFolderGoesToTheOpenerOrIntoABox_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("boxShown");
        QTest::newRow("a file manager took it") << 0 << false;
        QTest::newRow("no file manager") << 3 << true;
        QTest::newRow("the opener failed otherwise") << 1 << true;
    }
    void theDataFolderGoesToTheOpenerOrIntoABox()
    {
        QFETCH(int, exitCode);
        QFETCH(bool, boxShown);
        InstalledProgram installed;
        Window window(installed.programDir());
        QVERIFY(window.form.soundLoaded());
        FakeOpener opener(exitCode);
        BoxAnswerer boxes;
        QVERIFY(!QFileInfo::exists(installed.data));
        window.form.findChild<QAction *>(u"OpenDataFolder1"_s)->trigger();
        QVERIFY(QFileInfo(installed.data).isDir());
        QTRY_COMPARE(opener.opened(), installed.data);
        if (boxShown) {
            QTRY_COMPARE(boxes.texts, QStringList{QDir::toNativeSeparators(installed.data)});
        } else {
            // The opener has answered; give a wrongly shown box the time to come.
            QTest::qWait(300);
            QCOMPARE(boxes.texts, QStringList());
        }
    }

    void withoutAnOpenerThePathIsShown()
    {
        MainFormFixture f;
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        BoxAnswerer boxes;
        f.find<QAction>(u"OpenDataFolder1"_s)->trigger();
        qputenv("PATH", oldPath);
        QCOMPARE(boxes.texts, QStringList{QDir::toNativeSeparators(f.settings->programDir())});
    }

    // Installed, save files are the user's: the dialogs start beside the current save file,
    // else in the folder last chosen (also in a later run), else in the documents folder, and
    // never in the hidden data folder.
    void anInstalledProgramsDialogsStartWhereTheUsersFilesAre()
    {
        InstalledProgram installed;
        {
            Window window(installed.programDir());
            QCOMPARE(startFolderOf(window.form, u"Open1"_s), installed.documents);
            QCOMPARE(startFolderOf(window.form, u"SaveAs1"_s), installed.documents);

            // A double-clicked save file elsewhere: Save As proposes its folder.
            const QString hero = writeSheet(installed.home + u"/games/hero.pkd"_s);
            QVERIFY(window.form.files().openFile(hero));
            QCOMPARE(startFolderOf(window.form, u"SaveAs1"_s), installed.home + u"/games"_s);
            QCOMPARE(startFolderOf(window.form, u"Open1"_s), installed.home + u"/games"_s);

            // A file chosen in a dialog makes its folder the one remembered.
            const QString other = writeSheet(installed.home + u"/archive/old.pkd"_s);
            chooseInNextDialog(other);
            window.form.findChild<QAction *>(u"Open1"_s)->trigger();
            QCOMPARE(window.form.sheet().saveFile(), other);
            window.form.findChild<QAction *>(u"New1"_s)->trigger();
            QCOMPARE(startFolderOf(window.form, u"SaveAs1"_s), installed.home + u"/archive"_s);
        }
        // The next run remembers it; settings files and reports stay in the data folder.
        Window later(installed.programDir());
        QCOMPARE(startFolderOf(later.form, u"Open1"_s), installed.home + u"/archive"_s);
        QVERIFY(QFileInfo::exists(installed.data +
                                  QString::fromUtf16(DialogFolder::RememberedFileName)));
        QCOMPARE(later.settings.programDir(), installed.data);

        // A remembered folder that is gone gives way to the documents folder.
        QVERIFY(QDir(installed.home + u"/archive"_s).removeRecursively());
        QCOMPARE(startFolderOf(later.form, u"Open1"_s), installed.documents);
    }

    // Portable, the program's own folder keeps the save files, as it always did.
    void aPortableProgramsDialogsStayInItsFolder()
    {
        MainFormFixture f;
        const QString folder = QDir(f.dir.path()).absolutePath();
        QCOMPARE(startFolderOf(*f.form, u"Open1"_s), folder);
        QCOMPARE(startFolderOf(*f.form, u"SaveAs1"_s), folder);
        QTemporaryDir elsewhere;
        QVERIFY(f.form->files().openFile(writeSheet(elsewhere.filePath(u"hero.pkd"_s))));
        QCOMPARE(startFolderOf(*f.form, u"Open1"_s), QDir(elsewhere.path()).absolutePath());
        QCOMPARE(startFolderOf(*f.form, u"SaveAs1"_s), folder);
        QVERIFY(!QFileInfo::exists(
            f.dir.filePath(QString::fromUtf16(DialogFolder::RememberedFileName))));
    }
};

QTEST_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
