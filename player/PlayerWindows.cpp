// The windows of the player built on the shared libraries, which loads the toolkit itself.
#include "PlayerWindows.h"

#include "OpenMacrosFolder.h"
#include "ShowAboutDialog.h"

int ShowLibraryWindow() {
    OpenMacrosFolder(L"");
    return 0;
}

int ShowAboutWindow() {
    ShowAboutDialog(0);
    return 0;
}
