#include "E2eSession.h"
#include "TestFiles.h"

#include "CharacterRecord.h"
#include "FileError.h"
#include "SaveFile.h"
#include "VersionInfo.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int PollMilliseconds = 50;

// Calls condition every 50 ms until it holds or the time is up; true when it held.
template <typename Condition> bool pollUntil(std::chrono::milliseconds timeout, Condition condition)
{
    QDeadlineTimer deadline(timeout);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(PollMilliseconds);
    }
}

// xdotool takes a POSIX extended regular expression; only its own metacharacters need a
// backslash (escaping every non-word character, as QRegularExpression::escape does, would put
// backslashes before Japanese characters).
QString posixEscaped(const QString &text)
{
    QString escaped;
    for (QChar c : text) {
        if (u".[]{}()\\*+?^$|"_s.contains(c))
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace

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

E2eSession::ToolResult E2eSession::runTool(const QString &program, const QStringList &arguments,
                                           const QByteArray &input, Duration timeout)
{
    ToolResult result;
    if (m_display.isEmpty()) {
        fail(u"%1: no display is running"_s.arg(program));
        return result;
    }
    QProcess tool;
    tool.setProcessEnvironment(cleanEnvironment());
    tool.start(program, arguments);
    if (!tool.waitForStarted(5000)) {
        fail(u"cannot start %1: %2"_s.arg(program, tool.errorString()));
        return result;
    }
    if (!input.isEmpty())
        tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(static_cast<int>(timeout.count()))) {
        stopProcess(tool);
        fail(u"%1 %2 did not finish in time"_s.arg(program, arguments.join(u' ')));
        return result;
    }
    result.output = tool.readAllStandardOutput();
    result.ok = tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (!result.ok)
        fail(u"%1 %2 failed: %3"_s.arg(program, arguments.join(u' '),
                                       QString::fromLocal8Bit(tool.readAllStandardError())));
    return result;
}

QStringList E2eSession::searchWindows(const QString &title)
{
    // xdotool matches titles as a regular expression and without regard to case; the exact
    // title is compared afterwards.
    const ToolResult found =
        runTool(u"xdotool"_s, {u"search"_s, u"--all"_s, u"--onlyvisible"_s, u"--name"_s,
                               u'^' + posixEscaped(title) + u'$'});
    QStringList windows;
    for (const QByteArray &line : found.output.split('\n')) {
        const QString window = QString::fromLatin1(line.trimmed());
        if (!window.isEmpty() && windowName(window) == title)
            windows.append(window);
    }
    return windows;
}

QStringList E2eSession::findWindows(const QString &title, Duration timeout)
{
    QStringList windows;
    if (!startDisplay())
        return windows;
    pollUntil(timeout, [&] {
        windows = searchWindows(title);
        return !windows.isEmpty() || (m_program && !programRunning());
    });
    if (windows.isEmpty())
        fail(u"no window titled \"%1\" within %2 ms; %3"_s.arg(
            title, QString::number(timeout.count()), programState()));
    return windows;
}

QString E2eSession::findWindow(const QString &title, Duration timeout)
{
    return findWindows(title, timeout).value(0);
}

QString E2eSession::findWindow(const QStringList &titles, Duration timeout)
{
    QString window;
    if (!startDisplay())
        return window;
    pollUntil(timeout, [&] {
        for (const QString &title : titles) {
            window = searchWindows(title).value(0);
            if (!window.isEmpty())
                return true;
        }
        return m_program && !programRunning();
    });
    if (window.isEmpty())
        fail(u"no window titled \"%1\" within %2 ms; %3"_s.arg(
            titles.join(u"\" or \""_s), QString::number(timeout.count()), programState()));
    return window;
}

bool E2eSession::waitForNoWindow(const QString &title, Duration timeout)
{
    if (pollUntil(timeout, [&] { return searchWindows(title).isEmpty(); }))
        return true;
    return fail(u"a window titled \"%1\" is still shown"_s.arg(title));
}

QString E2eSession::windowName(const QString &window)
{
    const ToolResult name = runTool(u"xdotool"_s, {u"getwindowname"_s, window});
    return name.ok ? QString::fromUtf8(name.output).chopped(name.output.endsWith('\n') ? 1 : 0)
                   : QString();
}

QSize E2eSession::windowSize(const QString &window)
{
    const ToolResult info = runTool(u"xwininfo"_s, {u"-id"_s, window});
    if (!info.ok)
        return {};
    static const QRegularExpression width(u"^\\s*Width:\\s*(\\d+)"_s,
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression height(u"^\\s*Height:\\s*(\\d+)"_s,
                                           QRegularExpression::MultilineOption);
    const QString text = QString::fromUtf8(info.output);
    const auto w = width.match(text);
    const auto h = height.match(text);
    if (!w.hasMatch() || !h.hasMatch()) {
        fail(u"xwininfo gave no size: %1"_s.arg(text));
        return {};
    }
    return {w.captured(1).toInt(), h.captured(1).toInt()};
}

QPoint E2eSession::windowPosition(const QString &window)
{
    const ToolResult info = runTool(u"xwininfo"_s, {u"-id"_s, window});
    static const QRegularExpression corner(
        u"Absolute upper-left X:\\s*(-?\\d+)\\s*Absolute upper-left Y:\\s*(-?\\d+)"_s);
    const auto match = corner.match(QString::fromUtf8(info.output));
    if (!match.hasMatch()) {
        fail(u"xwininfo gave no position: %1"_s.arg(QString::fromUtf8(info.output)));
        return {};
    }
    return {match.captured(1).toInt(), match.captured(2).toInt()};
}

bool E2eSession::waitForWidth(const QString &window, int width, Duration timeout)
{
    int seen = -1;
    if (pollUntil(timeout,
                  [&] {
                      seen = windowSize(window).width();
                      return seen == width || (m_program && !programRunning());
                  }) &&
        seen == width)
        return true;
    return fail(u"window %1 is %2 pixels wide, not %3; %4"_s.arg(
        window, QString::number(seen), QString::number(width), programState()));
}

bool E2eSession::focus(const QString &window)
{
    return runTool(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, window}, {}, Duration(5000)).ok;
}

QString E2eSession::openDialog(const QStringList &keys, const QStringList &titles)
{
    if (!key(keys))
        return {};
    const QString dialog = findWindow(titles);
    if (dialog.isEmpty() || !focus(dialog))
        return {};
    return dialog;
}

bool E2eSession::type(const QString &text)
{
    return runTool(u"xdotool"_s, {u"type"_s, u"--delay"_s, u"20"_s, u"--"_s, text}, {},
                   Duration(5000 + 40 * text.size()))
        .ok;
}

bool E2eSession::key(const QStringList &keys)
{
    return runTool(u"xdotool"_s, QStringList{u"key"_s} + keys).ok;
}

bool E2eSession::paste(const QString &text)
{
    // xclip takes the clipboard, goes to the background and answers one paste; its foreground
    // part ends once the clipboard is its own, so ctrl+v after that finds the text.
    if (!runTool(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-loops"_s, u"1"_s}, text.toUtf8())
             .ok)
        return false;
    return key({u"ctrl+v"_s});
}

bool E2eSession::click(const QString &window, int x, int y)
{
    return runTool(u"xdotool"_s, {u"mousemove"_s, u"--window"_s, window, QString::number(x),
                                  QString::number(y), u"click"_s, u"1"_s})
        .ok;
}

int E2eSession::menuBarHeight(const QString &window)
{
    constexpr int ClientHeight = 410;
    const int height = windowSize(window).height() - ClientHeight;
    if (height <= 0)
        fail(u"window %1 has no menu bar above a client area %2 pixels high"_s.arg(window).arg(
            ClientHeight));
    return height;
}

QPoint E2eSession::clientPosition(const QString &window)
{
    const int menuBar = menuBarHeight(window);
    return menuBar > 0 ? windowPosition(window) + QPoint(0, menuBar) : QPoint();
}

bool E2eSession::clickInClient(const QString &window, const QPoint &at)
{
    const int menuBar = menuBarHeight(window);
    return menuBar > 0 && click(window, at.x(), menuBar + at.y());
}

bool E2eSession::registerParagraphs(const QString &window, const QStringList &paragraphs)
{
    if (!clickInClient(window, ParagraphBox))
        return false;
    for (const QString &paragraph : paragraphs) {
        if (!key({u"ctrl+a"_s}) || !type(paragraph) || !key({u"Return"_s}))
            return false;
    }
    return true;
}

bool E2eSession::drag(const QPoint &from, const QPoint &to)
{
    constexpr int Steps = 20;
    QStringList arguments{u"mousemove"_s, QString::number(from.x()), QString::number(from.y()),
                          u"mousedown"_s, u"1"_s};
    for (int step = 1; step <= Steps; ++step) {
        const QPoint at = from + (to - from) * step / Steps;
        arguments << u"sleep"_s << u"0.03"_s << u"mousemove"_s << QString::number(at.x())
                  << QString::number(at.y());
    }
    arguments << u"sleep"_s << u"0.2"_s << u"mouseup"_s << u"1"_s;
    return runTool(u"xdotool"_s, arguments).ok;
}

bool E2eSession::screenshot(const QString &window, const QString &file)
{
    return runTool(u"import"_s, {u"-window"_s, window, file}).ok;
}

bool E2eSession::waitForFile(const QString &path, Duration timeout)
{
    if (pollUntil(timeout, [&] { return QFileInfo::exists(path); }))
        return true;
    return fail(u"no file %1 within %2 ms; %3"_s.arg(path, QString::number(timeout.count()),
                                                     programState()));
}
