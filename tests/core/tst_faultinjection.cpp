#include "CharacterRecord.h"
#include "CharacterReport.h"
#include "FileError.h"
#include "FileSizeLimit.h"
#include "IniData.h"
#include "IniFileName.h"
#include "RouteText.h"
#include "SaveFile.h"
#include "TextReport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <functional>
#include <set>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString OwnVersion = u"0.6.1.0"_s;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

// Every path under root, folders and files alike, with the size of each file.
QStringList treeOf(const QString &root)
{
    QStringList tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        tree.append(it.filePath() + u' ' + QString::number(it.fileInfo().size()));
    }
    tree.sort();
    return tree;
}

// The four kinds of file the program writes, each in two versions of a few tens of kilobytes
// (so that a write takes long enough to be cut), written the way the window writes them.
struct Kind
{
    QString fileName;
    std::function<void(const QString &programDir, bool second)> write;
};

Kind kindNamed(const QString &name)
{
    if (name == u"save file"_s) {
        return {u"sheet.pkd"_s, [](const QString &dir, bool second) {
                    CharacterRecord data;
                    data.setAbilityCount(8);
                    data.setName(second ? u"二番目"_s : u"一番目"_s);
                    data.setInventory(QString(second ? 30000 : 20000, second ? u'b' : u'a'));
                    writeSaveFile(data, OwnVersion, dir + u"sheet.pkd"_s);
                }};
    }
    if (name == u"settings file"_s) {
        // The same keys either way, so that saving over the other version gives fixed bytes.
        return {u"Many.ini"_s, [](const QString &dir, bool second) {
                    SettingsValues data;
                    data.flagNumber = 2000;
                    for (int n = 1; n <= data.flagNumber; ++n)
                        data.flagText += (second ? u"二つ目の札%1\r\n"_s : u"札%1\r\n"_s).arg(n);
                    saveSettingsFile(data, dir + u"Many.ini"_s);
                }};
    }
    if (name == u"character report"_s) {
        return {u"Alice.txt"_s, [](const QString &dir, bool second) {
                    CharacterRecord record;
                    record.setAbilityCount(8);
                    record.setName(u"Alice"_s);
                    CharacterReportData report =
                        CharacterReportData::fromRecord(record, SettingsValues());
                    report.inventory = QStringList(second ? 4500 : 3000, u"剣と盾"_s).join(u'\n');
                    TextReport::write(dir, CharacterReport::fileName(record.name()),
                                      CharacterReport::lines(report));
                }};
    }
    return {u"Alice_Route.txt"_s, [](const QString &dir, bool second) {
                QList<std::uint16_t> route;
                for (int i = 0; i < (second ? 3000 : 2000); ++i)
                    route.append(std::uint16_t(i % 400 + 1));
                TextReport::write(
                    dir, RouteText::routeFileName(u"Route"_s, 2, u"Alice"_s),
                    RouteText::routeReportLines(u"Alice"_s, RouteText::routeViewLines(route)));
            }};
}

void addKindRows()
{
    QTest::addColumn<QString>("kind");
    for (const QString &kind :
         {u"save file"_s, u"settings file"_s, u"character report"_s, u"route report"_s})
        QTest::newRow(qPrintable(kind)) << kind;
}

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_program; // inside m_root, with a trailing separator
    QByteArray m_first;
    QByteArray m_second;

    // The bytes each version of the kind's file has when written over the other one.
    void learnVersions(const Kind &kind)
    {
        QTemporaryDir dir;
        const QString program = dir.path() + u'/';
        kind.write(program, true);
        kind.write(program, false);
        m_first = contents(program + kind.fileName);
        kind.write(program, true);
        m_second = contents(program + kind.fileName);
        QVERIFY(m_first.size() > 20000 && m_second.size() > m_first.size());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(QDir(m_root.path()).removeRecursively());
        m_program = m_root.filePath(u"program/"_s);
        QVERIFY(QDir().mkpath(m_program));
    }

    void aFullDiskAtAnyPointLeavesTheOldFile_data() { addKindRows(); }
    void aFullDiskAtAnyPointLeavesTheOldFile()
    {
        QFETCH(QString, kind);
        const Kind writer = kindNamed(kind);
        learnVersions(writer);
        const QString path = m_program + writer.fileName;
        const qint64 size = m_second.size();

        std::set<qint64> cuts{0, 1, 2, 511, 512, 513, 4095, 4096, 4097, size - 1, size, size + 1};
        for (int k = 1; k < 48; ++k)
            cuts.insert(size * k / 48);
        for (const qint64 cut : cuts) {
            writer.write(m_program, false);
            bool failed = false;
            QString message;
            {
                const FileSizeLimit limit{rlim_t(cut)};
                try {
                    writer.write(m_program, true);
                } catch (const FileError &error) {
                    failed = true;
                    message = error.message();
                }
            }
            const QByteArray expected = cut >= size ? m_second : m_first;
            QVERIFY2(contents(path) == expected, qPrintable(u"cut at %1"_s.arg(cut)));
            QCOMPARE(failed, cut < size);
            // A settings file always says it could not be made; the others name the cause.
            if (failed)
                QCOMPARE(message, kind == u"settings file"_s
                                      ? FileError::cannotCreate(path).message()
                                      : FileError::ofCause(EFBIG).message());
            QCOMPARE(entriesOf(m_program), QStringList{writer.fileName});
        }
    }

    void aKilledWriterLeavesTheOldOrTheNewFile_data() { addKindRows(); }
    void aKilledWriterLeavesTheOldOrTheNewFile()
    {
        QFETCH(QString, kind);
        const Kind writer = kindNamed(kind);
        learnVersions(writer);
        const QString path = m_program + writer.fileName;
        writer.write(m_program, false);
        // A name a temporary copy might have had is the user's own here, and stays.
        const QString users = writer.fileName + u".backup"_s;
        put(m_program + users, "mine");
        const QStringList kept{writer.fileName, users};

        QRandomGenerator random(20261207);
        int sawSecond = 0;
        int renamesCut = 0;
        for (int round = 0; round < 30; ++round) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                // Writes the two versions in turn until it is killed.
                try {
                    for (bool second = true;; second = !second)
                        writer.write(m_program, second);
                } catch (...) {
                }
                ::_exit(1);
            }
            ::usleep(useconds_t(random.bounded(500, 20000)));
            QCOMPARE(::kill(child, SIGKILL), 0);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY2(WIFSIGNALED(status), "the writer stopped before it was killed");

            const QByteArray found = contents(path);
            QVERIFY2(found == m_first || found == m_second,
                     qPrintable(u"round %1: %2 bytes"_s.arg(round).arg(found.size())));
            sawSecond += found == m_second;

            // A kill between naming the new content and renaming it over the file leaves that
            // name behind: a hidden whole copy, which the next write of the file takes away.
            QStringList strays = entriesOf(m_program);
            strays.removeOne(writer.fileName);
            strays.removeOne(users);
            QVERIFY2(strays.size() <= 1, qPrintable(strays.join(u' ')));
            for (const QString &stray : strays) {
                QVERIFY2(stray.startsWith(u'.') && stray.contains(writer.fileName),
                         qPrintable(stray));
                const QByteArray copy = contents(m_program + stray);
                QVERIFY(copy == m_first || copy == m_second);
                ++renamesCut;
            }
            writer.write(m_program, false);
            QCOMPARE(entriesOf(m_program), kept);
            QCOMPARE(contents(path), m_first);
            QCOMPARE(contents(m_program + users), QByteArray("mine"));
        }
        qDebug("of 30 kills %d left the second version, %d cut a rename", sawSecond, renamesCut);
    }

    // The copy a kill between naming and renaming leaves, made here on purpose.
    void aCopyLeftByAKillIsClearedByTheNextWrite_data() { addKindRows(); }
    void aCopyLeftByAKillIsClearedByTheNextWrite()
    {
        QFETCH(QString, kind);
        const Kind writer = kindNamed(kind);
        put(m_program + u"."_s + writer.fileName + u".pelko-new"_s, "left by a kill");
        writer.write(m_program, false);
        QCOMPARE(entriesOf(m_program), QStringList{writer.fileName});
    }

    void aFolderWhereTheFileShouldBeIsLeftAlone_data() { addKindRows(); }
    void aFolderWhereTheFileShouldBeIsLeftAlone()
    {
        QFETCH(QString, kind);
        const Kind writer = kindNamed(kind);
        const QString path = m_program + writer.fileName;
        QVERIFY(QDir().mkpath(path + u"/inside"_s));
        try {
            writer.write(m_program, false);
            QFAIL("a folder was written over");
        } catch (const FileError &error) {
            // A save file is refused as the system refuses writing over a folder.
            QCOMPARE(error.message(), kind == u"save file"_s
                                          ? FileError::ofCause(EISDIR).message()
                                          : FileError::cannotCreate(path).message());
        }
        QCOMPARE(entriesOf(path), QStringList{u"inside"_s});
        QCOMPARE(entriesOf(m_program), QStringList{writer.fileName});

        if (kind == u"save file"_s) {
            CharacterRecord data;
            QVERIFY(readSaveFile(data, OwnVersion, path) != SaveFileResult::Loaded);
            QCOMPARE(data, CharacterRecord());
        }
    }

    void aHundredMegabytesOfJunkIsRefused_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("save file") << u"junk.pkd"_s << QByteArray();
        QTest::newRow("save file headed by the own version")
            << u"junk.pkd"_s << QByteArray("0.6.1.0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 21);
        QTest::newRow("settings file") << u"Junk.ini"_s << QByteArray("[HEAD]\r\n");
    }
    void aHundredMegabytesOfJunkIsRefused()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, head);
        const QString path = m_program + fileName;
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QRandomGenerator random(7);
            QByteArray piece(1 << 20, '\0');
            for (int i = 0; i < 100; ++i) {
                random.fillRange(reinterpret_cast<quint32 *>(piece.data()), piece.size() / 4);
                if (i == 0)
                    piece.replace(0, head.size(), head);
                QCOMPARE(file.write(piece), piece.size());
            }
        }

        if (fileName.endsWith(u".pkd"_s)) {
            CharacterRecord data;
            const SaveFileResult read = readSaveFile(data, OwnVersion, path);
            QVERIFY(read != SaveFileResult::Loaded);
            if (read == SaveFileResult::OtherVersion)
                QVERIFY(readOldSaveFile(data, path) != SaveFileResult::Loaded);
            QCOMPARE(data, CharacterRecord());
            return;
        }
        SettingsValues data;
        data.fixWord = u"kept"_s;
        for (bool saving : {false, true}) {
            try {
                if (saving)
                    saveSettingsFile(SettingsValues(), path);
                else
                    loadSettingsFile(data, path);
                QFAIL("a hundred megabytes were taken for settings");
            } catch (const FileError &error) {
                QCOMPARE(error.message(), FileError::cannotOpen(path).message());
            }
        }
        QCOMPARE(data.fixWord, u"kept"_s);
        QCOMPARE(QFileInfo(path).size(), 100 << 20);
    }

    // Report names come from the character name and fixWord, settings file names from the
    // dialog's file field; none may lead a write out of the program folder, and each refusal
    // has its message. A link the user placed in the folder is theirs, and is written through.
    void hostileNamesNeverWriteOutsideTheProgramFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("written");
        const QString outside = m_root.filePath(u"outside"_s);
        const QString longName = QString(300, u'x');
        for (const QString &kind : {u"character report"_s, u"route report"_s, u"settings"_s}) {
            const auto row = [&](const char *what, const QString &name, bool written = false) {
                QTest::addRow("%s: %s", qPrintable(kind), what) << kind << name << written;
            };
            row("slash", u"../outside/x"_s);
            row("slash inside", u"sub/x"_s);
            row("backslash", u"..\\outside\\x"_s);
            row("absolute path", outside + u"/x"_s);
            row("300 bytes", longName);
            row("an existing folder", u"folder"_s);
            // A report name always ends in ".txt", so ".." names a file in the folder.
            if (kind == u"settings"_s)
                row("dot dot", u".."_s);
            row("a link placed by the user", u"link"_s, true);
        }
    }
    void hostileNamesNeverWriteOutsideTheProgramFolder()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(bool, written);
        QVERIFY(QDir().mkpath(m_program + u"sub"_s));
        QVERIFY(QDir().mkpath(m_root.filePath(u"outside"_s)));
        const QString fileName = kind == u"character report"_s ? CharacterReport::fileName(name)
                                 : kind == u"route report"_s
                                     ? RouteText::routeFileName(name, 0, QString())
                                     : name + u".ini"_s;
        QVERIFY(QDir().mkpath(m_program + (name == u"folder"_s ? fileName : u"sub"_s)));
        const QString linkTarget = m_root.filePath(u"outside/target"_s);
        if (written) {
            put(linkTarget, "old");
            QVERIFY(QFile::link(linkTarget, m_program + fileName));
        }
        const QStringList before = treeOf(m_root.path());

        QString message;
        try {
            if (kind == u"settings"_s) {
                message = IniFileName::problem(fileName);
                if (message.isEmpty())
                    IniSettings(m_program).save(SettingsValues(), fileName);
            } else {
                TextReport::write(m_program, fileName, {u"line"_s});
            }
        } catch (const FileError &error) {
            message = error.message();
        }

        if (written) {
            QVERIFY2(message.isEmpty(), qPrintable(message));
            // A settings save keeps the line the file held before its first section.
            QVERIFY(contents(linkTarget)
                        .startsWith(kind == u"settings"_s ? "old\r\n\r\n[HEAD]" : "line"));
            QVERIFY(QFileInfo(m_program + fileName).isSymLink());
            return;
        }
        QVERIFY2(!message.isEmpty(), "the hostile name was not refused");
        QCOMPARE(treeOf(m_root.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
