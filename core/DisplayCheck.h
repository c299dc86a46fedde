#pragma once

#include <QString>
#include <QStringList>

// Whether the window can be shown at all. Without a display the window system's library ends
// the program with a text in English and an abort; the program says in Japanese what it needs
// instead, before the library is asked.
namespace DisplayCheck {

struct Environment
{
    QString platform;       // "-platform" or QT_QPA_PLATFORM; empty for the library's choice
    QString display;        // DISPLAY
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString runtimeDir;     // XDG_RUNTIME_DIR, where a Wayland display's socket lies
    QString x11SocketDir = QStringLiteral("/tmp/.X11-unix/");
};

// The running program's: arguments as main received them, the rest from the environment.
Environment ofRunningProgram(const QStringList &arguments);

// What the user is told when no platform the library may choose finds its display; empty when
// one does, and for any platform that needs none (offscreen, vnc...), which the library judges.
QString missingDisplayText(const Environment &environment);

} // namespace DisplayCheck
