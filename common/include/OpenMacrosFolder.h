// The macro library window: every saved macro as a large icon labelled with its name. A tap
// plays the macro; tap-and-hold offers "Rename", "Edit" and "Delete".
#pragma once

#include <string>

#include "CommonApi.h"

// Shows the library window modally and returns when it is closed, or at once when a library
// window is already open on the device (that one is brought up). A non-empty name is the
// macro to select with its label open for typing a new name.
COMMON_EXPORT void OpenMacrosFolder(const std::wstring& name);
