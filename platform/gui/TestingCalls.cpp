// What tests do in place of a person without a display.
#include "HeadlessBackend.h"
#include "platform/commctrl.h"
#include "platform/gui.h"
#include "platform/testing.h"

namespace platform {

void QueueMenuChoice(UINT id) {
    HeadlessBackend::QueueMenuChoice(id);
}

void ForgetMenuChoices() {
    HeadlessBackend::ForgetMenuChoices();
}

bool EndLabelEdit(HWND list, const wchar_t* text) {
    const auto edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
    if (!edit) {
        return false;
    }
    if (text) {
        SetWindowTextW(edit, text);
    }
    SendMessageW(edit, WM_KEYDOWN, text ? VK_RETURN : VK_ESCAPE, 0);
    return true;
}

} // namespace platform
