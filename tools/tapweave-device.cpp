// tapweave-device: inspect and drive a device from a Linux shell.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "ProductVersion.h"
#include "platform/Device.h"
#include "platform/Injector.h"
#include "platform/Session.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/input.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

constexpr const char* usage =
    "usage: tapweave-device COMMAND [ARGUMENTS]\n"
    "\n"
    "  info                              the device, its screen and the chosen backends\n"
    "  init                              create the device's folders and registry\n"
    "  path DEVICE-PATH                  the host path of a device path\n"
    "  reg query KEY [NAME]              show a value, or every value of a key\n"
    "  reg set KEY NAME sz|dword VALUE   set a value\n"
    "  reg delete KEY                    delete a key with all its subkeys\n"
    "  mouse FLAGS DX DY                 inject a mouse_event\n"
    "  key VK FLAGS                      inject a keybd_event\n"
    "  windows                           the device's top-level windows, front to back:\n"
    "                                    handle, class, title, process, visible, rectangle\n"
    "  send CLASS TITLE MSG WPARAM LPARAM  send a message to a window; prints the result\n"
    "  post CLASS TITLE MSG WPARAM LPARAM  post a message to a window\n"
    "  show CLASS TITLE                  show a window\n"
    "  hide CLASS TITLE                  hide a window\n"
    "  --help, -h                        this text\n"
    "  --version                         the version\n"
    "\n"
    "KEY is a root and a path: HKLM\\Software\\Apps (HKLM, HKCU, HKCR or their long names).\n"
    "Numbers are in C notation: 0x8002, 27300, -5.\n"
    "A window is found by exact CLASS and TITLE; \"\" for either matches any. MSG is a number\n"
    "or a name: WM_NULL, WM_ACTIVATE, WM_PAINT, WM_CLOSE, WM_SETTINGCHANGE, WM_HELP,\n"
    "WM_KEYDOWN, WM_KEYUP, WM_COMMAND, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_USER.\n"
    "Only integer parameters reach another process.\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "tapweave-device: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "tapweave-device: %s\n\n%s", message.c_str(), usage);
    return 2;
}

// A whole argument in C notation within [low, high]; nothing else is accepted.
std::optional<long long> ParseNumber(const char* text, long long low, long long high) {
    if (!text || !*text) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 0);
    if (errno != 0 || *end != '\0' || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

struct KeyPath {
    HKEY root;
    std::wstring path;
};

std::optional<KeyPath> ParseKey(const std::string& text) {
    const std::size_t separator = text.find('\\');
    std::string root = text.substr(0, separator);
    for (char& c : root) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    KeyPath key{};
    if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE") {
        key.root = HKEY_LOCAL_MACHINE;
    } else if (root == "HKCU" || root == "HKEY_CURRENT_USER") {
        key.root = HKEY_CURRENT_USER;
    } else if (root == "HKCR" || root == "HKEY_CLASSES_ROOT") {
        key.root = HKEY_CLASSES_ROOT;
    } else {
        return std::nullopt;
    }
    if (separator != std::string::npos) {
        key.path = platform::FromUtf8(text.substr(separator + 1));
    }
    return key;
}

const char* RotationText(DWORD rotation) {
    switch (rotation) {
    case DMDO_90:
        return "90";
    case DMDO_180:
        return "180";
    case DMDO_270:
        return "270";
    default:
        return "0";
    }
}

std::string EnvironmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

const char* SessionText(bool wayland) {
    if (wayland) {
        return "wayland";
    }
    const char* display = std::getenv("DISPLAY");
    return display && *display ? "x11" : "none (no display)";
}

int Info() {
    platform::Device::Initialise();
    const platform::ScreenState screen = platform::Display::Current().Screen();
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    const bool wayland = platform::Session::Wayland();
    const std::string input = platform::Injector::ChosenSpec();
    const std::string gui = EnvironmentOr("TAPWEAVE_GUI", display ? "qt" : "headless");
    std::printf("device:   %s\n", platform::Device::Directory().c_str());
    std::printf("session:  %s\n", SessionText(wayland));
    std::printf("screen:   %dx%d, rotation %s\n", screen.width, screen.height,
                RotationText(screen.rotation));
    std::printf("input:    %s: %s\n", input.c_str(), platform::Injector::Reach(input).c_str());
    std::printf("touch:    %s%s\n", EnvironmentOr("TAPWEAVE_TOUCH", "evdev, else x11").c_str(),
                wayland ? " (the X pointer sees only input over X windows)" : "");
    std::printf("gui:      %s%s\n", gui.c_str(),
                wayland && gui == "qt" && std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")
                    ? " (windows through XWayland)"
                    : "");
    return 0;
}

int Init() {
    if (!platform::Device::Initialise()) {
        return Fail("cannot create the device at " + platform::Device::Directory());
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, nullptr, 0, 0, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return Fail("cannot open the registry " + platform::Device::RegistryFile());
    }
    RegCloseKey(key);
    std::printf("%s\n", platform::Device::Directory().c_str());
    return 0;
}

int Path(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Usage("path takes one device path");
    }
    const std::string host = platform::HostPath(platform::FromUtf8(args[0]));
    if (host.empty()) {
        return Fail("not a possible device path: " + args[0]);
    }
    std::printf("%s\n", host.c_str());
    return 0;
}

void PrintValue(const std::wstring& name, DWORD type, const std::vector<BYTE>& data, DWORD size) {
    const std::string label = name.empty() ? "(default)" : platform::Utf8(name);
    if (type == REG_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
        text.resize(std::wcslen(text.c_str()));
        std::printf("%s\tREG_SZ\t%s\n", label.c_str(), platform::Utf8(text).c_str());
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        std::printf("%s\tREG_DWORD\t0x%x (%u)\n", label.c_str(), value, value);
    } else {
        std::printf("%s\tREG_BINARY\t", label.c_str());
        for (DWORD i = 0; i < size; ++i) {
            std::printf("%02x", data[i]);
        }
        std::printf("\n");
    }
}

int QueryOne(HKEY key, const std::wstring& name) {
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size + sizeof(wchar_t));
    if (result == ERROR_SUCCESS) {
        result = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    }
    if (result != ERROR_SUCCESS) {
        return Fail("no value " + platform::Utf8(name) + " (error " + std::to_string(result) + ")");
    }
    PrintValue(name, type, data, size);
    return 0;
}

int QueryAll(HKEY key) {
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH] = {};
        DWORD nameLength = MAX_PATH;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (QueryOne(key, name) != 0) {
            return 1;
        }
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH] = {};
        DWORD nameLength = MAX_PATH;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        std::printf("%s\\\n", platform::Utf8(name).c_str());
    }
    return 0;
}

int Registry(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return Usage("reg needs a command and a key");
    }
    const std::string& command = args[0];
    const std::optional<KeyPath> key = ParseKey(args[1]);
    if (!key) {
        return Usage("unknown registry root in " + args[1]);
    }
    if (command == "delete") {
        if (args.size() != 2) {
            return Usage("reg delete takes one key");
        }
        const LONG result = RegDeleteKeyW(key->root, key->path.c_str());
        return result == ERROR_SUCCESS
                   ? 0
                   : Fail("cannot delete " + args[1] + " (error " + std::to_string(result) + ")");
    }
    if (command == "query") {
        if (args.size() > 3) {
            return Usage("reg query takes a key and at most one value name");
        }
        HKEY opened = nullptr;
        const LONG result = RegOpenKeyExW(key->root, key->path.c_str(), 0, 0, &opened);
        if (result != ERROR_SUCCESS) {
            return Fail("no key " + args[1] + " (error " + std::to_string(result) + ")");
        }
        const int status =
            args.size() == 3 ? QueryOne(opened, platform::FromUtf8(args[2])) : QueryAll(opened);
        RegCloseKey(opened);
        return status;
    }
    if (command == "set") {
        if (args.size() != 5) {
            return Usage("reg set takes a key, a name, a type (sz or dword) and a value");
        }
        const std::wstring name = platform::FromUtf8(args[2]);
        const std::string& type = args[3];
        HKEY opened = nullptr;
        LONG result;
        if (type == "sz") {
            const std::wstring text = platform::FromUtf8(args[4]);
            result = RegCreateKeyExW(key->root, key->path.c_str(), 0, nullptr, 0, 0, nullptr,
                                     &opened, nullptr);
            if (result == ERROR_SUCCESS) {
                result = RegSetValueExW(opened, name.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
            }
        } else if (type == "dword") {
            const std::optional<long long> number = ParseNumber(args[4].c_str(), 0, UINT32_MAX);
            if (!number) {
                return Usage("not a 32-bit unsigned number: " + args[4]);
            }
            const DWORD value = static_cast<DWORD>(*number);
            result = RegCreateKeyExW(key->root, key->path.c_str(), 0, nullptr, 0, 0, nullptr,
                                     &opened, nullptr);
            if (result == ERROR_SUCCESS) {
                result = RegSetValueExW(opened, name.c_str(), 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&value), sizeof value);
            }
        } else {
            return Usage("unknown value type " + type + " (sz or dword)");
        }
        if (opened) {
            RegFlushKey(opened);
            RegCloseKey(opened);
        }
        return result == ERROR_SUCCESS
                   ? 0
                   : Fail("cannot set " + args[2] + " (error " + std::to_string(result) + ")");
    }
    return Usage("unknown reg command " + command);
}

int Mouse(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        return Usage("mouse takes FLAGS DX DY");
    }
    const auto flags = ParseNumber(args[0].c_str(), 0, UINT32_MAX);
    const auto dx = ParseNumber(args[1].c_str(), INT32_MIN, INT32_MAX);
    const auto dy = ParseNumber(args[2].c_str(), INT32_MIN, INT32_MAX);
    if (!flags || !dx || !dy) {
        return Usage("mouse takes three numbers: FLAGS (32-bit) and DX DY (signed 32-bit)");
    }
    mouse_event(static_cast<DWORD>(*flags), static_cast<DWORD>(*dx), static_cast<DWORD>(*dy), 0, 0);
    return 0;
}

int Key(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Usage("key takes VK FLAGS");
    }
    const auto vk = ParseNumber(args[0].c_str(), 0, 255);
    const auto flags = ParseNumber(args[1].c_str(), 0, UINT32_MAX);
    if (!vk || !flags) {
        return Usage("key takes VK (0 to 255) and FLAGS (32-bit)");
    }
    keybd_event(static_cast<BYTE>(*vk), 0, static_cast<DWORD>(*flags), 0);
    return 0;
}

struct MessageName {
    const char* name;
    UINT message;
};

constexpr MessageName messageNames[] = {
    {"WM_NULL", WM_NULL},
    {"WM_ACTIVATE", WM_ACTIVATE},
    {"WM_PAINT", WM_PAINT},
    {"WM_CLOSE", WM_CLOSE},
    {"WM_SETTINGCHANGE", WM_SETTINGCHANGE},
    {"WM_HELP", WM_HELP},
    {"WM_KEYDOWN", WM_KEYDOWN},
    {"WM_KEYUP", WM_KEYUP},
    {"WM_COMMAND", WM_COMMAND},
    {"WM_MOUSEMOVE", WM_MOUSEMOVE},
    {"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
    {"WM_LBUTTONUP", WM_LBUTTONUP},
    {"WM_USER", WM_USER},
};

std::optional<UINT> ParseMessage(const std::string& text) {
    for (const MessageName& known : messageNames) {
        if (text == known.name) {
            return known.message;
        }
    }
    const auto number = ParseNumber(text.c_str(), 0, UINT32_MAX);
    return number ? std::optional(static_cast<UINT>(*number)) : std::nullopt;
}

BOOL PrintWindow(HWND hwnd, LPARAM) {
    wchar_t className[256] = {};
    wchar_t title[1024] = {};
    GetClassNameW(hwnd, className, 256);
    GetWindowTextW(hwnd, title, 1024);
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    std::printf("0x%08lx\t%s\t%s\t%u\t%d\t%ld,%ld,%ld,%ld\n",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hwnd)),
                platform::Utf8(className).c_str(), platform::Utf8(title).c_str(), processId,
                IsWindowVisible(hwnd) ? 1 : 0, static_cast<long>(rect.left),
                static_cast<long>(rect.top), static_cast<long>(rect.right),
                static_cast<long>(rect.bottom));
    return TRUE;
}

int Windows() {
    platform::Device::Initialise();
    EnumWindows(PrintWindow, 0);
    return 0;
}

// The window named by CLASS and TITLE ("" for any); null after reporting when there is none.
HWND FindNamed(const std::string& className, const std::string& title) {
    const std::wstring wideClass = platform::FromUtf8(className);
    const std::wstring wideTitle = platform::FromUtf8(title);
    const HWND hwnd = FindWindowW(className.empty() ? nullptr : wideClass.c_str(),
                                  title.empty() ? nullptr : wideTitle.c_str());
    if (!hwnd) {
        Fail("no window of class \"" + className + "\" titled \"" + title + "\"");
    }
    return hwnd;
}

int Message(const std::string& command, const std::vector<std::string>& args) {
    if (args.size() != 5) {
        return Usage(command + " takes CLASS TITLE MSG WPARAM LPARAM");
    }
    const std::optional<UINT> message = ParseMessage(args[2]);
    const auto wParam = ParseNumber(args[3].c_str(), INT64_MIN, INT64_MAX);
    const auto lParam = ParseNumber(args[4].c_str(), INT64_MIN, INT64_MAX);
    if (!message || !wParam || !lParam) {
        return Usage(command + " takes a message (number or WM_ name) and two numbers");
    }
    const HWND hwnd = FindNamed(args[0], args[1]);
    if (!hwnd) {
        return 1;
    }
    if (command == "post") {
        return PostMessageW(hwnd, *message, static_cast<WPARAM>(*wParam),
                            static_cast<LPARAM>(*lParam))
                   ? 0
                   : Fail("the message could not be posted");
    }
    SetLastError(ERROR_SUCCESS);
    const LRESULT result =
        SendMessageW(hwnd, *message, static_cast<WPARAM>(*wParam), static_cast<LPARAM>(*lParam));
    if (result == 0 && GetLastError() == ERROR_INVALID_PARAMETER) {
        return Fail("the message cannot carry its parameters to another process");
    }
    if (result == 0 && GetLastError() == ERROR_TIMEOUT) {
        return Fail("the window did not answer in time");
    }
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
}

int ShowOrHide(const std::string& command, const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Usage(command + " takes CLASS TITLE");
    }
    const HWND hwnd = FindNamed(args[0], args[1]);
    if (!hwnd) {
        return 1;
    }
    ShowWindow(hwnd, command == "show" ? SW_SHOW : SW_HIDE);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerHelpOrVersion(argc, argv, usage)) {
        return *answered;
    }
    if (argc < 2) {
        return Usage("no command given");
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "-h" || command == "--help" || command == "help") {
        std::printf("%s", usage);
        return 0;
    }
    if (command == "info" && args.empty()) {
        return Info();
    }
    if (command == "init" && args.empty()) {
        return Init();
    }
    if (command == "path") {
        return Path(args);
    }
    if (command == "reg") {
        return Registry(args);
    }
    if (command == "mouse") {
        return Mouse(args);
    }
    if (command == "key") {
        return Key(args);
    }
    if (command == "windows" && args.empty()) {
        return Windows();
    }
    if (command == "send" || command == "post") {
        return Message(command, args);
    }
    if (command == "show" || command == "hide") {
        return ShowOrHide(command, args);
    }
    return Usage("unknown command or arguments: " + command);
}
