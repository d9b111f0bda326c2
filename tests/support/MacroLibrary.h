// Saved macros on a temporary device, as the product leaves them: macro files in the macro
// library folder, their shortcuts in the product's Start-menu folder, and the player they
// start at \Program Files\Tapweave\Player.exe, a link to a built player.
#pragma once

#include <map>
#include <string>

#include "TempDevice.h"

class MacroLibrary {
  public:
    // Below the device's fs/ folder.
    static const std::string macroFolder;
    static const std::string shortcutFolder;
    static const std::string playerFile;

    // Makes both folders and links the player to the built program at player (a host path).
    MacroLibrary(const TempDevice& device, const std::string& player);

    // The shortcut text that starts the player with the name, as the product writes it.
    static std::string ShortcutOf(const std::string& name);
    // A saved macro: its file with the steps and its shortcut.
    void Save(const std::string& name, const std::string& steps) const;
    bool HasMacroFile(const std::string& name) const;
    bool HasShortcut(const std::string& name) const;
    // Every file below fs/ with its content, links left out.
    std::map<std::string, std::string> Files() const;

  private:
    const TempDevice& device;
};
