#include "Cp932.h"
#include "FileError.h"
#include "FileSizeLimit.h"
#include "TextReport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const FileError &error) {
        return error.message();
    }
    return {};
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

} // namespace

class TestTextReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_program; // the program directory, inside m_root, with a trailing separator

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(QDir(m_root.path()).removeRecursively());
        QVERIFY(QDir().mkpath(m_root.filePath(u"program/sub"_s)));
        m_program = m_root.filePath(u"program/"_s);
    }

    void everyLineEndsWithCrLfInCodePage932_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no lines") << QStringList{} << QByteArray();
        QTest::newRow("one empty line") << QStringList{QString()} << QByteArray("\r\n");
        QTest::newRow("last line too")
            << QStringList{u"  * 勇者 *"_s, QString(), u"       ↓"_s}
            << QByteArray("  * \x97\x45\x8e\xd2 *\r\n\r\n       \x81\xab\r\n");
    }
    void everyLineEndsWithCrLfInCodePage932()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, bytes);
        TextReport::write(m_program, u"勇者.txt"_s, lines);
        QCOMPARE(contentOf(m_program + u"勇者.txt"_s), bytes);
    }

    void anExistingReportIsReplacedWhole()
    {
        put(m_program + u"Bob.txt"_s, QByteArray(500, 'x'));
        TextReport::write(m_program, u"Bob.txt"_s, {u"short"_s});
        QCOMPARE(contentOf(m_program + u"Bob.txt"_s), QByteArray("short\r\n"));
    }

    void aProgramDirectoryWithoutTrailingSeparatorWorks()
    {
        TextReport::write(m_root.filePath(u"program"_s), u"Bob.txt"_s, {u"a"_s});
        QCOMPARE(contentOf(m_program + u"Bob.txt"_s), QByteArray("a\r\n"));
    }

    void aNameThatCouldLeaveTheProgramDirectoryWritesNothing_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("parent folder") << u"../Bob.txt"_s;
        QTest::newRow("subfolder") << u"sub/Bob.txt"_s;
        QTest::newRow("backslash") << u"sub\\Bob.txt"_s;
        QTest::newRow("the folder itself") << u"."_s;
        QTest::newRow("the parent folder") << u".."_s;
        QTest::newRow("NUL") << (u"Bob"_s + QChar() + u".txt"_s);
        QTest::newRow("empty") << QString();
        QTest::newRow("absolute") << m_root.filePath(u"Bob.txt"_s);
    }
    void aNameThatCouldLeaveTheProgramDirectoryWritesNothing()
    {
        QFETCH(QString, fileName);
        QVERIFY(!TextReport::isSafeFileName(fileName));
        QCOMPARE(failureOf([&] { TextReport::write(m_program, fileName, {u"a"_s}); }),
                 FileError::cannotCreate(QDir::toNativeSeparators(m_program + fileName)).message());
        QCOMPARE(entriesOf(m_root.path()), QStringList{u"program"_s});
        QCOMPARE(entriesOf(m_program), QStringList{u"sub"_s});
        QCOMPARE(entriesOf(m_program + u"sub"_s), QStringList{});
    }

    void ordinaryNamesAreSafe_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("route") << u"Alice_Route.txt"_s;
        QTest::newRow("double-byte") << u"道程_勇者ハル.txt"_s;
        QTest::newRow("one dot at a time") << u"A.B.txt"_s;
        QTest::newRow("hidden") << u".txt"_s;
        QTest::newRow("dots in a row") << u"Bob....txt"_s;
        QTest::newRow("dots inside a word") << u"v1..2.txt"_s;
        QTest::newRow("dots first") << u"..txt"_s;
    }
    void ordinaryNamesAreSafe()
    {
        QFETCH(QString, fileName);
        QVERIFY(TextReport::isSafeFileName(fileName));
        TextReport::write(m_program, fileName, {u"a"_s});
        QCOMPARE(contentOf(m_program + fileName), QByteArray("a\r\n"));
        QCOMPARE(entriesOf(m_root.path()), QStringList{u"program"_s});
    }

    void aRelativePathIsShownInFull()
    {
        QCOMPARE(FileError::cannotCreate(u"Hero.PKD"_s).message(),
                 u"ファイル %1 を作成できません"_s.arg(
                     QDir::toNativeSeparators(QDir::current().absoluteFilePath(u"Hero.PKD"_s))));
    }

    void charactersOutsideTheCodePageAreRefusedNotSubstituted()
    {
        put(m_program + u"Bob.txt"_s, "old\r\n");
        const QString message = failureOf([&] {
            TextReport::write(m_program, u"Bob.txt"_s, {u"剣"_s, u"Müller 😀"_s});
        });
        QVERIFY2(message.contains(QDir::toNativeSeparators(m_program + u"Bob.txt"_s)),
                 qPrintable(message));
        QVERIFY2(message.contains(u"ü😀"_s), qPrintable(message));
        QCOMPARE(contentOf(m_program + u"Bob.txt"_s), QByteArray("old\r\n"));
        QCOMPARE(entriesOf(m_program), (QStringList{u"Bob.txt"_s, u"sub"_s}));
    }

    void aFailingWriteLeavesTheOldReportWhole()
    {
        const QString path = m_program + u"Bob.txt"_s;
        put(path, "old\r\n");
        QString message;
        {
            const FileSizeLimit limit(64);
            message = failureOf(
                [&] { TextReport::write(m_program, u"Bob.txt"_s, QStringList(50, u"line"_s)); });
        }
        // The file could be made: what failed afterwards is told by its cause.
        QCOMPARE(message, u"ファイルサイズの上限を超えています"_s);
        QCOMPARE(contentOf(path), QByteArray("old\r\n"));
        QCOMPARE(entriesOf(m_program), (QStringList{u"Bob.txt"_s, u"sub"_s}));
    }

    void aTargetThatCannotBeAFileFails_data()
    {
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("target is a folder") << u"program/"_s << u"sub"_s;
        QTest::newRow("parent is a file") << u"file/"_s << u"Bob.txt"_s;
    }
    void aTargetThatCannotBeAFileFails()
    {
        QFETCH(QString, programDir);
        QFETCH(QString, fileName);
        put(m_root.filePath(u"file"_s), "plain");
        const QString dir = m_root.filePath(programDir);
        QCOMPARE(failureOf([&] { TextReport::write(dir, fileName, {u"a"_s}); }),
                 FileError::cannotCreate(QDir::toNativeSeparators(dir + fileName)).message());
        QVERIFY(QFileInfo(m_program + u"sub"_s).isDir());
        QCOMPARE(contentOf(m_root.filePath(u"file"_s)), QByteArray("plain"));
    }
};

QTEST_GUILESS_MAIN(TestTextReport)
#include "tst_textreport.moc"
