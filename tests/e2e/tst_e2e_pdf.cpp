#include "CharacterRecord.h"
#include "E2eSession.h"
#include "FileError.h"
#include "SaveFile.h"
#include "VersionInfo.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// "pelko --pdf SAVEFILE OUTPUT.pdf" as a terminal user runs it: no display at all.
class TestPdf : public QObject
{
    Q_OBJECT

private:
    E2eSession m_session;
    QString m_program;

    // Runs the copied program (or program) without a display; its exit code, its error output
    // in err.
    int run(const QStringList &arguments, QString &err, const QString &program = {})
    {
        QProcess process;
        QProcessEnvironment env;
        env.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        env.insert(u"LANG"_s, u"C.UTF-8"_s);
        env.insert(u"HOME"_s, m_session.homeDir());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_session.homeDir());
        process.start(program.isEmpty() ? m_program : program, arguments);
        if (!process.waitForFinished(60000))
            return -1;
        err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

    // The PDF's text as pdftotext reads it.
    static QString pdfText(const QString &pdf)
    {
        QProcess reader;
        reader.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        if (!reader.waitForFinished(30000))
            return {};
        return QString::fromUtf8(reader.readAllStandardOutput());
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The program and its modules, as a copied folder holds them.
        const QString built = E2eSession::builtProgram();
        m_program = m_session.programDirPath(u"pelko"_s);
        QVERIFY(QFile::copy(built, m_program));
        QFile::setPermissions(m_program, QFile::permissions(m_program) | QFileDevice::ExeOwner);
        const QString builtDir = QFileInfo(built).absolutePath() + u'/';
        QVERIFY(QFile::link(builtDir + u"pelko_charts.so"_s,
                            m_session.programDirPath(u"pelko_charts.so"_s)));
        // The book's settings: names for two abilities, labels for two flags.
        QVERIFY(m_session.putFile(
            u"Hero.ini"_s, "[HEAD]\r\nenable1=1\r\nenable2=1\r\nenable3=0\r\nName1=Stamina\r\n"
                           "Name2=Skill\r\n[Flags]\r\nFlagListMode=0\r\nFlagNumber=2\r\n"
                           "Flag1=GoldKey\r\nFlag2=OldMap\r\n"));
        CharacterRecord sheet;
        sheet.setAbilityCount(8);
        sheet.setName(u"Alice"_s);
        sheet.setSettingsFileName(u"Hero.ini"_s);
        sheet.setOrigin(0, 21);
        sheet.setCurrent(0, 17);
        sheet.setOrigin(1, 9);
        sheet.setCurrent(1, 9);
        sheet.setFlagCount(2);
        sheet.setFlag(1, true);
        sheet.setRouteList({0, 1, 245, 77, 310});
        sheet.setRouteCount(4);
        try {
            writeSaveFile(sheet, readVersionItem(VersionInfo::FileVersion).value_or(QString()),
                          m_session.programDirPath(u"alice.pkd"_s));
        } catch (const FileError &error) {
            QFAIL(qPrintable(error.message()));
        }
    }

    void aSaveFileBecomesAPdfWithoutADisplay()
    {
        const QString pdf = m_session.homeDir() + u"/alice.pdf"_s;
        QString err;
        QCOMPARE(run({u"--pdf"_s, m_session.programDirPath(u"alice.pkd"_s), pdf}, err), 0);
        QVERIFY2(E2eSession::fileBytes(pdf).startsWith("%PDF-"), qPrintable(err));
        const QString text = pdfText(pdf);
        QString flat = text;
        flat.remove(u' ');
        for (const QString &expected :
             {u"Alice"_s, u"Stamina2117"_s, u"Skill99"_s, u"OldMap"_s, u"1→245→77→310"_s})
            QVERIFY2(flat.contains(expected), qPrintable(expected + u" missing from:\n"_s + text));
        // An unset flag is not printed.
        QVERIFY(!text.contains(u"GoldKey"_s));
    }

    void aBrokenSaveFileWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << QByteArray("0.6.1.0\0\0\0", 10);
    }
    void aBrokenSaveFileWritesNothing()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(m_session.putFile(u"broken.pkd"_s, bytes));
        const QString out = m_session.homeDir() + u"/out"_s;
        QVERIFY(QDir().mkpath(out));
        const QString pdf = out + u"/broken.pdf"_s;
        QString err;
        QCOMPARE(run({u"--pdf"_s, m_session.programDirPath(u"broken.pkd"_s), pdf}, err), 1);
        QVERIFY2(err.contains(u"読み込みに失敗しました"_s), qPrintable(err));
        QVERIFY(!QFileInfo::exists(pdf));
        // Nothing else was left in the folder either.
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The output is never the save file, by any name, nor a file that is no PDF: both are
    // refused and keep their bytes; an earlier PDF is replaced.
    void onlyAPdfIsWrittenOver_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("the save file by ./") << u"./alice.pkd"_s << 1;
        QTest::newRow("a text file") << u"notes.pdf"_s << 1;
        QTest::newRow("an earlier PDF") << u"old.pdf"_s << 0;
    }
    void onlyAPdfIsWrittenOver()
    {
        QFETCH(QString, output);
        QFETCH(int, exitCode);
        QVERIFY(m_session.putFile(u"notes.pdf"_s, "my notes"));
        QVERIFY(m_session.putFile(u"old.pdf"_s, "%PDF-1.4 old"));
        const QString path = m_session.programDirPath(output);
        const QByteArray before = E2eSession::fileBytes(path);
        const QByteArray save = E2eSession::fileBytes(m_session.programDirPath(u"alice.pkd"_s));
        QString err;
        QCOMPARE(run({u"--pdf"_s, m_session.programDirPath(u"alice.pkd"_s), path}, err), exitCode);
        QCOMPARE(E2eSession::fileBytes(m_session.programDirPath(u"alice.pkd"_s)), save);
        if (exitCode == 0) {
            QVERIFY(E2eSession::fileBytes(path).startsWith("%PDF-"));
            QVERIFY(E2eSession::fileBytes(path) != before);
        } else {
            QVERIFY2(err.contains(path), qPrintable(err));
            QCOMPARE(E2eSession::fileBytes(path), before);
        }
    }

    // "冒険" in code page 932 bytes, as an old archive leaves names: the PDF goes into the
    // folder of that name, under that name, as Open would read it.
    void anOutputNamedInCodePage932BytesIsWrittenByThem()
    {
        const QByteArray home = QFile::encodeName(m_session.homeDir());
        const QByteArray adventure = "\x96\x60\x8c\xaf";
        QCOMPARE(::mkdir((home + '/' + adventure).constData(), 0700), 0);
        // Only a shell hands the program bytes that are no text.
        const QString script = u"name=$(printf '\\226\\140\\214\\257'); "
                               "exec \"$0\" --pdf \"$1\" \"$name/$name.pdf\""_s;
        QString err;
        QCOMPARE(run({u"-c"_s, script, m_program, m_session.programDirPath(u"alice.pkd"_s)}, err,
                     u"/bin/sh"_s),
                 0);
        const QByteArray pdf = home + '/' + adventure + '/' + adventure + ".pdf";
        const int file = ::open(pdf.constData(), O_RDONLY);
        QVERIFY2(file >= 0, qPrintable(err));
        char head[5] = {};
        QCOMPARE(::read(file, head, sizeof head), ssize_t(sizeof head));
        ::close(file);
        QCOMPARE(QByteArray(head, sizeof head), QByteArray("%PDF-"));
        QVERIFY(!QFileInfo::exists(m_session.homeDir() + u"/冒険"_s));
        // Qt cannot name what it cannot decode: removed by the bytes.
        QCOMPARE(::unlink(pdf.constData()) | ::rmdir((home + '/' + adventure).constData()), 0);
    }

    // The sheet as its own settings keep it (past its origin, below zero), an unnamed ability
    // by its number, and the whole inventory: a line without blanks wrapped, the rest on the
    // next page rather than cut.
    void theWholeSheetIsPrinted()
    {
        QVERIFY(m_session.putFile(u"Loose.ini"_s, "[HEAD]\r\nenable4=1\r\n[Limit]\r\n"
                                                  "OverLoad=1\r\nMinusEnable=1\r\n"));
        CharacterRecord sheet;
        sheet.setAbilityCount(8);
        sheet.setOverLoad(true);
        sheet.setMinusEnable(true);
        sheet.setSettingsFileName(u"Loose.ini"_s);
        sheet.setOrigin(0, 10);
        sheet.setCurrent(0, 15);
        sheet.setCurrent(1, -3);
        const QString unbroken = u"ABCDEFGHIJ"_s.repeated(15);
        QStringList inventory{unbroken};
        for (int i = 0; i < 120; ++i)
            inventory.append(u"item%1"_s.arg(i, 3, 10, QChar(u'0')));
        sheet.setInventory(inventory.join(u"\r\n"_s));
        const QString save = m_session.programDirPath(u"loose.pkd"_s);
        writeSaveFile(sheet, readVersionItem(VersionInfo::FileVersion).value_or(QString()), save);
        const QString pdf = m_session.homeDir() + u"/loose.pdf"_s;
        QString err;
        QCOMPARE(run({u"--pdf"_s, save, pdf}, err), 0);
        QString flat = pdfText(pdf);
        flat.remove(QRegularExpression(u"\\s"_s));
        for (const QString &expected :
             {u"体力点1015"_s, u"技術点0-3"_s, u"能力400"_s, unbroken, u"item000"_s, u"item119"_s})
            QVERIFY2(flat.contains(expected), qPrintable(expected + u" missing from:\n"_s + flat));
        QVERIFY(!flat.contains(u"省略"_s));
    }
};

QTEST_GUILESS_MAIN(TestPdf)
#include "tst_e2e_pdf.moc"
