// The player (the device's Player.exe): plays the macro its shortcut names and ends. Without a
// name it shows the macro library window; with a name that cannot be loaded, the About dialog
// (the "Macros - About" shortcut comes this way). It has no window of its own, so playing a
// macro never loads the on-screen toolkit.
#include <string>
#include <vector>

#include "Arguments.h"
#include "Macros.h"
#include "OpenMacrosFolder.h"
#include "ShowAboutDialog.h"
#include "platform/gui.h"
#include "platform/shell.h"

namespace {

// The buffer of the module path, in characters, as the device's player has it.
constexpr DWORD modulePathSize = 256;

} // namespace

int WinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    wchar_t modulePath[modulePathSize] = {};
    if (GetModuleFileNameW(nullptr, modulePath, modulePathSize) == 0) {
        return 0;
    }
    const std::vector<std::wstring> arguments = SplitArguments(modulePath, commandLine);
    switch (arguments.size() - 1) {
    case 0:
        OpenMacrosFolder(L"");
        break;
    case 1: {
        Macros& document = Macros::GetInstance();
        if (document.Load(arguments[1])) {
            document.Play();
        } else {
            ShowAboutDialog(0);
        }
        break;
    }
    default:
        // More than one argument, such as a name with spaces but no quotes: nothing to do.
        break;
    }
    return 0;
}

int main() {
    return WinMain(GetModuleHandleW(nullptr), nullptr, platform::CommandLineParameters(), SW_SHOW);
}
