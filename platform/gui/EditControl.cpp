#include "EditControl.h"

#include "ListView.h"

namespace platform {

LRESULT EditControl::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            ListView::EndLabelEdit(GetParent(hwnd), wParam == VK_RETURN);
        }
        return 0;
    case WM_KILLFOCUS:
        ListView::EndLabelEdit(GetParent(hwnd), true);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace platform
