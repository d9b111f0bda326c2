#include "Dialog.h"

#include "platform/memory.h"
#include "platform/shell.h"
#include "platform/windows.h"

namespace {

// The window class of every dialog the platform creates from a template.
constexpr wchar_t dialogClassName[] = L"Dialog";
// What the template's block holds: the header and the zero words after it, with room to spare.
constexpr std::size_t templateBytes = 1024;
// The device's sizes of the shell structures.
constexpr DWORD activateInfoSize = 12;
constexpr DWORD menuBarInfoSize = 36;

} // namespace

std::list<Dialog*> Dialog::dialogList;

Dialog::Dialog(const std::wstring& title) : title(title), hwnd(nullptr), activateInfo{} {
    activateInfo.cbSize = activateInfoSize;
}

Dialog::Dialog(const Dialog& other) = default;

Dialog::~Dialog() {
    OnDestructor(hwnd);
}

int Dialog::DoModal(Dialog& dialog) {
    if (HWND open = FindWindowW(dialogClassName, dialog.title.c_str())) {
        ShowWindow(open, SW_SHOW);
        SetForegroundWindow(open);
        return 1;
    }
    HLOCAL block = LocalAlloc(LPTR, templateBytes);
    if (!block) {
        return 1;
    }
    // The zero-filled block already holds the words for no menu, the dialog class and an
    // empty title after the header.
    auto* dialogTemplate = static_cast<DLGTEMPLATE*>(block);
    dialogTemplate->style = WS_VISIBLE;
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, dialogTemplate, nullptr, DlgProc,
                                                   reinterpret_cast<LPARAM>(&dialog));
    LocalFree(block);
    return static_cast<int>(result);
}

int Dialog::OnInitDialog(HWND hwnd, WPARAM, LPARAM) {
    SHINITDLGINFO shellInfo{};
    shellInfo.dwMask = SHIDIM_FLAGS;
    shellInfo.hDlg = hwnd;
    shellInfo.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG | SHIDIF_SIPDOWN;
    SHInitDialog(&shellInfo);

    SHMENUBARINFO menuBar{};
    menuBar.cbSize = menuBarInfoSize;
    menuBar.hwndParent = hwnd;
    menuBar.dwFlags = SHCMBF_EMPTYBAR;
    SHCreateMenuBar(&menuBar);

    SetWindowTextW(hwnd, title.c_str());
    SetForegroundWindow(hwnd);
    return 1;
}

int Dialog::OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    SHHandleWMActivate(hwnd, wParam, lParam, &activateInfo, 0);
    return 0;
}

int Dialog::OnSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    SHHandleWMSettingChange(hwnd, wParam, lParam, &activateInfo);
    return 1;
}

int Dialog::OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    // A control with the identifier IDOK names itself in lParam; the caption's button does not.
    if (LOWORD(wParam) == IDOK && lParam == 0) {
        EndDialog(hwnd, 0);
        return 1;
    }
    return 0;
}

int Dialog::OnHelp(HWND, WPARAM, LPARAM) {
    return CreateProcessW(L"peghelp.exe", L"Tapweave Help.htm", nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, nullptr, nullptr);
}

int Dialog::OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        return OnActivate(hwnd, wParam, lParam);
    case WM_SETTINGCHANGE:
        return OnSettingChange(hwnd, wParam, lParam);
    case WM_HELP:
        return OnHelp(hwnd, wParam, lParam);
    case WM_INITDIALOG:
        return OnInitDialog(hwnd, wParam, lParam);
    case WM_COMMAND:
        return OnCommand(hwnd, wParam, lParam);
    default:
        return 0;
    }
}

HWND Dialog::GetHWND() const {
    return hwnd;
}

std::wstring Dialog::GetTitle() const {
    return title;
}

INT_PTR Dialog::DlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG && lParam != 0) {
        Dialog* dialog = reinterpret_cast<Dialog*>(lParam);
        dialog->hwnd = hwnd;
        dialogList.push_back(dialog);
    }
    for (Dialog* dialog : dialogList) {
        if (dialog->hwnd == hwnd) {
            return dialog->OnMsg(hwnd, message, wParam, lParam);
        }
    }
    // Messages before WM_INITDIALOG, or of a dialog started without an object.
    return 0;
}

void Dialog::OnDestructor(HWND hwnd) {
    for (auto entry = dialogList.begin(); entry != dialogList.end(); ++entry) {
        if ((*entry)->hwnd == hwnd) {
            dialogList.erase(entry);
            return;
        }
    }
}
