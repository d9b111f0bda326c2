#include "MacroLibrary.h"

#include <filesystem>

const std::string MacroLibrary::macroFolder = "Program Files/Tapweave/Macros/";
const std::string MacroLibrary::shortcutFolder = "Windows/Start Menu/Programs/Tapweave/";
const std::string MacroLibrary::playerFile = "Program Files/Tapweave/Player.exe";

MacroLibrary::MacroLibrary(const TempDevice& device, const std::string& player) : device(device) {
    std::filesystem::create_directories(device.Host(macroFolder));
    std::filesystem::create_directories(device.Host(shortcutFolder));
    std::filesystem::create_symlink(player, device.Host(playerFile));
}

std::string MacroLibrary::ShortcutOf(const std::string& name) {
    const std::string commandLine = "\"\\Program Files\\Tapweave\\Player.exe\" \"" + name + "\"";
    return std::to_string(commandLine.size()) + "#" + commandLine;
}

void MacroLibrary::Save(const std::string& name, const std::string& steps) const {
    device.Write(macroFolder + name + ".macros", steps);
    device.Write(shortcutFolder + name + ".lnk", ShortcutOf(name));
}

bool MacroLibrary::HasMacroFile(const std::string& name) const {
    return std::filesystem::exists(device.Host(macroFolder + name + ".macros"));
}

bool MacroLibrary::HasShortcut(const std::string& name) const {
    return std::filesystem::exists(device.Host(shortcutFolder + name + ".lnk"));
}

std::map<std::string, std::string> MacroLibrary::Files() const {
    std::map<std::string, std::string> files;
    const std::filesystem::path root = device.Host("");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            const std::string relative = entry.path().lexically_relative(root).string();
            files[relative] = device.Read(relative);
        }
    }
    return files;
}
