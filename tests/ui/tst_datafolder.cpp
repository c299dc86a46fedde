#include "MainFormFixture.h"
#include "ProgramDir.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

using namespace Qt::StringLiterals;

// Receives the folders the program hands to the file manager.
class FileManager : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

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
    // folder is made only when the item is chosen.
    void aMissingDataFolderIsMadeAndShownInTheFileManager()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"bin"_s)));
        QVERIFY(QDir().mkpath(root.filePath(u"share/pelko"_s)));
        for (const QString &name : {u"share/pelko/installed"_s, u"share/pelko/diceroll.wav"_s}) {
            QFile file(root.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString data = root.filePath(u"home/.local/share/Pelko/"_s);
        const ProgramDir programDir(root.filePath(u"bin"_s), data);
        IniSettings settings(programDir.path());
        MainWindow form(settings, programDir);
        QVERIFY(form.soundLoaded());
        FileManager manager;
        QDesktopServices::setUrlHandler(u"file"_s, &manager, "open");
        QVERIFY(!QFileInfo::exists(data));
        form.findChild<QAction *>(u"OpenDataFolder1"_s)->trigger();
        QDesktopServices::unsetUrlHandler(u"file"_s);
        QVERIFY(QFileInfo(data).isDir());
        QCOMPARE(manager.opened, QList<QUrl>{QUrl::fromLocalFile(data)});
    }
};

QTEST_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
