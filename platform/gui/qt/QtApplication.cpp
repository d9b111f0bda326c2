#include "QtApplication.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <X11/Xlib.h>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "platform/Session.h"
#include "platform/gui.h"

namespace platform {

namespace {

bool XReachable() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        return false;
    }
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

// A Wayland compositor that accepts connections, and Qt's plugin to talk to it.
bool WaylandReachable() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) {
        return false;
    }
    std::string path = name;
    if (path.front() != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime) {
            return false;
        }
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int socketFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        socketFd >= 0 &&
        connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (socketFd >= 0) {
        close(socketFd);
    }
    const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms"));
    return connected && !plugins.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty();
}

// The platform plugin for Qt: X first, as the rest of the device (the front window, XTest
// injection) works through X; nullptr leaves the choice to QT_QPA_PLATFORM, which the person
// has set; nullopt when there is no display at all. In a Wayland session X is XWayland, where
// a window may place itself and stay on top, as the device's windows do; the choice is put in
// the environment so that the programs the device starts make the same one.
std::optional<const char*> Platform() {
    if (const char* chosen = std::getenv("QT_QPA_PLATFORM"); chosen && *chosen) {
        return nullptr;
    }
    if (XReachable()) {
        if (Session::Wayland()) {
            qputenv("QT_QPA_PLATFORM", "xcb");
        }
        return "xcb";
    }
    if (WaylandReachable()) {
        return "wayland";
    }
    return std::nullopt;
}

// The program's name, from its command line. Its arguments are not passed on: Qt would take
// some of them ("-style", "-display") as its own options.
std::string ProgramName() {
    std::ifstream commandLine("/proc/self/cmdline", std::ios::binary);
    std::string name;
    std::getline(commandLine, name, '\0');
    return name.empty() ? "tapweave" : name;
}

} // namespace

bool QtApplication::Start() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return true;
    }
    if (QCoreApplication::instance()) {
        // Something else made a Qt application without widgets; windows cannot be shown.
        return false;
    }
    const std::optional<const char*> platform = Platform();
    if (!platform) {
        return false;
    }
    // QApplication keeps argc and argv for its whole life.
    static std::vector<std::string> arguments;
    static std::vector<char*> argv;
    static int argc = 0;
    arguments = {ProgramName()};
    if (*platform) {
        arguments.insert(arguments.end(), {"-platform", *platform});
    }
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    argc = static_cast<int>(arguments.size());

    // Chosen after the platform: a Wayland display is found through the session's own directory.
    ProvideRuntimeDirectory();
    // A device pixel is a screen pixel: windows lie exactly where the core puts them and a
    // stylus point is the point injected there, whatever scaling the desktop asks for.
    if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING")) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    }
    // Qt sets the locale from the environment and installs its own Xlib error handlers; the
    // process keeps its UTF-8 locale and the handlers its X connections rely on.
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    const XErrorHandler errorHandler = XSetErrorHandler(nullptr);
    const XIOErrorHandler ioErrorHandler = XSetIOErrorHandler(nullptr);
    auto* application = new QApplication(argc, argv.data());
    XSetErrorHandler(errorHandler);
    XSetIOErrorHandler(ioErrorHandler);
    std::setlocale(LC_ALL, locale.c_str());
    // Windows are the program's: closing the last one does not end anything.
    application->setQuitOnLastWindowClosed(false);
    return true;
}

} // namespace platform
