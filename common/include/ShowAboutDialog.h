// The About dialog: the product's name, version and web address. While it is in front the
// recorder's floating window is hidden; closing the dialog with "ok" shows it again.
#pragma once

#include "CommonApi.h"

// Shows the About dialog modally and returns when it is closed, or at once when an About
// dialog is already open on the device (that one is brought up). The argument is not used.
COMMON_EXPORT void ShowAboutDialog(int unused);
