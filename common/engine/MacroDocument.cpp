#include "MacroDocument.h"

#include <cstdio>
#include <optional>
#include <sstream>

#include "InstallPaths.h"
#include "MacroFile.h"
#include "MacroFiles.h"
#include "MacroName.h"
#include "OpenMacrosFolder.h"
#include "SharedNames.h"
#include "platform/alerts.h"
#include "platform/files.h"

namespace {

std::wstring MacroFilePath(const std::wstring& folder, const std::wstring& name) {
    return folder + name + macroExtension;
}

// The first name of "New Macro", "New Macro 1", ... under which nothing at all exists: no file,
// folder or link, also one that leads nowhere or a file nobody may read. nullopt, with the last
// error set, when the folder cannot be looked into; otherwise each name taken is an entry that
// exists, so the search ends.
std::optional<std::wstring> FreeName(const std::wstring& folder) {
    for (unsigned long long number = 0;; ++number) {
        std::wstring name = newMacroName;
        if (number > 0) {
            name += L" " + std::to_wstring(number);
        }
        if (GetFileAttributesW(MacroFilePath(folder, name).c_str()) != INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            return std::nullopt;
        }
        return name;
    }
}

// Writes the text as a new macro under a free name; nullopt with the last error set. A name
// taken between the search and the writing is passed over.
std::optional<std::wstring> WriteNewMacro(const std::string& text) {
    const std::wstring folder = GetMacroFolder();
    for (;;) {
        std::optional<std::wstring> name = FreeName(folder);
        if (!name) {
            return std::nullopt;
        }
        if (platform::CreateWholeFile(MacroFilePath(folder, *name), text)) {
            return name;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return std::nullopt;
        }
    }
}

std::wstring Why(DWORD error) {
    const std::wstring folder = GetMacroFolder();
    switch (error) {
    case ERROR_PATH_NOT_FOUND:
        return L"the macro folder " + folder + L" is missing";
    case ERROR_ACCESS_DENIED:
        return L"the macro folder " + folder + L" refuses to be written";
    case ERROR_DISK_FULL:
        return L"the disk is full";
    default:
        return L"error " + std::to_wstring(error) + L" in the macro folder " + folder;
    }
}

void TellNotSaved(DWORD error) {
    const std::wstring text =
        L"The recording could not be saved: " + Why(error) +
        L".\nIt is kept: record again and stop, and it is saved with what follows.";
    MessageBoxW(nullptr, text.c_str(), productName.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

bool MacroDocument::Load(const std::wstring& name) {
    StopRecording();
    // Read without the lock, so a long file never holds up the steps arriving meanwhile.
    std::list<ActionPtr> steps;
    bool opened = false;
    if (IsValidMacroName(name)) {
        const std::wstring path = MacroFilePath(GetMacroFolder(), name);
        if (const std::optional<std::string> text =
                platform::ReadRegularFile(path, maximumMacroFileSize)) {
            opened = true;
            MacroFile::Read(*text, steps);
        } else if (GetLastError() == ERROR_FILE_TOO_LARGE) {
            std::fprintf(stderr, "%s: larger than %zu MiB, not a macro\n",
                         platform::HostPath(path).c_str(), maximumMacroFileSize >> 20);
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
    const std::vector<ActionPtr> steps = Steps();
    std::ostringstream text;
    MacroFile::Write(text, steps);
    const std::optional<std::wstring> name = WriteNewMacro(text.str());
    if (!name) {
        TellNotSaved(GetLastError());
        return;
    }
    // The saved steps leave the document before the window opens: the recorder stays usable
    // while the new macro is named, and what it records meanwhile belongs to the next macro.
    {
        // Released outside the lock, so that an Add arriving meanwhile never waits on them.
        std::list<ActionPtr> saved;
        std::lock_guard lock(mutex);
        auto end = actions.begin();
        for (std::size_t count = 0; count < steps.size() && end != actions.end(); ++count) {
            ++end;
        }
        saved.splice(saved.begin(), actions, actions.begin(), end);
    }
    CreateMacroShortcut(*name);
    OpenMacrosFolder(*name);
}
