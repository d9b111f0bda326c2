// Pop-up menus: built here, shown by the backend on the owner's thread.
#include <algorithm>

#include "HandleTable.h"
#include "PopupMenu.h"
#include "WindowManager.h"
#include "platform/gui.h"

using platform::HandleTable;
using platform::MenuItem;
using platform::PopupMenu;
using platform::Window;
using platform::WindowManager;

namespace {

PopupMenu* Find(HMENU menu) {
    return HandleTable::Get<PopupMenu>(menu);
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

} // namespace

HMENU CreatePopupMenu() {
    return static_cast<HMENU>(HandleTable::Add(std::make_unique<PopupMenu>()));
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text) {
    PopupMenu* found = Find(menu);
    if (!found) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (flags != MF_STRING || !text) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    found->Append({static_cast<UINT>(id), text});
    return TRUE;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
    const PopupMenu* found = Find(menu);
    if (!found) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    WindowManager& manager = WindowManager::Instance();
    {
        auto windows = manager.Lock();
        const Window* window = windows.Find(owner);
        if (!window || window->threadId != WindowManager::CurrentThreadId()) {
            return Fail(ERROR_INVALID_WINDOW_HANDLE);
        }
    }
    const std::vector<MenuItem> items = found->Items();
    UINT chosen = 0;
    if (!items.empty()) {
        chosen = manager.Backend().TrackPopupMenu(owner, items, POINT{x, y});
    }
    // A choice that is no item of this menu dismisses it.
    if (std::none_of(items.begin(), items.end(),
                     [chosen](const MenuItem& item) { return item.id == chosen; })) {
        chosen = 0;
    }
    if (flags & TPM_RETURNCMD) {
        return static_cast<BOOL>(chosen);
    }
    if (chosen != 0) {
        PostMessageW(owner, WM_COMMAND, chosen, 0);
    }
    return chosen != 0 ? TRUE : FALSE;
}

BOOL DestroyMenu(HMENU menu) {
    if (!Find(menu)) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    return HandleTable::Close(menu) ? TRUE : FALSE;
}
