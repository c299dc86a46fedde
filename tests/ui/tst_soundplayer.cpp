#include "DiceStrip.h"
#include "IniData.h"
#include "SoundPlayer.h"
#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/prctl.h>

#include <cmath>
#include <csignal>
#include <functional>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

constexpr int RecordRate = 22050;
// The null sink renders silence as exact zeros; anything beyond a faint level is our sound.
constexpr int Audible = 300;

QByteArray readWav()
{
    return TestFiles::requiredBytesOf(QStringLiteral(PELKO_DICEROLL_WAV));
}

// A sine of half the full scale, 0.3 s long, in the given sample format.
QByteArray sineWave(int formatTag, int bits)
{
    constexpr int Rate = 22050, Frames = Rate * 3 / 10;
    QByteArray samples;
    for (int i = 0; i < Frames; ++i) {
        const double v = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / Rate);
        char bytes[4];
        if (formatTag == 3) {
            qToLittleEndian(float(v), bytes);
        } else if (bits == 8) {
            bytes[0] = char(128 + std::lround(v * 127));
        } else {
            const auto full = qint32(std::lround(v * 2147483647.0));
            qToLittleEndian(full, bytes);
            // The most significant bytes of a 32-bit sample make the narrower ones.
            samples.append(bytes + (4 - bits / 8), bits / 8);
            continue;
        }
        samples.append(bytes, bits / 8);
    }
    QByteArray image("RIFF");
    auto put = [&image](auto value) {
        char le[sizeof value];
        qToLittleEndian(value, le);
        image.append(le, sizeof value);
    };
    put(quint32(36 + samples.size()));
    image += "WAVEfmt ";
    put(quint32(16));
    put(quint16(formatTag));
    put(quint16(1));
    put(quint32(Rate));
    put(quint32(Rate * bits / 8));
    put(quint16(bits / 8));
    put(quint16(bits));
    image += "data";
    put(quint32(samples.size()));
    return image + samples;
}

// Run in the child before it starts: it gets a signal when the test process dies.
void endWithThisTest()
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
}

struct Loudness
{
    int peak = 0;
    qint64 firstMs = -1; // first and last moment heard
    qint64 lastMs = -1;
};

Loudness loudness(const QByteArray &recording)
{
    Loudness result;
    const qsizetype count = recording.size() / 2;
    const auto *samples = reinterpret_cast<const uchar *>(recording.constData());
    for (qsizetype i = 0; i < count; ++i)
        result.peak =
            std::max(result.peak, std::abs(int(qFromLittleEndian<qint16>(samples + 2 * i))));
    for (qsizetype i = 0; i < count; ++i) {
        if (std::abs(int(qFromLittleEndian<qint16>(samples + 2 * i))) > Audible) {
            if (result.firstMs < 0)
                result.firstMs = i * 1000 / RecordRate;
            result.lastMs = i * 1000 / RecordRate;
        }
    }
    return result;
}

} // namespace

// Plays through a real sound server: a private PulseAudio daemon whose only output is a null
// sink, recorded from that sink's monitor.
class TestSoundPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_recorder;
    QString m_address;

    QProcessEnvironment clientEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"PULSE_SERVER"_s, m_address);
        return env;
    }

    bool serverAnswers() const
    {
        QProcess info;
        info.setProcessEnvironment(clientEnvironment());
        info.start(u"pactl"_s, {u"info"_s});
        return info.waitForFinished(3000) && info.exitStatus() == QProcess::NormalExit &&
               info.exitCode() == 0;
    }

    // What the null sink plays while during() runs and for ms afterwards, as mono s16. The
    // recorder runs all along: it takes a second or so to deliver its first bytes.
    QByteArray record(const std::function<void()> &during, int ms)
    {
        m_recorder.readAllStandardOutput();
        during();
        QTest::qWait(ms);
        QByteArray recording = m_recorder.readAllStandardOutput();
        const qsizetype wanted = qsizetype(ms) * RecordRate / 1000 * 2;
        const QDeadlineTimer deadline(5000);
        while (recording.size() < wanted && !deadline.hasExpired()) {
            m_recorder.waitForReadyRead(50);
            recording += m_recorder.readAllStandardOutput();
        }
        return recording;
    }

    static void stop(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &tool : {u"pulseaudio"_s, u"pactl"_s, u"parec"_s})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is not installed (scripts/packages.sh installs it)"_s));
        QVERIFY(m_dir.isValid());
        const QString socket = m_dir.filePath(u"native"_s);
        m_address = u"unix:"_s + socket;
        QFile config(m_dir.filePath(u"server.pa"_s));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(
            u"load-module module-null-sink sink_name=pelko_null\n"
            "set-default-sink pelko_null\n"
            "load-module module-native-protocol-unix auth-anonymous=1 socket=%1\n"_s.arg(socket)
                .toUtf8());
        config.close();
        QDir(m_dir.path()).mkpath(u"home"_s);
        QDir(m_dir.path()).mkpath(u"runtime"_s);
        QFile::setPermissions(m_dir.filePath(u"runtime"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // A daemon of our own, apart from any the desktop runs: its own home and runtime
        // folders, no autoloaded modules. Should the test die before its cleanup, the daemon
        // goes with it, or at the latest once the recorder has gone and it stands idle.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, m_dir.filePath(u"home"_s));
        env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.filePath(u"runtime"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"home"_s));
        env.remove(u"PULSE_SERVER"_s);
        env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.setChildProcessModifier(endWithThisTest);
        m_server.start(u"pulseaudio"_s,
                       {u"--daemonize=no"_s, u"-n"_s, u"--disallow-exit"_s,
                        u"--exit-idle-time=20"_s, u"--use-pid-file=no"_s, u"--log-target=stderr"_s,
                        u"--log-level=error"_s, u"-F"_s, config.fileName()});
        QVERIFY(m_server.waitForStarted(5000));
        const QDeadlineTimer deadline(15000);
        while (!serverAnswers()) {
            QVERIFY2(m_server.state() == QProcess::Running, "the sound server ended at start");
            QVERIFY2(!deadline.hasExpired(), "the sound server did not answer");
            QTest::qWait(100);
        }
        // Set before the first use of an audio device, which connects once for the run.
        qputenv("PULSE_SERVER", m_address.toUtf8());

        m_recorder.setProcessEnvironment(clientEnvironment());
        m_recorder.setChildProcessModifier(endWithThisTest);
        m_recorder.start(u"parec"_s, {u"--device=pelko_null.monitor"_s, u"--raw"_s,
                                      u"--format=s16le"_s, u"--channels=1"_s,
                                      u"--rate=%1"_s.arg(RecordRate), u"--latency-msec=20"_s});
        QVERIFY(m_recorder.waitForStarted(5000));
        // The monitor streams silence all along; its first bytes mean the recording runs.
        QVERIFY(m_recorder.waitForReadyRead(10000));
    }

    void cleanupTestCase()
    {
        stop(m_recorder);
        stop(m_server);
    }

    void nothingPlayingRecordsSilence()
    {
        const QByteArray recording = record([] {}, 300);
        QVERIFY(recording.size() > RecordRate * 2 / 10);
        QCOMPARE(loudness(recording).peak, 0);
    }

    void theRollSoundIsHeard()
    {
        SoundPlayer player;
        QVERIFY(player.setSound(readWav()));
        QSignalSpy played(&player, &SoundPlayer::played);
        const Loudness heard = loudness(record([&player] { player.play(); }, 800));
        QCOMPARE(played.size(), 1);
        QCOMPARE(played.first().first().toBool(), true);
        QVERIFY2(heard.peak > 8000, qPrintable(QString::number(heard.peak)));
        // The rattle lasts about a third of a second.
        QVERIFY2(heard.lastMs - heard.firstMs > 250,
                 qPrintable(QString::number(heard.lastMs - heard.firstMs)));
    }

    void everySampleFormatPlaysAtItsLevel_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("bits");
        QTest::newRow("8-bit unsigned") << 1 << 8;
        QTest::newRow("16-bit") << 1 << 16;
        QTest::newRow("24-bit") << 1 << 24;
        QTest::newRow("32-bit") << 1 << 32;
        QTest::newRow("float") << 3 << 32;
    }
    void everySampleFormatPlaysAtItsLevel()
    {
        QFETCH(int, tag);
        QFETCH(int, bits);
        SoundPlayer player;
        QVERIFY(player.setSound(sineWave(tag, bits)));
        const Loudness heard = loudness(record([&player] { player.play(); }, 600));
        // Half of full scale: a sample misread (wrong width, sign or byte order) is far off.
        QVERIFY2(heard.peak > 13000 && heard.peak < 20000, qPrintable(QString::number(heard.peak)));
        QVERIFY2(heard.lastMs - heard.firstMs > 200,
                 qPrintable(QString::number(heard.lastMs - heard.firstMs)));
    }

    void stoppingCutsTheSoundOff()
    {
        SoundPlayer player;
        QVERIFY(player.setSound(readWav()));
        QSignalSpy played(&player, &SoundPlayer::played);
        const Loudness heard = loudness(record(
            [&] {
                player.play();
                QVERIFY(played.wait());
                QTest::qWait(80);
                player.stop();
            },
            800));
        QVERIFY(heard.peak > 8000);
        QVERIFY2(heard.lastMs - heard.firstMs < 200,
                 qPrintable(QString::number(heard.lastMs - heard.firstMs)));
    }

    void aStartClickOnTheDiceStripIsHeard()
    {
        SettingsValues settings;
        settings.variableRoll = true;
        DiceStrip strip(settings);
        strip.setSound(readWav());
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        auto *button = strip.findChild<QPushButton *>(u"ButtonRoll"_s);
        QVERIFY(button);
        const Loudness heard =
            loudness(record([button] { QTest::mouseClick(button, Qt::LeftButton); }, 250));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(heard.peak > 8000, qPrintable(QString::number(heard.peak)));
    }

    void aFastRollIsHeardAtEveryStep()
    {
        SettingsValues settings;
        settings.variableRoll = false;
        DiceStrip strip(settings);
        strip.setSound(readWav());
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        auto *button = strip.findChild<QPushButton *>(u"ButtonRoll"_s);
        const QByteArray recording =
            record([button] { QTest::mouseClick(button, Qt::LeftButton); }, 1000);
        QTest::mouseClick(button, Qt::LeftButton);
        // Every step cuts the last sound off and starts it again, so each 50 ms is a fresh
        // click; a player that starves after a few restarts falls silent in the second half.
        const qsizetype window = RecordRate / 20 * 2;
        QString steps;
        for (qsizetype at = 0; at + window <= recording.size(); at += window)
            steps += loudness(recording.mid(at, window)).peak > 3000 ? u'#' : u'.';
        QVERIFY2(steps.size() >= 18, qPrintable(steps));
        QVERIFY2(steps.sliced(steps.size() / 2).count(u'#') >= steps.size() / 4, qPrintable(steps));
    }
};

QTEST_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
