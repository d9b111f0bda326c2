#include "AboutDialog.h"

#include <cwchar>

#include "SharedNames.h"
#include "ShowAboutDialog.h"
#include "platform/windows.h"

namespace {

const std::wstring versionText = L"version: 1.2\n\u00A9 2026 Veltrane Software";
const std::wstring addressText = L"tapweave.veltrane.example";

HWND FindRecorderWindow() {
    return FindWindowW(recorderClassName.c_str(), recorderWindowTitle.c_str());
}

// A left-aligned label on the dialog with a Tahoma font of its own.
HWND CreateLabel(HWND dialog, HINSTANCE instance, const std::wstring& text, int y, int width,
                 int height, LONG fontHeight, LONG fontWeight) {
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 10, y, width,
                                 height, dialog, nullptr, instance, nullptr);
    if (!label) {
        return nullptr;
    }
    LOGFONTW logFont{};
    logFont.lfHeight = fontHeight;
    logFont.lfWeight = fontWeight;
    std::wcsncpy(logFont.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
    if (HFONT font = CreateFontIndirectW(&logFont)) {
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    return label;
}

} // namespace

AboutDialog::AboutDialog(const std::wstring& title)
    : Dialog(title), titleLabel(nullptr), versionLabel(nullptr), addressLabel(nullptr) {}

int AboutDialog::OnInitDialog(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (!Dialog::OnInitDialog(hwnd, wParam, lParam)) {
        return 0;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    const int width = client.right - client.left - 20;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    titleLabel = CreateLabel(hwnd, instance, productName, 10, width, 22, 20, FW_BOLD);
    versionLabel = CreateLabel(hwnd, instance, versionText, 40, width, 60, 18, FW_NORMAL);
    addressLabel = CreateLabel(hwnd, instance, addressText, 100, width, 20, 16, FW_NORMAL);
    return 1;
}

int AboutDialog::OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    Dialog::OnActivate(hwnd, wParam, lParam);
    const WORD state = LOWORD(wParam);
    if (state != WA_ACTIVE && state != WA_CLICKACTIVE) {
        return 0;
    }
    if (HWND recorder = FindRecorderWindow()) {
        ShowWindow(recorder, SW_HIDE);
    }
    return 1;
}

int AboutDialog::OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDOK && lParam == 0) {
        if (HWND recorder = FindRecorderWindow()) {
            ShowWindow(recorder, SW_SHOW);
        }
        EndDialog(hwnd, 0);
        return 1;
    }
    return Dialog::OnCommand(hwnd, wParam, lParam);
}

int AboutDialog::OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        return OnNotify(hwnd, wParam, lParam);
    }
    if (message == WM_DESTROY) {
        ReleaseFonts();
    }
    return Dialog::OnMsg(hwnd, message, wParam, lParam);
}

int AboutDialog::OnNotify(HWND, WPARAM, LPARAM) {
    return 0;
}

void AboutDialog::ReleaseFonts() {
    for (HWND label : {titleLabel, versionLabel, addressLabel}) {
        if (!label) {
            continue;
        }
        // The label lets go of its font before the font goes.
        const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0));
        SendMessageW(label, WM_SETFONT, 0, FALSE);
        if (font) {
            DeleteObject(font);
        }
    }
}

void ShowAboutDialog(int) {
    AboutDialog dialog(L"About");
    Dialog::DoModal(dialog);
}
