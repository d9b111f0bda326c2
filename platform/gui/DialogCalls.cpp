// Modal dialogs from an in-memory template, each running its own loop on the calling thread.
#include <string>

#include "DialogWindow.h"
#include "MessagePump.h"
#include "WindowActions.h"
#include "WindowClasses.h"
#include "WindowManager.h"
#include "platform/gui.h"

using platform::DialogWindow;
using platform::MessagePump;
using platform::Window;
using platform::WindowManager;

namespace {

// A title longer than this is taken to be a template without its terminator.
constexpr std::size_t maxTitleWords = 4096;

struct Template {
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::wstring title;
};

// A 16-bit word string: UTF-16 code units up to a zero word.
bool ReadText(const WORD*& words, std::wstring& text) {
    for (std::size_t count = 0; count < maxTitleWords; ++count) {
        const WORD unit = *words++;
        if (unit == 0) {
            return true;
        }
        if (unit >= 0xD800 && unit < 0xDC00 && *words >= 0xDC00 && *words < 0xE000) {
            text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (*words++ - 0xDC00));
        } else {
            text += static_cast<wchar_t>(unit);
        }
    }
    return false;
}

// The header, then the menu (ignored: the shell makes menu bars), the class (only the dialog
// class) and the title. A template with controls is not for this system.
std::optional<Template> Parse(const DLGTEMPLATE& header) {
    if (header.cdit != 0) {
        return std::nullopt;
    }
    Template parsed;
    parsed.style = header.style;
    parsed.exStyle = header.dwExtendedStyle;
    parsed.x = DialogWindow::PixelsAcross(header.x);
    parsed.y = DialogWindow::PixelsDown(header.y);
    parsed.width = DialogWindow::PixelsAcross(header.cx);
    parsed.height = DialogWindow::PixelsDown(header.cy);
    const auto* words =
        reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(&header) + sizeof(DLGTEMPLATE));
    std::wstring ignored;
    if (*words == 0xFFFF) {
        words += 2;
    } else if (!ReadText(words, ignored)) {
        return std::nullopt;
    }
    if (*words != 0) {
        return std::nullopt;
    }
    ++words;
    if (!ReadText(words, parsed.title)) {
        return std::nullopt;
    }
    return parsed;
}

} // namespace

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner,
                                DLGPROC dialogProcedure, LPARAM param) {
    if (!dialogTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const std::optional<Template> parsed = Parse(*dialogTemplate);
    if (!parsed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (owner && !IsWindow(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    // Dialogs are top-level windows, shown once WM_INITDIALOG has set them up.
    const DWORD style = parsed->style & ~(WS_VISIBLE | WS_CHILD);
    const HWND hwnd = CreateWindowExW(
        parsed->exStyle, platform::WindowClasses::dialogClass, parsed->title.c_str(), style,
        parsed->x, parsed->y, parsed->width, parsed->height, owner, nullptr, instance, nullptr);
    if (!hwnd) {
        return -1;
    }
    WindowManager& manager = WindowManager::Instance();
    DWORD thread = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.Find(hwnd);
        window->dialogProcedure = dialogProcedure;
        window->modal = true;
        thread = window->threadId;
    }
    manager.Call(hwnd, WM_INITDIALOG, 0, param);
    if ((parsed->style & WS_VISIBLE) && IsWindow(hwnd)) {
        platform::WindowActions::Show(hwnd, SW_SHOW);
    }
    manager.Notify(thread, [hwnd](platform::GuiBackend& b) { b.ModalLoopEntered(hwnd); });

    const auto ended = [&manager, hwnd] {
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        return !window || window->ended;
    };
    bool quit = false;
    int exitCode = 0;
    MSG msg{};
    while (!ended() && MessagePump::Next(msg, nullptr, 0, 0, true, true, ended)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            exitCode = static_cast<int>(msg.wParam);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    INT_PTR result = 0;
    bool exists = false;
    {
        auto windows = manager.Lock();
        if (Window* window = windows.Find(hwnd)) {
            exists = true;
            result = window->endResult;
            window->modal = false;
        }
    }
    if (exists) {
        manager.Notify(thread, [hwnd](platform::GuiBackend& b) { b.ModalLoopLeft(hwnd); });
        DestroyWindow(hwnd);
    }
    if (quit) {
        // The quit request belongs to the loop outside this dialog.
        PostQuitMessage(exitCode);
        return 0;
    }
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    WindowManager& manager = WindowManager::Instance();
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.Find(dialog);
        if (!window || !window->dialogProcedure) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        window->ended = true;
        window->endResult = result;
        owner = window->threadId;
    }
    if (const auto queue = manager.QueueOf(owner)) {
        queue->Wake();
    }
    return TRUE;
}
