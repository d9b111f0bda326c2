// The player's two windows: the macro library, shown when no macro is named, and the About
// dialog, shown when the named macro cannot be loaded. Each returns the player's exit code.
#pragma once

int ShowLibraryWindow();
int ShowAboutWindow();
