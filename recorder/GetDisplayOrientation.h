// The display's current rotation: DMDO_0, DMDO_90, DMDO_180 or DMDO_270.
#pragma once

#include "platform/types.h"

DWORD GetDisplayOrientation();
