#include "MacroDocument.h"

#include <fstream>

#include "InstallPaths.h"
#include "MacroFile.h"
#include "MacroName.h"
#include "SharedNames.h"
#include "platform/files.h"

bool MacroDocument::Load(const std::wstring& name) {
    StopRecording();
    // Read without the lock, so a long file never holds up the steps arriving meanwhile.
    std::list<ActionPtr> steps;
    bool opened = false;
    if (IsValidMacroName(name)) {
        std::ifstream file(platform::HostPath(GetMacroFolder() + name + macroExtension));
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
