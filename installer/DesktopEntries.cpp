#include "DesktopEntries.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const char* const recorderFile = "tapweave-recorder.desktop";
const char* const macrosFile = "tapweave-macros.desktop";

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

} // namespace

DesktopEntries::DesktopEntries(std::string installer, std::string device)
    : installer(std::move(installer)), device(std::move(device)) {}

std::string DesktopEntries::Folder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        return std::string(data) + "/applications";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/applications";
}

bool DesktopEntries::WriteEntry(const std::string& file, const std::string& name,
                                const std::string& comment, const std::string& shortcut) const {
    std::error_code error;
    fs::create_directories(Folder(), error);
    const std::string path = Folder() + "/" + file;
    std::ofstream out(path, std::ios::trunc);
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << name << "\n"
        << "Comment=" << comment << "\n"
        << "Exec=env " << ExecArgument("TAPWEAVE_DEVICE=" + device) << " "
        << ExecArgument(installer) << " start " << ExecArgument(shortcut) << "\n"
        << "Terminal=false\n"
        << "Categories=Utility;\n";
    if (!out.flush()) {
        std::fprintf(stderr, "tapweave-install: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool DesktopEntries::Write(bool withRecorder) const {
    if (withRecorder && !WriteEntry(recorderFile, "Tapweave Recorder",
                                    "Record what you do on the touch screen", "Macros - Create")) {
        return false;
    }
    return WriteEntry(macrosFile, "Tapweave Macros", "Play, rename, edit and delete your macros",
                      "Macros - Show All");
}

void DesktopEntries::Remove() const {
    std::error_code error;
    fs::remove(Folder() + "/" + recorderFile, error);
    fs::remove(Folder() + "/" + macrosFile, error);
}
