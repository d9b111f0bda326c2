// What tests do in place of a person, without a display.
#pragma once

#include "platform/types.h"

namespace platform {

// The next pop-up menu shown without a display (TrackPopupMenuEx) returns this choice instead
// of being dismissed; choices are taken in the order queued, one per menu.
void QueueMenuChoice(UINT id);
// Drops the choices no menu has taken.
void ForgetMenuChoices();

// Ends the label edit under way in the list view as a person would: types the text into the
// editor and presses Return, or, for a null text, presses Escape. False when no edit is under
// way. From any thread: the list's own thread handles it.
bool EndLabelEdit(HWND list, const wchar_t* text);

} // namespace platform
