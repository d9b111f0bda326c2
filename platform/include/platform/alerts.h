// Telling the person something: the device's sounds and its message box.
#pragma once

#include "platform/types.h"

#define MB_OK 0x00000000u
#define MB_ICONHAND 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONASTERISK 0x00000040u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u

// The host has no device speaker: a bell character on standard error stands for every sound,
// which a terminal rings and anything else ignores. Always TRUE.
BOOL MessageBeep(UINT type);

// Shows the text with the caption and an "ok" button, and returns IDOK once the person has
// closed it. Only MB_OK boxes exist here; the icon, foreground and topmost bits are accepted.
// On a display it is a modal window of the device (the caption bar with its "ok" button above
// the text). Without one nobody could close it: the caption and the text go to standard error
// and the box is answered IDOK at once.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

namespace platform {

// Whether windows are shown to a person (the Qt backend on a display); without that, what would
// be a dialog is said on standard error.
bool OnDisplay();

} // namespace platform
