// What tests do in place of a person, without a display.
#pragma once

#include "platform/types.h"

namespace platform {

// The next pop-up menu shown without a display (TrackPopupMenuEx) returns this choice instead
// of being dismissed; choices are taken in the order queued, one per menu.
void QueueMenuChoice(UINT id);
// Drops the choices no menu has taken.
void ForgetMenuChoices();

} // namespace platform
