#include "DesktopEntries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "PngFile.h"
#include "platform/resources.h"

namespace {

namespace fs = std::filesystem;

// One entry: its file and icon name, what it says, the Start-menu shortcut it opens and the
// build's program whose icon it shows.
struct Entry {
    const char* name;
    const char* title;
    const char* comment;
    const char* shortcut;
    const char* program;
};

const Entry recorderEntry{"tapweave-recorder", "Tapweave Recorder",
                          "Record what you do on the touch screen", "Macros - Create",
                          "tapweave-recorder"};
const Entry macrosEntry{"tapweave-macros", "Tapweave Macros",
                        "Play, rename, edit and delete your macros", "Macros - Show All",
                        "tapweave-player"};

// An argument of an Exec line: in double quotes, with a backslash before each character the
// format reserves inside them, "%" doubled so that it is no field code, and then every
// backslash doubled once more, as any text value of the file needs.
std::string ExecArgument(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
        } else if (c == '\\') {
            quoted += "\\\\\\";
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string DataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        return data;
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share";
}

std::string EntryPath(const Entry& entry) {
    return DesktopEntries::Folder() + "/" + entry.name + ".desktop";
}

std::string IconPath(const Entry& entry) {
    return DesktopEntries::IconFolder() + "/" + entry.name + ".png";
}

bool WriteFile(const std::string& path, const std::string& content) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) {
        std::fprintf(stderr, "tapweave-install: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// The program's own icon (the first in its file), as the theme's PNG.
bool WriteIcon(const Entry& entry, const std::string& buildFolder) {
    const std::string program = buildFolder + "/" + entry.program;
    const std::optional<std::vector<BYTE>> icon =
        platform::ReadResourceAt(program, RT_GROUP_ICON, 0);
    std::string png;
    if (icon && icon->size() >= 8) {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::memcpy(&width, icon->data(), 4);
        std::memcpy(&height, icon->data() + 4, 4);
        png = PngFile(static_cast<int>(width), static_cast<int>(height),
                      std::vector<std::uint8_t>(icon->begin() + 8, icon->end()));
    }
    if (png.empty()) {
        std::fprintf(stderr, "tapweave-install: no icon in %s\n", program.c_str());
        return false;
    }
    return WriteFile(IconPath(entry), png);
}

} // namespace

DesktopEntries::DesktopEntries(std::string installer, std::string device)
    : installer(std::move(installer)), device(std::move(device)) {}

std::string DesktopEntries::Folder() {
    return DataHome() + "/applications";
}

std::string DesktopEntries::IconFolder() {
    return DataHome() + "/icons/hicolor/32x32/apps";
}

std::string DesktopEntries::DeviceArgument() const {
    return ExecArgument("TAPWEAVE_DEVICE=" + device);
}

bool DesktopEntries::Write(bool withRecorder) const {
    const std::string buildFolder = fs::path(installer).parent_path().string();
    const auto write = [&](const Entry& entry, const std::string& actions) {
        return WriteIcon(entry, buildFolder) &&
               WriteFile(EntryPath(entry),
                         std::string("[Desktop Entry]\n") + "Type=Application\n" +
                             "Name=" + entry.title + "\n" + "Comment=" + entry.comment + "\n" +
                             "Icon=" + entry.name + "\n" + "Exec=env " + DeviceArgument() + " " +
                             ExecArgument(installer) + " start " + ExecArgument(entry.shortcut) +
                             "\n" + "Terminal=false\n" + "Categories=Utility;\n" + actions);
    };
    // The recorder keeps running hidden once closed; its entry's action ends it.
    const std::string quit = "Actions=Quit;\n"
                             "\n"
                             "[Desktop Action Quit]\n"
                             "Name=Quit\n"
                             "Exec=env " +
                             DeviceArgument() + " " +
                             ExecArgument(buildFolder + "/tapweave-recorder") + " --quit\n";
    return (!withRecorder || write(recorderEntry, quit)) && write(macrosEntry, "");
}

bool DesktopEntries::Remove() const {
    bool removed = false;
    for (const Entry* entry : {&recorderEntry, &macrosEntry}) {
        std::ifstream in(EntryPath(*entry));
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        if (text.find("Exec=env " + DeviceArgument() + " ") == std::string::npos) {
            continue;
        }
        std::error_code error;
        fs::remove(EntryPath(*entry), error);
        fs::remove(IconPath(*entry), error);
        removed = true;
    }
    return removed;
}
