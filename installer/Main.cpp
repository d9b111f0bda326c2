// tapweave-install: the device's application installer for Tapweave.
//
//   tapweave-install install [--dir DEVICE-PATH] [--desktop-entries]
//   tapweave-install uninstall
//   tapweave-install start ENTRY
//   tapweave-install udev-rule [--rules-dir FOLDER]
//
// The device is TAPWEAVE_DEVICE (by default ~/.local/share/tapweave/device); the product's
// files are taken from the folder of this program. "start" opens an entry of Tapweave's
// Start-menu folder ("Macros - Create") as the device's shell does; the desktop entries use it.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "DesktopEntries.h"
#include "InstallPaths.h"
#include "Installer.h"
#include "ProductVersion.h"
#include "SharedNames.h"
#include "UdevRule.h"
#include "platform/Device.h"
#include "platform/alerts.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace {

constexpr const char* usage =
    "usage: tapweave-install install [--dir DEVICE-PATH] [--desktop-entries]\n"
    "       tapweave-install uninstall\n"
    "       tapweave-install start ENTRY\n"
    "       tapweave-install udev-rule [--rules-dir FOLDER]\n"
    "\n"
    "install    puts Tapweave onto the device (TAPWEAVE_DEVICE, by default\n"
    "           ~/.local/share/tapweave/device), into DEVICE-PATH (by default\n"
    "           \"\\Program Files\\Tapweave\")\n"
    "uninstall  removes it again, with the desktop's menu entries of the device\n"
    "start      opens an entry of Tapweave's Start-menu folder, such as \"Macros - Create\"\n"
    "udev-rule  lets the desktop's user write /dev/uinput, which playback in a Wayland\n"
    "           session needs: installs 70-tapweave-uinput.rules into FOLDER (by default\n"
    "           /etc/udev/rules.d, as root) and has udev apply it\n"
    "--desktop-entries  also the desktop's menu entries \"Tapweave Recorder\" and\n"
    "                   \"Tapweave Macros\" in ~/.local/share/applications\n"
    "--help, -h         this text\n"
    "--version          the version\n";

int Usage(const std::string& message) {
    std::fprintf(stderr, "tapweave-install: %s\n\n%s", message.c_str(), usage);
    return 2;
}

std::string OwnPath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

// Where the product's files are: the folder of this program.
std::string ProductFolder() {
    return std::filesystem::path(OwnPath()).parent_path().string();
}

// A device path for the installation: backslashes, one at the front, none at the end; empty
// when it names the device root or climbs with "." or "..".
std::wstring InstallDirectory(const std::wstring& given) {
    std::wstring directory;
    std::wstring component;
    for (const wchar_t c : given + L"\\") {
        if (c != L'\\' && c != L'/') {
            component += c;
            continue;
        }
        if (component == L"." || component == L"..") {
            return {};
        }
        if (!component.empty()) {
            directory += L"\\" + component;
        }
        component.clear();
    }
    return directory;
}

// Whether every file the system keeps below the installation directory still has a device path
// of at most MAX_PATH characters with its NUL; the longest is a numbered new macro's file.
bool FitsTheDevice(const std::wstring& installDir) {
    const std::wstring longest =
        L"\\" + macrosFolderName + L"\\" + newMacroName + L" 9999" + macroExtension;
    return installDir.size() + longest.size() < MAX_PATH;
}

// Said on standard error and, on a display, in a message box: a desktop entry that starts
// nothing would otherwise fail where nobody sees it.
int CannotStart(const std::wstring& why) {
    platform::Tell(why.c_str(), productName.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return 1;
}

int Start(const std::string& entry) {
    const std::wstring name = platform::FromUtf8(entry);
    if (!RecordedInstallDirectory()) {
        return CannotStart(L"Tapweave is not installed on the device " +
                           platform::FromUtf8(platform::Device::Directory()) + L", so \"" + name +
                           L"\" cannot be started. Install it with: tapweave-install install");
    }
    wchar_t programs[MAX_PATH] = {};
    if (!SHGetSpecialFolderPath(nullptr, programs, CSIDL_PROGRAMS, FALSE)) {
        return CannotStart(L"The device has no Start menu.");
    }
    const std::wstring shortcut =
        std::wstring(programs) + L"\\" + productName + L"\\" + name + L".lnk";
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = L"open";
    info.lpFile = shortcut.c_str();
    if (!ShellExecuteEx(&info)) {
        return CannotStart(L"\"" + name + L"\" cannot be started (error " +
                           std::to_wstring(GetLastError()) + L").");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerHelpOrVersion(argc, argv, usage)) {
        return *answered;
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage("a command is needed");
    }
    const std::string& command = args[0];
    if (command == "start") {
        if (args.size() != 2) {
            return Usage("start takes one entry name");
        }
        return Start(args[1]);
    }
    if (command == "udev-rule") {
        if (args.size() == 3 && args[1] == "--rules-dir" && !args[2].empty()) {
            return UdevRule::Install(ProductFolder(), args[2]);
        }
        if (args.size() != 1) {
            return Usage("udev-rule takes at most --rules-dir FOLDER");
        }
        return UdevRule::Install(ProductFolder(), UdevRule::systemFolder);
    }
    if (command != "install" && command != "uninstall") {
        return Usage("unknown command " + command);
    }
    bool desktopEntries = false;
    std::wstring installDir = L"\\Program Files\\" + productName;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--desktop-entries") {
            desktopEntries = true;
        } else if (args[i] == "--dir" && command == "install" && i + 1 < args.size()) {
            installDir = InstallDirectory(platform::FromUtf8(args[++i]));
            if (installDir.empty()) {
                return Usage("--dir needs a folder below the device's root, without . or ..");
            }
            if (!FitsTheDevice(installDir)) {
                return Usage("--dir is too long for the files below it to have device paths");
            }
        } else {
            return Usage("unknown argument " + args[i]);
        }
    }
    if (!platform::Device::Initialise()) {
        std::fprintf(stderr, "tapweave-install: cannot use the device %s\n",
                     platform::Device::Directory().c_str());
        return 1;
    }
    const std::string self = OwnPath();
    Installer installer(ProductFolder());
    const DesktopEntries entries(self, platform::Device::Directory());
    if (command == "install") {
        const int result = installer.Install(installDir);
        if (result == 0 && desktopEntries) {
            if (!entries.Write(installer.HasRecorder())) {
                return 1;
            }
            std::printf("Desktop entries written in %s\n", DesktopEntries::Folder().c_str());
        }
        return result;
    }
    const int result = installer.Uninstall();
    // Whatever the installation asked for: an entry left behind would start nothing.
    if (entries.Remove()) {
        std::printf("Desktop entries removed from %s\n", DesktopEntries::Folder().c_str());
    }
    return result;
}
