#include "FileError.h"
#include "FileSizeLimit.h"
#include "OrdinaryUser.h"
#include "TestFiles.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(WriteFailureText)

namespace {

const QString DiskFull = u"ディスクがいっぱいです"_s;
const QString SizeLimit = u"ファイルサイズの上限を超えています"_s;
const QString AccessDenied = u"ファイルへのアクセスが拒否されました"_s;
const QString NotFound = u"ファイルが見つかりません"_s;
const QString TooManyFiles = u"オープンしたファイルが多すぎます"_s;

// size bytes that differ from those of any other fill at almost every place, so that a byte
// left over from another content, or one moved, shows.
QByteArray fill(char tag, qsizetype size)
{
    QByteArray bytes(size, tag);
    for (qsizetype i = 0; i < size; i += 7)
        bytes[i] = char('0' + i % 10);
    return bytes;
}

const auto Everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup |
                      QFile::ReadOther | QFile::WriteOther;
const auto WriteOnly = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
const auto ReadOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
const auto Enter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                   QFile::ReadOther | QFile::ExeOther;

// Lets no further file be opened while it lives: the lowest free descriptor is the limit.
class NoFreeDescriptor
{
public:
    NoFreeDescriptor()
    {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowest = ::dup(0);
        ::close(lowest);
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(lowest);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~NoFreeDescriptor() { setrlimit(RLIMIT_NOFILE, &m_saved); }
    NoFreeDescriptor(const NoFreeDescriptor &) = delete;
    NoFreeDescriptor &operator=(const NoFreeDescriptor &) = delete;

private:
    rlimit m_saved{};
};

} // namespace

// Writing a whole file: in place where the folder refuses a file beside it, and the text a
// failure shows for each cause.
class TestWholeFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_folder;

    // A folder an ordinary user may enter but not write in, holding name with bytes.
    QString lockedFile(const QString &name, const QByteArray &bytes, QFile::Permissions mode)
    {
        const QString path = m_folder + u'/' + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        file.close();
        QFile::setPermissions(path, mode);
        QFile::setPermissions(m_folder, Enter);
        return path;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(QFile::setPermissions(m_root.path(), Enter | QFile::WriteOwner));
        m_folder = m_root.filePath(u"folder"_s);
        QVERIFY(QDir().mkpath(m_folder));
    }
    void cleanup()
    {
        QFile::setPermissions(m_folder, Enter | QFile::WriteOwner);
        QVERIFY(QDir(m_folder).removeRecursively());
    }

    // In place the file ends as the new bytes exactly, whatever the old length was; a write
    // that fails (at a size limit, as on a full disk) leaves the old bytes, none moved.
    void inPlaceTheFileHoldsTheNewBytesOrTheOld_data()
    {
        QTest::addColumn<int>("oldSize");
        QTest::addColumn<int>("newSize");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("limit"); // 0: none; else the write fails
        QTest::newRow("shorter by half") << 4000 << 2000 << true << 0;
        QTest::newRow("shorter by one byte") << 1001 << 1000 << true << 0;
        QTest::newRow("emptied") << 1000 << 0 << true << 0;
        QTest::newRow("as long") << 1000 << 1000 << true << 0;
        QTest::newRow("longer") << 1000 << 3000 << true << 0;
        QTest::newRow("shorter, a file the user may not read") << 4000 << 1000 << false << 0;
        QTest::newRow("room for part of the new bytes") << 1000 << 500 << true << 1200;
        QTest::newRow("no room beyond the old bytes") << 4000 << 1000 << true << 4000;
        QTest::newRow("no room, a file the user may not read") << 1000 << 500 << false << 1200;
    }
    void inPlaceTheFileHoldsTheNewBytesOrTheOld()
    {
        QFETCH(int, oldSize);
        QFETCH(int, newSize);
        QFETCH(bool, readable);
        QFETCH(int, limit);
        const QByteArray old = fill('o', oldSize);
        const QByteArray wanted = fill('n', newSize);
        const QString path = lockedFile(u"hero.pkd"_s, old, readable ? Everyone : WriteOnly);
        QVERIFY(!path.isEmpty());

        QString message;
        bool madeBeside = false;
        {
            const OrdinaryUser user;
            // The folder really refuses a file beside the target: the write is in place.
            QFile probe(m_folder + u"/probe"_s);
            madeBeside = probe.open(QIODevice::WriteOnly);
            std::optional<FileSizeLimit> size;
            if (limit > 0)
                size.emplace(rlim_t(limit));
            try {
                writeWholeFile(path, wanted, WriteFailureText::CannotCreateThenByCause);
            } catch (const FileError &error) {
                message = error.message();
            }
        }
        QVERIFY2(!madeBeside, "the folder let a file be made beside the target");
        QCOMPARE(message, limit > 0 ? SizeLimit : QString());
        const QByteArray found = TestFiles::bytesOf(path);
        QCOMPARE(found.size(), limit > 0 ? old.size() : wanted.size());
        QVERIFY(found == (limit > 0 ? old : wanted));
        QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"hero.pkd"_s});
    }

    // The new content takes the old file's place with the old file's permissions, not those
    // a new file would get.
    void theFileKeepsItsPermissions_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("the owner's alone") << 0600;
        QTest::newRow("the group may read") << 0640;
        QTest::newRow("the group may write") << 0660;
    }
    void theFileKeepsItsPermissions()
    {
        QFETCH(int, mode);
        const QString path = m_folder + u"/kept.ini"_s;
        writeWholeFile(path, fill('o', 100));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        writeWholeFile(path, fill('n', 50));
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
        QCOMPARE(TestFiles::bytesOf(path), fill('n', 50));
    }

    // A new file gives no one a right its folder withholds, under the umask; the journal,
    // which its own writer makes, is made alike.
    void aNewFileTakesNoMoreThanItsFolderGives()
    {
        const mode_t saved = ::umask(022);
        for (const auto &[folderMode, fileMode] :
             {std::pair{0700, 0600}, {0755, 0644}, {0701, 0604}}) {
            const QString name = m_folder + u"/new"_s + QString::number(folderMode);
            QCOMPARE(::chmod(QFile::encodeName(m_folder).constData(), mode_t(folderMode)), 0);
            writeWholeFile(name + u".ini"_s, fill('n', 10));
            QVERIFY(makeFileIfMissing(name + u".journal"_s));
            for (const QString &file : {name + u".ini"_s, name + u".journal"_s})
                QCOMPARE(TestFiles::modeOf(file), fileMode);
        }
        ::umask(saved);
    }

    // A settings file says it could not be made, whatever the cause; a save file names the
    // cause; a report names it once the file was opened and writing it failed.
    void aFailureShowsTheTextOfItsCause_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<WriteFailureText>("wording");
        QTest::addColumn<QString>("shown"); // empty: "ファイル … を作成できません"
        const struct
        {
            const char *cause;
            QString byCause;
            bool whileWriting;
        } causes[] = {
            {"a size limit", SizeLimit, true},
            {"a size limit, in place", SizeLimit, true},
            {"a file the user may not write", AccessDenied, false},
            {"a folder the user may not write", AccessDenied, false},
            {"a missing folder", NotFound, false},
            {"too many open files", TooManyFiles, false},
        };
        for (const auto &c : causes) {
            QTest::addRow("%s, settings file", c.cause)
                << QString::fromLatin1(c.cause) << WriteFailureText::CannotCreate << QString();
            QTest::addRow("%s, save file", c.cause)
                << QString::fromLatin1(c.cause) << WriteFailureText::ByCause << c.byCause;
            QTest::addRow("%s, report", c.cause)
                << QString::fromLatin1(c.cause) << WriteFailureText::CannotCreateThenByCause
                << (c.whileWriting ? c.byCause : QString());
        }
    }
    void aFailureShowsTheTextOfItsCause()
    {
        QFETCH(QString, cause);
        QFETCH(WriteFailureText, wording);
        QFETCH(QString, shown);
        const QByteArray bytes = fill('n', 3000);
        QString path = m_folder + u"/new.txt"_s;
        std::optional<OrdinaryUser> user;
        std::optional<FileSizeLimit> size;
        std::optional<NoFreeDescriptor> descriptors;
        if (cause == u"a size limit"_s) {
            size.emplace(1000);
        } else if (cause == u"a size limit, in place"_s) {
            path = lockedFile(u"old.txt"_s, fill('o', 100), Everyone);
            user.emplace();
            size.emplace(1000);
        } else if (cause == u"a file the user may not write"_s) {
            path = lockedFile(u"old.txt"_s, fill('o', 100), ReadOnly);
            user.emplace();
        } else if (cause == u"a folder the user may not write"_s) {
            QFile::setPermissions(m_folder, Enter);
            user.emplace();
        } else if (cause == u"a missing folder"_s) {
            path = m_folder + u"/missing/new.txt"_s;
        } else {
            descriptors.emplace();
        }
        QString message;
        try {
            writeWholeFile(path, bytes, wording);
        } catch (const FileError &error) {
            message = error.message();
        }
        descriptors.reset();
        size.reset();
        user.reset();
        QCOMPARE(message, shown.isEmpty() ? FileError::cannotCreate(path).message() : shown);
    }

    // Opening and closing them would drop the database's locks: a user can name one as a save
    // file or a settings file, by a link too, or save over it. Another case is another file.
    void theJournalsFilesAreNeitherReadNorWritten()
    {
        for (const QString &name : {u"Pelko.journal-wal"_s, u"hero.pkd"_s, u"pelko.journal"_s}) {
            const QString path = m_folder + u'/' + name;
            const QString file = name == u"hero.pkd"_s ? m_folder + u"/Pelko.journal"_s : path;
            QFile journal(file);
            QVERIFY(journal.open(QIODevice::WriteOnly) && journal.write("SQLite") == 6);
            journal.close();
            QVERIFY(file == path || QFile::link(file, path));
            const bool refused = name != u"pelko.journal"_s;
            QCOMPARE(openRegularFile(journal, path), !refused);
            journal.close();
            try {
                writeWholeFile(path, "new");
            } catch (const FileError &) {
            }
            QCOMPARE(TestFiles::bytesOf(file), QByteArray(refused ? "SQLite" : "new"));
        }
    }

    // Causes a test cannot bring about on any machine, each with the text it shows.
    void everyCauseHasItsText_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no space") << ENOSPC << DiskFull;
        QTest::newRow("over the quota") << EDQUOT << DiskFull;
        QTest::newRow("past a file size limit") << EFBIG << SizeLimit;
        QTest::newRow("not permitted") << EPERM << AccessDenied;
        QTest::newRow("read-only file system") << EROFS << AccessDenied;
        QTest::newRow("a folder") << EISDIR << AccessDenied;
        QTest::newRow("a file where a folder should be") << ENOTDIR << NotFound;
        QTest::newRow("too many files in the system") << ENFILE << TooManyFiles;
        QTest::newRow("anything else") << EIO << u"I/O エラー (%1)"_s.arg(EIO);
    }
    void everyCauseHasItsText()
    {
        QFETCH(int, error);
        QFETCH(QString, shown);
        QCOMPARE(FileError::ofCause(error).message(), shown);
    }
};

QTEST_GUILESS_MAIN(TestWholeFile)
#include "tst_wholefile.moc"
