#include "MacroDocument.h"

#include <fstream>

#include "InstallPaths.h"
#include "MacroFile.h"
#include "MacroFiles.h"
#include "MacroName.h"
#include "OpenMacrosFolder.h"
#include "SharedNames.h"
#include "platform/files.h"

namespace {

std::string MacroFileHostPath(const std::wstring& folder, const std::wstring& name) {
    return platform::HostPath(folder + name + macroExtension);
}

// A name is free while no macro file of that name can be opened. Each name taken is a file
// that exists, so the search ends.
std::wstring FreeName() {
    const std::wstring folder = GetMacroFolder();
    const auto isFree = [&folder](const std::wstring& name) {
        return !std::ifstream(MacroFileHostPath(folder, name));
    };
    if (isFree(newMacroName)) {
        return newMacroName;
    }
    for (unsigned long long number = 1;; ++number) {
        std::wstring name = newMacroName + L" " + std::to_wstring(number);
        if (isFree(name)) {
            return name;
        }
    }
}

} // namespace

bool MacroDocument::Load(const std::wstring& name) {
    StopRecording();
    // Read without the lock, so a long file never holds up the steps arriving meanwhile.
    std::list<ActionPtr> steps;
    bool opened = false;
    if (IsValidMacroName(name)) {
        std::ifstream file(MacroFileHostPath(GetMacroFolder(), name));
        if (file) {
            opened = true;
            MacroFile::Read(file, steps);
        }
    }
    {
        std::lock_guard lock(mutex);
        actions.swap(steps);
    }
    return opened;
}

void MacroDocument::Save() {
    StopRecording();
    const std::wstring name = FreeName();
    {
        std::ofstream file(MacroFileHostPath(GetMacroFolder(), name), std::ios::trunc);
        if (file) {
            MacroFile::Write(file, Steps());
        }
    }
    CreateMacroShortcut(name);
    OpenMacrosFolder(name);
    // Released outside the lock, so that an Add arriving meanwhile never waits on them.
    std::list<ActionPtr> saved;
    {
        std::lock_guard lock(mutex);
        actions.swap(saved);
    }
}
