#include "DisplayCheck.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Whether a server listens on the local socket at path; abstract, when the name starts with NUL.
bool listens(const QByteArray &path)
{
    sockaddr_un address{};
    if (path.isEmpty() || size_t(path.size()) > sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()));
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) == 0;
    ::close(fd);
    return connected;
}

bool x11DisplayAnswers(const QString &display, const QString &socketDir)
{
    if (display.isEmpty())
        return false;
    const qsizetype colon = display.lastIndexOf(u':');
    const QString host = display.left(colon);
    // A display over the network (or a socket path of its own) is left to the library.
    if (colon < 0 || (!host.isEmpty() && host != u"unix"_s))
        return true;
    const QString number = display.mid(colon + 1).section(u'.', 0, 0);
    const QByteArray socket = QFile::encodeName(socketDir + u'X' + number);
    // The server listens in the abstract namespace, on the file, or on both.
    return listens('\0' + socket) || listens(socket);
}

bool waylandDisplayAnswers(QString display, const QString &runtimeDir)
{
    // The client library's own default when none is named.
    if (display.isEmpty())
        display = u"wayland-0"_s;
    if (display.startsWith(u'/'))
        return listens(QFile::encodeName(display));
    return !runtimeDir.isEmpty() && listens(QFile::encodeName(runtimeDir + u'/' + display));
}

} // namespace

namespace DisplayCheck {

Environment ofRunningProgram(const QStringList &arguments)
{
    Environment environment;
    environment.platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == u"-platform"_s || arguments[i] == u"--platform"_s)
            environment.platform = arguments[i + 1];
    }
    environment.display = qEnvironmentVariable("DISPLAY");
    environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return environment;
}

QString missingDisplayText(const Environment &environment)
{
    // The library tries the platforms named in turn; without a name, Wayland or X.
    QStringList platforms;
    for (const QString &entry : environment.platform.split(u';', Qt::SkipEmptyParts))
        platforms.append(entry.section(u':', 0, 0).trimmed());
    if (platforms.isEmpty())
        platforms = {u"wayland"_s, u"xcb"_s};
    for (const QString &platform : std::as_const(platforms)) {
        if (platform == u"xcb"_s) {
            if (x11DisplayAnswers(environment.display, environment.x11SocketDir))
                return {};
        } else if (platform.startsWith(u"wayland"_s)) {
            if (waylandDisplayAnswers(environment.waylandDisplay, environment.runtimeDir))
                return {};
        } else {
            return {};
        }
    }
    return u"Pelko のウィンドウを開くにはディスプレイが必要ですが、見つかりません"
           "(環境変数 DISPLAY も WAYLAND_DISPLAY も設定されていないか、その画面に接続できません)。"
           "デスクトップの中から起動してください。\n"
           "PDF の書き出し (--pdf) とヘルプ (--help) はディスプレイなしで使えます。"_s;
}

} // namespace DisplayCheck
