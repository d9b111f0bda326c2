#include "VirtualKeys.h"

#include <Qt>

#include "platform/gui.h"
#include "platform/input.h"

namespace platform {

namespace {

// Codes the platform headers do not name, as the device numbers them.
constexpr BYTE back = 0x08;
constexpr BYTE tab = 0x09;
constexpr BYTE shift = 0x10;
constexpr BYTE control = 0x11;
constexpr BYTE menu = 0x12;
constexpr BYTE escape = 0x1B;
constexpr BYTE space = 0x20;
constexpr BYTE prior = 0x21;
constexpr BYTE next = 0x22;
constexpr BYTE end = 0x23;
constexpr BYTE home = 0x24;
constexpr BYTE insert = 0x2D;
constexpr BYTE remove = 0x2E;
constexpr int functionKeys = 24;

} // namespace

BYTE VirtualKeys::FromQt(int key) {
    // Letters and digits are their own upper-case ASCII codes.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return static_cast<BYTE>(key);
    }
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + functionKeys) {
        return static_cast<BYTE>(VK_F1 + (key - Qt::Key_F1));
    }
    switch (key) {
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return escape;
    case Qt::Key_Backspace:
        return back;
    case Qt::Key_Tab:
        return tab;
    case Qt::Key_Space:
        return space;
    case Qt::Key_PageUp:
        return prior;
    case Qt::Key_PageDown:
        return next;
    case Qt::Key_End:
        return end;
    case Qt::Key_Home:
        return home;
    case Qt::Key_Insert:
        return insert;
    case Qt::Key_Delete:
        return remove;
    case Qt::Key_Shift:
        return shift;
    case Qt::Key_Control:
        return control;
    case Qt::Key_Alt:
        return menu;
    case Qt::Key_Meta:
        return VK_LWIN;
    default:
        return 0;
    }
}

} // namespace platform
