#include "DisplayCheck.h"
#include "PdfOutput.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// A server listening on the local socket at path while it lives.
class Listener
{
public:
    explicit Listener(const QByteArray &path) : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        m_ok = ::bind(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
               ::listen(m_fd, 1) == 0;
    }
    ~Listener() { ::close(m_fd); }
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;
    bool ok() const { return m_ok; }

private:
    int m_fd;
    bool m_ok = false;
};

} // namespace

class TestCommandLineChecks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // "--pdf SAVE OUT" never writes over the save file, by any of its names, nor over a file
    // that is not a PDF.
    void thePdfGoesOnlyWhereNothingIsLost_data()
    {
        QTest::addColumn<QString>("output"); // in the folder that holds same.pkd
        QTest::addColumn<bool>("refused");
        QTest::newRow("the same name") << u"same.pkd"_s << true;
        QTest::newRow("by ./") << u"./same.pkd"_s << true;
        QTest::newRow("through a folder and back") << u"sub/../same.pkd"_s << true;
        QTest::newRow("a link to it") << u"link.pdf"_s << true;
        QTest::newRow("a hard link to it") << u"hard.pdf"_s << true;
        QTest::newRow("a folder") << u"sub"_s << true;
        QTest::newRow("a pipe") << u"pipe.pdf"_s << true;
        QTest::newRow("a text file") << u"notes.pdf"_s << true;
        QTest::newRow("an earlier PDF") << u"old.pdf"_s << false;
        QTest::newRow("an empty file") << u"empty.pdf"_s << false;
        QTest::newRow("a new file") << u"new.pdf"_s << false;
        QTest::newRow("a link to a new file") << u"dangling.pdf"_s << false;
    }
    void thePdfGoesOnlyWhereNothingIsLost()
    {
        QFETCH(QString, output);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        writeWholeFile(u"same.pkd"_s, "0.6.1.0");
        writeWholeFile(u"notes.pdf"_s, "notes");
        writeWholeFile(u"old.pdf"_s, "%PDF-1.4 old");
        writeWholeFile(u"empty.pdf"_s, {});
        QVERIFY(QDir().mkdir(u"sub"_s));
        QVERIFY(QFile::link(u"same.pkd"_s, u"link.pdf"_s));
        QVERIFY(QFile::link(u"nowhere.pdf"_s, u"dangling.pdf"_s));
        QCOMPARE(::link("same.pkd", "hard.pdf"), 0);
        QCOMPARE(::mkfifo("pipe.pdf", 0600), 0);
        const QString problem =
            PdfOutput::problem(QFile::encodeName(output), output, "./sub/../same.pkd");
        QCOMPARE(!problem.isEmpty(), refused);
        QVERIFY(problem.isEmpty() || problem.contains(output));
    }

    // The window needs a display the library can reach; a platform that needs none is left to
    // the library.
    void aMissingDisplayIsToldBeforeTheLibraryAborts_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<bool>("missing");
        QTest::newRow("nothing set") << QString() << QString() << QString() << true;
        QTest::newRow("X display listening") << QString() << u":7"_s << QString() << false;
        QTest::newRow("X display, screen number")
            << u"xcb"_s << u"unix:7.0"_s << QString() << false;
        QTest::newRow("X display nobody serves") << u"xcb"_s << u":8"_s << QString() << true;
        QTest::newRow("X over the network") << u"xcb"_s << u"host:0"_s << QString() << false;
        QTest::newRow("Wayland listening") << QString() << QString() << u"wl-7"_s << false;
        QTest::newRow("Wayland asked, only X") << u"wayland"_s << u":7"_s << QString() << true;
        QTest::newRow("Wayland, then X") << u"wayland;xcb"_s << u":7"_s << QString() << false;
        QTest::newRow("offscreen") << u"offscreen"_s << QString() << QString() << false;
    }
    void aMissingDisplayIsToldBeforeTheLibraryAborts()
    {
        QFETCH(QString, platform);
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(bool, missing);
        QTemporaryDir dir;
        const Listener x(QFile::encodeName(dir.filePath(u"X7"_s)));
        const Listener w(QFile::encodeName(dir.filePath(u"wl-7"_s)));
        QVERIFY(x.ok() && w.ok());
        DisplayCheck::Environment environment{platform, display, wayland, dir.path(),
                                              dir.path() + u'/'};
        const QString text = DisplayCheck::missingDisplayText(environment);
        QCOMPARE(!text.isEmpty(), missing);
        QVERIFY(text.isEmpty() || (text.contains(u"ディスプレイが必要"_s) &&
                                   text.contains(u"--pdf"_s) && text.contains(u"--help"_s)));
    }
};

QTEST_GUILESS_MAIN(TestCommandLineChecks)
#include "tst_commandlinechecks.moc"
