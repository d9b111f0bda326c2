#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/alerts.h"
#include "platform/gui.h"
#include "platform/text.h"
#include "platform/windows.h"

namespace {

struct BoxText {
    LPCWSTR text;
};

const int textId = 100;

INT_PTR BoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG};
        SHInitDialog(&info);
        RECT client{};
        GetClientRect(dialog, &client);
        const auto* box = reinterpret_cast<const BoxText*>(lParam);
        CreateWindowExW(0, L"STATIC", box->text, WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 8,
                        client.right - 16, client.bottom - 16, dialog,
                        reinterpret_cast<HMENU>(static_cast<std::intptr_t>(textId)), nullptr,
                        nullptr);
        SetForegroundWindow(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

// The dialog template: the header, then no menu, the dialog class and the caption.
std::vector<WORD> Template(LPCWSTR caption) {
    DLGTEMPLATE header{WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, 0, 0, 0, 240, 320};
    std::vector<WORD> words(sizeof header / sizeof(WORD));
    std::memcpy(words.data(), &header, sizeof header);
    words.push_back(0);
    words.push_back(0);
    for (; caption && *caption; ++caption) {
        words.push_back(static_cast<WORD>(*caption));
    }
    words.push_back(0);
    return words;
}

} // namespace

namespace platform {

// The same choice the window layer makes: a person can see a window only on a display that
// the Qt backend serves.
bool OnDisplay() {
    if (const char* choice = std::getenv("TAPWEAVE_GUI"); choice && *choice) {
        return std::string(choice) == "qt";
    }
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

} // namespace platform

BOOL MessageBeep(UINT) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
    return TRUE;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT) {
    if (!platform::OnDisplay()) {
        std::fprintf(stderr, "%s: %s\n", platform::Utf8(caption ? caption : L"").c_str(),
                     platform::Utf8(text ? text : L"").c_str());
        return IDOK;
    }
    BoxText box{text};
    const std::vector<WORD> words = Template(caption);
    DialogBoxIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
                            BoxProc, reinterpret_cast<LPARAM>(&box));
    return IDOK;
}
