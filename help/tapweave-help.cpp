// tapweave-help: the device's help viewer, installed as \Windows\peghelp.exe. Its command line
// names a help file: a bare name is a file of \Windows ("Tapweave Help.htm"), a device path a
// file of the device, a host path a file of the host. With a display it shows the file in a
// window; without one it prints where the file is, so the user can open it with something else.
#include <QApplication>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "ProductVersion.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/text.h"

namespace {

constexpr const char* defaultFile = "Tapweave Help.htm";

constexpr const char* usage =
    "usage: tapweave-help [FILE]\n"
    "\n"
    "Shows a help file: a bare name is a file of the device's \\Windows (by default\n"
    "\"Tapweave Help.htm\"), a device path a file of the device, a host path a file of the\n"
    "host. Without a display it prints where the file is.\n"
    "\n"
    "--help, -h this text\n"
    "--version  the version\n";

// The command-line text exactly as the starting program gave it (the launcher passes it on, so
// a name with spaces arrives whole), else the arguments joined by spaces. Surrounding white
// space and one pair of enclosing double quotes are not part of the name.
std::string RequestedFile(int argc, char** argv) {
    std::string text;
    if (const char* commandLine = std::getenv("TAPWEAVE_COMMAND_LINE")) {
        text = commandLine;
    } else {
        for (int i = 1; i < argc; ++i) {
            text += (i > 1 ? " " : "") + std::string(argv[i]);
        }
    }
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return defaultFile;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text.empty() ? defaultFile : text;
}

// The host path of the help file; empty when there is no such file.
std::string HelpFile(const std::string& requested) {
    std::wstring devicePath = platform::FromUtf8(requested);
    if (devicePath.find_first_of(L"\\/") == std::wstring::npos) {
        devicePath = L"\\Windows\\" + devicePath;
    }
    std::error_code error;
    if (const std::string onDevice = platform::HostPath(devicePath);
        !onDevice.empty() && std::filesystem::is_regular_file(onDevice, error)) {
        return onDevice;
    }
    if (requested.front() == '/' && std::filesystem::is_regular_file(requested, error)) {
        return requested;
    }
    return {};
}

bool HasDisplay() {
    const char* gui = std::getenv("TAPWEAVE_GUI");
    if (gui && std::strcmp(gui, "headless") == 0) {
        return false;
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerHelpOrVersion(argc, argv, usage)) {
        return *answered;
    }
    const std::string requested = RequestedFile(argc, argv);
    const std::string file = HelpFile(requested);
    if (file.empty()) {
        std::fprintf(stderr, "tapweave-help: no help file \"%s\" on the device\n",
                     requested.c_str());
        return 1;
    }
    if (!HasDisplay()) {
        std::printf("Help: %s\n", file.c_str());
        return 0;
    }
    platform::ProvideRuntimeDirectory();
    QApplication application(argc, argv);
    QTextBrowser browser;
    browser.setOpenExternalLinks(true);
    browser.setSource(QUrl::fromLocalFile(QString::fromStdString(file)));
    const QString title = browser.documentTitle();
    browser.setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    // Escape leaves the help, as the window manager's close does.
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), &browser), &QShortcut::activated,
                     &browser, &QWidget::close);
    // A handheld's small screen is filled; a desktop gets a window of a handheld's size.
    const QScreen* screen = QApplication::primaryScreen();
    const QSize size = screen->size();
    if (platform::IsHandheldScreen(size.width(), size.height())) {
        // Placed by itself, as the device's windows are, with or without a window manager.
        browser.setWindowFlag(Qt::FramelessWindowHint);
        browser.setGeometry(screen->geometry());
        browser.show();
        // Without a window manager nobody else gives it the keyboard.
        browser.activateWindow();
        return application.exec();
    }
    const QRect free = screen->availableGeometry();
    browser.resize(std::min(free.width(), platform::desktopWindowWidth),
                   std::min(free.height(), platform::desktopWindowHeight));
    browser.show();
    // Once the window manager has framed it, the window and its frame are kept within the
    // desktop's free area (its panels left out).
    QWindow* window = browser.windowHandle();
    QObject::connect(window, &QWindow::yChanged, &browser, [&browser, window, free] {
        const QMargins frame = window->frameMargins();
        if (frame.isNull()) {
            return;
        }
        const QRect room = free.marginsRemoved(frame);
        QRect placed = browser.geometry();
        placed.setHeight(std::min(placed.height(), room.height()));
        placed.moveTop(std::clamp(placed.top(), room.top(),
                                  std::max(room.top(), room.bottom() + 1 - placed.height())));
        QObject::disconnect(window, &QWindow::yChanged, &browser, nullptr);
        if (placed != browser.geometry()) {
            browser.setGeometry(placed);
        }
    });
    return application.exec();
}
