#include "E2eSession.h"
#include "E2eSessionInternal.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;
using E2eSessionInternal::pollUntil;
using E2eSessionInternal::stopProcess;

// The windows of a session, found and driven through the X tools: xdotool for windows, keys
// and the mouse, xwininfo for sizes and places, xclip for the clipboard and import for pictures.

namespace {

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

} // namespace

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
