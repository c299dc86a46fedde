#include "E2eSession.h"
#include "E2eSessionInternal.h"
#include "TestFiles.h"

#include "CharacterRecord.h"
#include "FileError.h"
#include "SaveFile.h"
#include "VersionInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using E2eSessionInternal::pollUntil;
using E2eSessionInternal::stopProcess;

// The session's own side: its folders and files, the X display and the program's process.
// E2eSessionWindows.cpp finds the windows and drives them.

QString E2eSession::builtProgram()
{
    // Lets the same tests drive another build, e.g. the release one.
    const QString chosen = qEnvironmentVariable("PELKO_E2E_PROGRAM");
    return chosen.isEmpty() ? QStringLiteral(PELKO_PROGRAM) : chosen;
}

QByteArray E2eSession::silentWave(int milliseconds)
{
    constexpr quint32 Rate = 8000;
    const quint32 samples = Rate * quint32(milliseconds) / 1000;
    QByteArray wave;
    const auto append32 = [&](quint32 v) {
        for (int shift = 0; shift < 32; shift += 8)
            wave.append(char((v >> shift) & 0xFF));
    };
    const auto append16 = [&](quint16 v) {
        wave.append(char(v & 0xFF));
        wave.append(char(v >> 8));
    };
    wave.append("RIFF");
    append32(36 + samples);
    wave.append("WAVEfmt ");
    append32(16);
    append16(1); // PCM
    append16(1); // mono
    append32(Rate);
    append32(Rate); // bytes per second: one byte per sample
    append16(1);
    append16(8);
    wave.append("data");
    append32(samples);
    wave.append(QByteArray(qsizetype(samples), char(0x80))); // 8-bit silence is the middle value
    return wave;
}

bool E2eSession::waitUntil(Duration timeout, const std::function<bool()> &condition)
{
    return pollUntil(timeout, condition);
}

QByteArray E2eSession::fileBytes(const QString &path)
{
    return TestFiles::bytesOf(path);
}

E2eSession::E2eSession()
{
    if (!m_run.isValid()) {
        fail(u"cannot make a temporary folder: %1"_s.arg(m_run.errorString()));
        return;
    }
    QDir run(m_run.path());
    for (const QString &name : {u"program"_s, u"home"_s, u"tmp"_s, u"xdg"_s})
        run.mkdir(name);
    QFile::setPermissions(runPath(u"xdg"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

E2eSession::~E2eSession()
{
    // The folder holds the program's output and a picture of the screen as the test failed:
    // worth a look after a failure.
    const bool failed = QTest::currentTestFailed();
    const bool keep = failed && !qEnvironmentVariableIsEmpty("PELKO_E2E_KEEP");
    if (failed && !keep)
        qWarning("E2E session removed; set PELKO_E2E_KEEP=1 to keep it with a screenshot");
    if (keep && !m_display.isEmpty()) {
        const QString shot = runPath(u"failure.png"_s);
        if (screenshot(u"root"_s, shot))
            qWarning("E2E screenshot at failure: %s", qPrintable(shot));
    }
    stopProgram();
    for (const std::unique_ptr<QProcess> &other : m_others)
        stopProcess(*other);
    stopDisplay();
    if (keep) {
        m_run.setAutoRemove(false);
        qWarning("E2E session kept in %s", qPrintable(m_run.path()));
    }
}

QString E2eSession::runPath(const QString &name) const
{
    return m_run.filePath(name);
}

QString E2eSession::programDir() const
{
    return runPath(u"program"_s) + u'/';
}

QString E2eSession::homeDir() const
{
    return runPath(u"home"_s);
}

bool E2eSession::fail(const QString &message)
{
    m_lastError = message;
    return false;
}

const char *E2eSession::lastErrorText() const
{
    m_lastErrorUtf8 = m_lastError.toUtf8();
    return m_lastErrorUtf8.constData();
}

QProcessEnvironment E2eSession::cleanEnvironment() const
{
    QProcessEnvironment env;
    env.insert(u"PATH"_s, u"/usr/local/bin:/usr/bin:/bin"_s);
    env.insert(u"HOME"_s, homeDir());
    env.insert(u"TMPDIR"_s, runPath(u"tmp"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, runPath(u"xdg"_s));
    env.insert(u"LANG"_s, u"C.UTF-8"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    if (!m_display.isEmpty())
        env.insert(u"DISPLAY"_s, m_display);
    // Sanitizer builds keep their settings.
    const QProcessEnvironment outer = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"ASAN_OPTIONS"_s, u"UBSAN_OPTIONS"_s, u"LSAN_OPTIONS"_s}) {
        if (outer.contains(name))
            env.insert(name, outer.value(name));
    }
    return env;
}

bool E2eSession::startDisplay()
{
    if (m_xvfb && m_xvfb->state() == QProcess::Running)
        return true;
    if (!m_run.isValid())
        return false;
    const QString displayFile = runPath(u"display"_s);
    QFile::remove(displayFile);
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setProcessEnvironment(cleanEnvironment());
    m_xvfb->setProcessChannelMode(QProcess::MergedChannels);
    m_xvfb->setStandardOutputFile(runPath(u"xvfb.log"_s));
    // Xvfb picks a free display and writes its number to descriptor 3; a shell puts a file there
    // and then becomes Xvfb, so the process id is the server's own. Without -noreset the server
    // resets when its last client leaves, and a program started again at that moment cannot
    // connect.
    m_xvfb->start(u"/bin/sh"_s,
                  {u"-c"_s,
                   u"exec Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset "
                   u"3>\"$1\""_s,
                   u"sh"_s, displayFile});
    if (!m_xvfb->waitForStarted(5000))
        return fail(u"cannot start Xvfb: %1"_s.arg(m_xvfb->errorString()));

    QString number;
    const bool ready = pollUntil(Duration(10000), [&] {
        QFile file(displayFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            if (text.endsWith('\n'))
                number = QString::fromLatin1(text.trimmed());
        }
        return !number.isEmpty() || m_xvfb->state() == QProcess::NotRunning;
    });
    if (!ready || number.isEmpty()) {
        QFile log(runPath(u"xvfb.log"_s));
        log.open(QIODevice::ReadOnly);
        const QString output = QString::fromLocal8Bit(log.readAll());
        stopDisplay();
        return fail(u"Xvfb gave no display number: %1"_s.arg(output));
    }
    m_display = u':' + number;
    return true;
}

void E2eSession::stopDisplay()
{
    if (m_xvfb)
        stopProcess(*m_xvfb);
    m_xvfb.reset();
    m_display.clear();
}

bool E2eSession::putFile(const QString &name, const QByteArray &bytes)
{
    const QString path = programDirPath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return fail(u"cannot write %1: %2"_s.arg(path, file.errorString()));
    return true;
}

bool E2eSession::copyFile(const QString &source, const QString &name)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"cannot read %1: %2"_s.arg(source, file.errorString()));
    return putFile(name, file.readAll());
}

bool E2eSession::putSheet(const QString &name, const QString &characterName, const QString &iniFile)
{
    CharacterRecord sheet;
    sheet.setAbilityCount(8);
    sheet.setRouteCount(0);
    sheet.setRouteAt(0, 0);
    sheet.setName(characterName);
    sheet.setSettingsFileName(iniFile);
    try {
        writeSaveFile(sheet, readVersionItem(VersionInfo::FileVersion).value_or(QString()),
                      programDirPath(name));
    } catch (const FileError &error) {
        return fail(u"cannot write the save file %1: %2"_s.arg(name, error.message()));
    }
    return true;
}

QString E2eSession::startMainWindow(const QStringList &arguments, const QString &title)
{
    if (!QFileInfo::exists(programDirPath(u"diceroll.wav"_s)) &&
        !putFile(u"diceroll.wav"_s, silentWave()))
        return {};
    if (!startProgram(arguments))
        return {};
    const QString window = findWindow(title);
    if (window.isEmpty() || !focus(window))
        return {};
    return window;
}

bool E2eSession::startProgram(const QStringList &arguments)
{
    if (!startDisplay())
        return false;
    const QString source = builtProgram();
    const QString copy = programDirPath(QFileInfo(source).fileName());
    if (!QFileInfo::exists(copy)) {
        if (!QFile::copy(source, copy))
            return fail(u"cannot copy the program %1 to %2"_s.arg(source, copy));
        QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner);
        // The modules go with the program, as they would with a copied folder: the program
        // looks for them beside itself only.
        const QString builtDir = QFileInfo(source).absolutePath() + u'/';
        for (const QString &module :
             {u"pelko_sound.so"_s, u"pelko_journal.so"_s, u"pelko_charts.so"_s}) {
            if (QFileInfo::exists(builtDir + module) &&
                !QFile::link(builtDir + module, programDirPath(module)))
                return fail(u"cannot link the module %1"_s.arg(module));
        }
    }
    return startProgramAt(copy, arguments);
}

bool E2eSession::startProgramAt(const QString &executable, const QStringList &arguments, int uid,
                                int gid)
{
    if (!startDisplay())
        return false;
    stopProgram();
    m_program = std::make_unique<QProcess>();
    if (uid >= 0) {
        // The user passes through the session's folder to the three that become theirs.
        QFile::setPermissions(m_run.path(), QFile::permissions(m_run.path()) |
                                                QFileDevice::ExeGroup | QFileDevice::ExeOther);
        for (const QString &name : {u"home"_s, u"tmp"_s, u"xdg"_s}) {
            if (::chown(QFile::encodeName(runPath(name)).constData(), uid_t(uid), gid_t(gid)) != 0)
                return fail(u"cannot give %1 to user %2"_s.arg(runPath(name)).arg(uid));
        }
    }
    m_program->setProcessEnvironment(cleanEnvironment());
    m_program->setWorkingDirectory(homeDir());
    m_program->setProcessChannelMode(QProcess::MergedChannels);
    // A file, not a pipe: nobody reads a pipe while a test waits, and a full one would stall
    // the program.
    m_program->setStandardOutputFile(runPath(u"program.log"_s), QIODevice::Append);
    // One modifier does both: a file-size limit, then the user the program runs as.
    const rlim_t limit = rlim_t(qMax<qint64>(m_fileSizeLimit, 0));
    m_program->setChildProcessModifier([limit, uid, gid] {
        if (limit > 0) {
            rlimit fileSize{};
            getrlimit(RLIMIT_FSIZE, &fileSize);
            fileSize.rlim_cur = limit;
            setrlimit(RLIMIT_FSIZE, &fileSize);
        }
        if (uid >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(gid)) != 0 ||
                         ::setuid(uid_t(uid)) != 0))
            ::_exit(126);
    });
    m_program->start(executable, arguments);
    if (!m_program->waitForStarted(5000))
        return fail(u"cannot start %1: %2"_s.arg(executable, m_program->errorString()));
    return true;
}

bool E2eSession::programRunning() const
{
    if (!m_program)
        return false;
    // Without an event loop QProcess learns of the end only while waiting.
    if (m_program->state() == QProcess::Running)
        m_program->waitForFinished(0);
    return m_program->state() == QProcess::Running;
}

qint64 E2eSession::programPid() const
{
    return m_program ? m_program->processId() : 0;
}

QByteArray E2eSession::programOutput() const
{
    QFile log(runPath(u"program.log"_s));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

QString E2eSession::programState() const
{
    QString state;
    if (!m_program)
        state = u"the program was not started"_s;
    else if (programRunning())
        state = u"the program is still running"_s;
    else if (m_program->exitStatus() == QProcess::CrashExit)
        state = u"the program crashed"_s;
    else
        state = u"the program ended with exit code %1"_s.arg(m_program->exitCode());
    return state + u"; its output:\n"_s + QString::fromUtf8(programOutput());
}

qint64 E2eSession::setProgramAside()
{
    if (!m_program)
        return 0;
    const qint64 pid = m_program->processId();
    m_others.push_back(std::move(m_program));
    return pid;
}

void E2eSession::stopProgram()
{
    if (m_program)
        stopProcess(*m_program);
}

int E2eSession::waitForProgramExit(Duration timeout)
{
    if (!m_program)
        return -1;
    if (m_program->state() != QProcess::NotRunning &&
        !m_program->waitForFinished(static_cast<int>(timeout.count())))
        return -1;
    return m_program->exitStatus() == QProcess::NormalExit ? m_program->exitCode() : -1;
}

bool E2eSession::waitForFile(const QString &path, Duration timeout)
{
    if (pollUntil(timeout, [&] { return QFileInfo::exists(path); }))
        return true;
    return fail(u"no file %1 within %2 ms; %3"_s.arg(path, QString::number(timeout.count()),
                                                     programState()));
}
