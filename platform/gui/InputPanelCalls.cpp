// The input panel: a desktop has a keyboard of its own and no panel to raise.
#include "platform/gui.h"

BOOL SipShowIM(DWORD) {
    return TRUE;
}
