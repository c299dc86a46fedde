#pragma once

#include <QByteArray>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// One run of the built program as a person would start it: a private X display (Xvfb), a
// fresh program directory holding a copy of the program and the files a test puts beside it,
// a clean environment with its own HOME, and the X tools that find windows and press keys.
// Everything is ended and removed when the session is destroyed.
//
// Every call returns whether it worked and leaves the reason in lastError(), so that a test can
// write E2E_STEP(session.call()) for QVERIFY2(session.call(), session.lastErrorText()).
class E2eSession
{
public:
    using Duration = std::chrono::milliseconds;

    // The main window's width without the route panel, and with the panel docked at its right.
    static constexpr int SheetWidth = 496;
    static constexpr int DockedWidth = 624;
    // Points of the main window in client coordinates, below the menu bar: the paragraph box,
    // the docked route panel's button "書き出し".
    static constexpr QPoint ParagraphBox{384 + 20, 264 + 10};
    static constexpr QPoint RouteExportButton{SheetWidth + 9 + 24, 356 + 10};

    // The path of the built program under test.
    static QString builtProgram();
    // A short silent PCM WAVE file, to stand beside the program as its dice sound.
    static QByteArray silentWave(int milliseconds = 100);
    // Asks condition every 50 ms until it holds or the time is up; whether it held.
    static bool waitUntil(Duration timeout, const std::function<bool()> &condition);
    // The whole file, or nothing when it cannot be read.
    static QByteArray fileBytes(const QString &path);

    E2eSession();
    ~E2eSession();
    E2eSession(const E2eSession &) = delete;
    E2eSession &operator=(const E2eSession &) = delete;

    // Starts Xvfb on a display nobody else uses. Called by startProgram() when needed.
    bool startDisplay();
    // ":N", or empty before the display runs.
    const QString &display() const { return m_display; }

    // The folder holding the copy of the program, ending with "/".
    QString programDir() const;
    QString homeDir() const;
    QString programDirPath(const QString &name) const { return programDir() + name; }

    // Writes a file beside the program (or below it, for a name with folders).
    bool putFile(const QString &name, const QByteArray &bytes);
    bool copyFile(const QString &source, const QString &name);
    // Writes a save file beside the program: a sheet of that name with an empty route,
    // played under iniFile, as this build saves it.
    bool putSheet(const QString &name, const QString &characterName, const QString &iniFile);

    // Copies the program into the program directory and starts it there, the working folder
    // being the home folder.
    bool startProgram(const QStringList &arguments = {});
    // The largest file the program started next may write, as a shell's file-size limit sets
    // it; 0 for none.
    void setFileSizeLimit(qint64 bytes) { m_fileSizeLimit = bytes; }
    // Starts executable where it lies (an installed program), the working folder being the home
    // folder. With a user id, the program runs as that user, who is given the session's home,
    // temporary and runtime folders.
    bool startProgramAt(const QString &executable, const QStringList &arguments = {}, int uid = -1,
                        int gid = -1);
    bool programRunning() const;
    qint64 programPid() const;
    // What the program wrote to its standard output and error so far.
    QByteArray programOutput() const;
    // Whether the program runs, crashed or ended, and its output: for failure messages.
    QString programState() const;
    // Starts the program as a person does and waits for its main window under that title, then
    // gives it the keyboard; the window, or empty. A silent dice sound is put beside the
    // program unless the test put one there: without it the program reports the loss in a box
    // before the main window.
    QString startMainWindow(const QStringList &arguments = {},
                            const QString &title = QStringLiteral("Pelko"));
    // Ends the program by its process id: asks first, then kills.
    void stopProgram();
    // Leaves the program running beside the next one started (two programs in one folder);
    // it is ended with the session. Its process id.
    qint64 setProgramAside();
    // Waits for the program to end by itself; its exit code, or -1.
    int waitForProgramExit(Duration timeout);

    // The ids of the shown windows whose title is exactly title, polled until one appears.
    QStringList findWindows(const QString &title, Duration timeout = Duration(10000));
    // The first of them, or empty.
    QString findWindow(const QString &title, Duration timeout = Duration(10000));
    // The first shown window whose title is any of titles (a Qt dialog's title depends on
    // the translations installed), polled until one appears; or empty.
    QString findWindow(const QStringList &titles, Duration timeout = Duration(10000));
    // Polls until no shown window has that title.
    bool waitForNoWindow(const QString &title, Duration timeout = Duration(10000));
    QString windowName(const QString &window);
    QSize windowSize(const QString &window);
    // The window's top-left corner on the screen.
    QPoint windowPosition(const QString &window);
    // Polls until the window is that wide.
    bool waitForWidth(const QString &window, int width, Duration timeout = Duration(10000));

    // Gives the keyboard to the window; needed once before typing, as there is no window manager.
    bool focus(const QString &window);
    // Presses the keys that open a dialog, waits for it under one of titles and gives it the
    // keyboard; the dialog, or empty.
    QString openDialog(const QStringList &keys, const QStringList &titles);
    // Types ASCII text into the focused window.
    bool type(const QString &text);
    // Presses key combinations one after another, e.g. {"alt+f", "a"}.
    bool key(const QStringList &keys);
    // Puts text on the clipboard and presses ctrl+v: the reliable way to enter Japanese text.
    bool paste(const QString &text);
    // Clicks the left mouse button at a point given in the window's own coordinates.
    bool click(const QString &window, int x, int y);
    // The main window's client area, below its menu bar: its top-left corner on the screen (a
    // null point when it cannot be told), and a click at a point of it.
    QPoint clientPosition(const QString &window);
    bool clickInClient(const QString &window, const QPoint &at);
    // Clicks into the paragraph box and registers each paragraph with Return. The box keeps the
    // focus after each registration and shows "0" again; ctrl+a selects that, so the typed
    // paragraph replaces it.
    bool registerParagraphs(const QString &window, const QStringList &paragraphs);
    // Drags with the left button held from one point of the screen to another, in small steps
    // as a hand moves.
    bool drag(const QPoint &from, const QPoint &to);
    // Saves a picture of the window (or "root" for the whole screen) as PNG.
    bool screenshot(const QString &window, const QString &file);

    bool waitForFile(const QString &path, Duration timeout = Duration(10000));

    const QString &lastError() const { return m_lastError; }
    const char *lastErrorText() const;

private:
    struct ToolResult
    {
        bool ok = false;
        QByteArray output;
    };
    ToolResult runTool(const QString &program, const QStringList &arguments,
                       const QByteArray &input = {}, Duration timeout = Duration(10000));
    QStringList searchWindows(const QString &title);
    QProcessEnvironment cleanEnvironment() const;
    bool fail(const QString &message);
    QString runPath(const QString &name) const;
    int menuBarHeight(const QString &window);
    void stopDisplay();

    qint64 m_fileSizeLimit = 0;
    QTemporaryDir m_run;
    QString m_display;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_program;
    std::vector<std::unique_ptr<QProcess>> m_others;
    QString m_lastError;
    mutable QByteArray m_lastErrorUtf8;
};

// One step of a session named `session`; a failed step fails the test with the session's reason.
#define E2E_STEP(step) QVERIFY2(step, session.lastErrorText())
