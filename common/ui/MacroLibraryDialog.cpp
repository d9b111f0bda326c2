#include "MacroLibraryDialog.h"

#include "OpenMacrosFolder.h"
#include "SharedNames.h"

namespace {

constexpr int libraryListId = 1000;

} // namespace

MacroLibraryDialog::MacroLibraryDialog(const std::wstring& pendingName)
    : Dialog(productName), listId(libraryListId), listView(pendingName) {}

int MacroLibraryDialog::OnInitDialog(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (!Dialog::OnInitDialog(hwnd, wParam, lParam)) {
        return 0;
    }
    listView.Create(hwnd, listId);
    return 1;
}

int MacroLibraryDialog::OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    Dialog::OnActivate(hwnd, wParam, lParam);
    listView.Resize();
    const WORD state = LOWORD(wParam);
    if (state != WA_ACTIVE && state != WA_CLICKACTIVE) {
        return 0;
    }
    // Back in front: a macro may have been played, edited, renamed or saved meanwhile.
    listView.Refresh();
    return 1;
}

int MacroLibraryDialog::OnSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    Dialog::OnSettingChange(hwnd, wParam, lParam);
    listView.Resize();
    return 1;
}

int MacroLibraryDialog::OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        return OnNotify(hwnd, wParam, lParam);
    }
    return Dialog::OnMsg(hwnd, message, wParam, lParam);
}

int MacroLibraryDialog::OnNotify(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (wParam != static_cast<WPARAM>(listId)) {
        return 0;
    }
    const LRESULT result = listView.OnNotify(hwnd, wParam, reinterpret_cast<NMHDR*>(lParam));
    // A dialog answers a notification through its message result.
    SetWindowLongW(hwnd, DWL_MSGRESULT, static_cast<LONG>(result));
    return 1;
}

void OpenMacrosFolder(const std::wstring& name) {
    MacroLibraryDialog dialog(name);
    Dialog::DoModal(dialog);
}
