#include "CharacterRecord.h"
#include "FileError.h"
#include "FileSizeLimit.h"
#include "OrdinaryUser.h"
#include "SaveFileFixture.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The save file on disk: missing, read-only and pipe files, and writes that fail or that a
// locked folder allows only in place.
class TestSaveFileDisk : public QObject, private SaveFileFixture
{
    Q_OBJECT

private Q_SLOTS:
    // What Save As proposes is a file the dialogs show, in the folder they show.
    void theProposedNameIsAVisibleFileHere()
    {
        QCOMPARE(proposedFileBaseName(u" \u3000 "_s), u"名前なし"_s);
        QCOMPARE(proposedFileBaseName(u" ..\u3000.Dr. Who "_s), u"Dr. Who"_s);
        QCOMPARE(proposedFileBaseName(u"../up/x"_s), u"／up／x"_s);
    }

    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void aMissingFileFails()
    {
        CharacterRecord data = earlierSheet();
        QCOMPARE(load(data, tempPath(u"missing.pkd"_s)), SaveFileResult::CannotOpen);
        QCOMPARE(data, earlierSheet());
    }

    void aReadOnlyFileLoads()
    {
        const QString path = tempPath(u"read-only.pkd"_s);
        put(path, TestFiles::bytesOf(golden(u"full.pkd"_s)));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        CharacterRecord data = blankSheet(true);
        QCOMPARE(load(data, path), SaveFileResult::Loaded);
        QCOMPARE(data, fullSheet());
    }

    void savingOverALongerFileLeavesOnlyTheNewContent()
    {
        const QString path = tempPath(u"over.pkd"_s);
        writeSaveFile(fullSheet(), OwnVersion, path);
        CharacterRecord empty = blankSheet(false);
        empty.setSettingsFileName(u"Default.ini"_s);
        writeSaveFile(empty, OwnVersion, path);
        QCOMPARE(TestFiles::bytesOf(path), TestFiles::bytesOf(golden(u"empty.pkd"_s)));
    }

    void aFailedWriteIsToldByItsCause_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder")
            << u"no-such-folder/a.pkd"_s << u"ファイルが見つかりません"_s;
        QTest::newRow("a folder") << u"folder"_s << u"ファイルへのアクセスが拒否されました"_s;
        QTest::newRow("a pipe") << u"pipe"_s << u"ファイルへのアクセスが拒否されました"_s;
        QTest::newRow("a read-only file")
            << u"read-only.pkd"_s << u"ファイルへのアクセスが拒否されました"_s;
        QTest::newRow("other cause") << u"loop/a.pkd"_s << u"I/O エラー (%1)"_s.arg(ELOOP);
    }
    void aFailedWriteIsToldByItsCause()
    {
        QFETCH(QString, target);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"folder"_s));
        QVERIFY(QFile::link(u"loop"_s, dir.filePath(u"loop"_s)));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"pipe"_s)).constData(), 0666), 0);
        put(dir.filePath(u"read-only.pkd"_s), "old");
        const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto exe = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir.filePath(u"read-only.pkd"_s), readable));
        QVERIFY(QFile::setPermissions(dir.path(), readable | exe | QFile::WriteOwner));
        QString shown;
        {
            const OrdinaryUser user;
            try {
                writeSaveFile(fullSheet(), OwnVersion, dir.filePath(target));
            } catch (const FileError &error) {
                shown = error.message();
            }
        }
        QCOMPARE(shown, message);
        QCOMPARE(TestFiles::bytesOf(dir.filePath(u"read-only.pkd"_s)), QByteArray("old"));
        QVERIFY(QFileInfo(dir.filePath(u"folder"_s)).isDir());
        QVERIFY(!QFileInfo(dir.filePath(u"pipe"_s)).isFile());
    }

    void aPipeNeitherLoadsNorHangs()
    {
        const QString pipe = tempPath(u"FIFO.PKD"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        CharacterRecord data = earlierSheet();
        QCOMPARE(load(data, pipe), SaveFileResult::CannotOpen);
        QCOMPARE(data, earlierSheet());
        QFile::remove(pipe);
    }

    // Writing needs a temporary file beside the target; a folder that forbids one still lets
    // the user's own file be written in place.
    void aWritableFileInALockedFolderIsWrittenInPlace()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"locked"_s);
        const QString path = folder + u"/hero.pkd"_s;
        QVERIFY(QDir().mkpath(folder));
        put(path, "old");
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                         QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        const auto enter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                           QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(path, all));
        QVERIFY(QFile::setPermissions(folder, enter));
        QVERIFY(QFile::setPermissions(dir.path(), enter | QFile::WriteOwner));
        {
            const OrdinaryUser user;
            writeSaveFile(fullSheet(), OwnVersion, path);
        }
        QVERIFY(QFile::setPermissions(folder, enter | QFile::WriteOwner));
        QCOMPARE(TestFiles::bytesOf(path), TestFiles::bytesOf(golden(u"full.pkd"_s)));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"hero.pkd"_s});
    }

    // In place, the new content must be sure before the old goes: a write that fails part-way
    // (here at a file size limit, as on a full disk) leaves the old file byte for byte, never
    // empty or short, and one that succeeds leaves exactly the new content.
    void aWriteInPlaceKeepsTheOldBytesUntilTheNewAreSure_data()
    {
        QTest::addColumn<int>("oldUnits");
        QTest::addColumn<int>("newUnits");
        QTest::addColumn<int>("limit"); // 0: none
        QTest::newRow("longer") << 100 << 2000 << 0;
        QTest::newRow("shorter") << 2000 << 100 << 0;
        QTest::newRow("longer, no room for it") << 100 << 2000 << 2000;
        QTest::newRow("shorter, the limit inside the new content") << 2000 << 1000 << 1000;
    }
    void aWriteInPlaceKeepsTheOldBytesUntilTheNewAreSure()
    {
#ifdef Q_OS_UNIX
        QFETCH(int, oldUnits);
        QFETCH(int, newUnits);
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"locked"_s);
        const QString path = folder + u"/hero.pkd"_s;
        QVERIFY(QDir().mkpath(folder));
        CharacterRecord sheet = fullSheet();
        sheet.setInventory(QString(oldUnits, u'o'));
        writeSaveFile(sheet, OwnVersion, path);
        const QByteArray old = TestFiles::bytesOf(path);
        sheet.setInventory(QString(newUnits, u'n'));
        const QByteArray wanted = saveFileBytes(sheet, OwnVersion);

        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                          QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        const auto enter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                           QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(path, open));
        QVERIFY(QFile::setPermissions(folder, enter));
        QVERIFY(QFile::setPermissions(dir.path(), enter | QFile::WriteOwner));
        QString message;
        bool madeTemporary = false;
        {
            const OrdinaryUser user;
            // The folder really refuses a file of the writer's own beside the target.
            QFile probe(folder + u"/probe"_s);
            madeTemporary = probe.open(QIODevice::WriteOnly);
            std::optional<FileSizeLimit> size;
            if (limit > 0)
                size.emplace(rlim_t(limit));
            try {
                writeSaveFile(sheet, OwnVersion, path);
            } catch (const FileError &error) {
                message = error.message();
            }
        }
        QVERIFY(QFile::setPermissions(folder, enter | QFile::WriteOwner));
        QVERIFY(!madeTemporary);
        if (limit > 0) {
            QCOMPARE(message, u"ファイルサイズの上限を超えています"_s);
            QCOMPARE(TestFiles::bytesOf(path), old);
        } else {
            QCOMPARE(message, QString());
            QCOMPARE(TestFiles::bytesOf(path), wanted);
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"hero.pkd"_s});
#endif
    }

    void aFailedWriteLeavesTheEarlierFileWhole()
    {
#ifdef Q_OS_UNIX
        // A file size limit makes the write fail part-way, even for a superuser.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"kept.pkd"_s);
        writeSaveFile(fullSheet(), OwnVersion, path);
        const QByteArray earlier = TestFiles::bytesOf(path);

        CharacterRecord big = fullSheet();
        big.setInventory(QString(4000, u'x'));
        QString message;
        {
            const FileSizeLimit limit(1000);
            try {
                writeSaveFile(big, OwnVersion, path);
            } catch (const FileError &error) {
                message = error.message();
            }
        }

        QCOMPARE(message, u"ファイルサイズの上限を超えています"_s);
        QCOMPARE(TestFiles::bytesOf(path), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"kept.pkd"_s});
#endif
    }
};

QTEST_GUILESS_MAIN(TestSaveFileDisk)
#include "tst_savefiledisk.moc"
