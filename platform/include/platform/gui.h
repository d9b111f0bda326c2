// Windows, messages and dialogs: the device's window manager as the system uses it.
//
// Every thread that creates a window or asks for messages has its own message queue. A window
// belongs to the thread that created it; its procedure runs on that thread only. Top-level
// windows are entered in the device's window directory, so FindWindowW, ShowWindow,
// SetForegroundWindow, SendMessageW and PostMessageW (declared in platform/windows.h) reach the
// windows of every process on the device. Across processes a message carries integers only:
// system messages whose parameters are pointers (WM_SETTEXT, WM_NOTIFY, ...) are refused there.
//
// Differences from the device, where the system does not rely on them:
// - a window has no non-client area but a one-pixel border with WS_BORDER; captions and menu
//   bars are drawn by the on-screen backend outside the window's rectangle;
// - ShowWindow and SetWindowPos never activate; SetForegroundWindow does;
// - GetWindowTextW sends WM_GETTEXT to windows of its own thread only and reads the stored title
//   of any other window, so it never waits on another thread.
#pragma once

#include <cstdint>

#include "platform/gdi.h"
#include "platform/types.h"
#include "platform/windows.h"

using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ATOM = WORD;

struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HMENU__;
using HMENU = HMENU__*;

// Error codes of the window calls (GetLastError).
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_TLW_WITH_WSCHILD 1406L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
// Another process's window did not answer within the time it is given.
#define ERROR_TIMEOUT 1460L

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Messages (WM_ACTIVATE and its WA_ codes are in platform/windows.h).
#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_SETFOCUS 0x0007u
#define WM_KILLFOCUS 0x0008u
#define WM_SETTEXT 0x000Cu
#define WM_GETTEXT 0x000Du
#define WM_GETTEXTLENGTH 0x000Eu
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_ERASEBKGND 0x0014u
#define WM_SETTINGCHANGE 0x001Au
#define WM_SETFONT 0x0030u
#define WM_GETFONT 0x0031u
#define WM_NOTIFY 0x004Eu
#define WM_HELP 0x0053u
// lParam: the screen point, x in the low 16 bits and y in the high 16 bits.
#define WM_CONTEXTMENU 0x007Bu
#define WM_KEYDOWN 0x0100u
#define WM_KEYUP 0x0101u
#define WM_CHAR 0x0102u
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define WM_USER 0x0400u
#define WM_APP 0x8000u

// WM_SETTINGCHANGE's wParam when the screen's size or rotation has changed.
#define SETTINGCHANGE_RESET 0x3002u

// The key state of mouse messages: the stylus is down.
#define MK_LBUTTON 0x0001u

#define IDOK 1
#define IDCANCEL 2

#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_F1 0x70

// Window styles.
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_TABSTOP 0x00010000u

#define WS_EX_TOPMOST 0x00000008u
#define WS_EX_TOOLWINDOW 0x00000080u
#define WS_EX_NOACTIVATE 0x08000000u

// Class styles.
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define CS_DBLCLKS 0x0008u
#define CS_NOCLOSE 0x0200u

// Static control styles.
#define SS_LEFT 0x00000000u
#define SS_CENTER 0x00000001u
#define SS_RIGHT 0x00000002u
#define SS_NOPREFIX 0x00000080u

#define CW_USEDEFAULT (static_cast<int>(0x80000000u))

// ShowWindow commands beyond those of platform/windows.h.
#define SW_SHOWNOACTIVATE 4
#define SW_MINIMIZE 6
#define SW_SHOWNA 8
#define SW_RESTORE 9

// SetWindowPos
#define HWND_TOP (reinterpret_cast<HWND>(0))
#define HWND_BOTTOM (reinterpret_cast<HWND>(1))
#define HWND_TOPMOST (reinterpret_cast<HWND>(-1))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(-2))
#define SWP_NOSIZE 0x0001u
#define SWP_NOMOVE 0x0002u
#define SWP_NOZORDER 0x0004u
#define SWP_NOREDRAW 0x0008u
#define SWP_NOACTIVATE 0x0010u
#define SWP_SHOWWINDOW 0x0040u
#define SWP_HIDEWINDOW 0x0080u
#define SWP_NOOWNERZORDER 0x0200u

// GetWindowLongW / SetWindowLongW
#define GWL_WNDPROC (-4)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
// Dialogs: the result of the message being handled (read back by the dialog's window procedure
// when the dialog procedure returns nonzero), and one value for the program.
#define DWL_MSGRESULT 0
#define DWL_USER 8

// PeekMessageW
#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};
using LPCREATESTRUCTW = CREATESTRUCTW*;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

// WM_NOTIFY's lParam starts with this header.
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;

#define HELPINFO_WINDOW 0x0001
struct HELPINFO {
    UINT cbSize;
    int iContextType;
    int iCtrlId;
    HANDLE hItemHandle;
    DWORD dwContextId;
    POINT MousePos;
};
using LPHELPINFO = HELPINFO*;

// The 18-byte header of an in-memory dialog template. It is followed by 16-bit words: the menu
// (0: none), the window class (0: the dialog class) and the title (a zero-terminated UTF-16
// string), then, with DS_SETFONT, the font. Templates with controls are not supported: the
// system creates its controls in WM_INITDIALOG.
#pragma pack(push, 2)
struct DLGTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x;
    short y;
    short cx;
    short cy;
};
#pragma pack(pop)
using LPCDLGTEMPLATEW = const DLGTEMPLATE*;

#define DS_SETFONT 0x40u

ATOM RegisterClassW(const WNDCLASSW* windowClass);
// Fails while windows of the class exist.
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);

// For a child window (WS_CHILD), menu is its control identifier. WM_CREATE gets a
// CREATESTRUCTW; -1 from it destroys the window and the call returns null.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
// Only from the window's own thread. WM_DESTROY goes to the window, then to its children; the
// children's handles go first.
BOOL DestroyWindow(HWND hwnd);

// -1 for a bad window filter; 0 on WM_QUIT.
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags);
// Screen coordinates.
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR text, int maxCount);
LONG GetWindowLongW(HWND hwnd, int index);
LONG SetWindowLongW(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// The running program's module for a null name; named modules are not looked up.
HMODULE GetModuleHandleW(LPCWSTR moduleName);
// Only windows of the calling thread take the focus; returns the previous focus window.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND GetDlgItem(HWND dialog, int id);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
HWND GetParent(HWND hwnd);
// The device's top-level windows, of every process, front to back, until the callback returns
// FALSE.
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);
BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam);
// The window's class name (of any process's window); its length, 0 on failure.
int GetClassNameW(HWND hwnd, LPWSTR className, int maxCount);

// Runs the dialog modally on the calling thread: the window is created hidden, receives
// WM_INITDIALOG with param, is shown when the template has WS_VISIBLE, and the thread's messages
// are dispatched until EndDialog is called for it. Returns EndDialog's result, -1 when the
// dialog cannot be created. A WM_QUIT ends the loop too (returning 0) and is posted again.
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner,
                                DLGPROC dialogProc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);

// The Pocket PC shell's dialog calls.
#define SHIDIM_FLAGS 0x0001u
#define SHIDIF_DONEBUTTON 0x0001u
#define SHIDIF_SIZEDLG 0x0002u
#define SHIDIF_SIPDOWN 0x0008u

// What a full-screen dialog leaves of the screen: the caption bar above it (title and "ok"
// button) and the menu bar below it, each 26 pixels high as on the device's 240 x 320 screen.
#define SH_CAPTION_HEIGHT 26
#define SH_MENUBAR_HEIGHT 26

namespace platform {

// Whether a screen is a handheld's: at most 480 x 800 pixels either way round (the largest
// screens the device's shell was made for: 240 x 320, 480 x 640, 480 x 800). There a full-screen
// dialog fills the screen as on the device. On a larger screen, a desktop's, it is an ordinary
// window of the desktop of a VGA handheld's 480 x 640 pixels (its bars included), within the
// screen, as the help's window is.
bool IsHandheldScreen(int width, int height);
constexpr int desktopWindowWidth = 480;
constexpr int desktopWindowHeight = 640;

// Gives the process a private runtime directory (XDG_RUNTIME_DIR, mode 0700, below /tmp) when
// the session has none, as when a program runs as root or from a service; Qt asks for one.
void ProvideRuntimeDirectory();

} // namespace platform

struct SHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
};
using PSHINITDLGINFO = SHINITDLGINFO*;

#define SHCMBF_EMPTYBAR 0x0001u

// cbSize: 36 as on the device, or sizeof(SHMENUBARINFO).
struct SHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    COLORREF clrBk;
};
using PSHMENUBARINFO = SHMENUBARINFO*;

// The shell's bookkeeping of a dialog's input panel. cbSize: 12 as on the device, or
// sizeof(SHACTIVATEINFO).
struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
};
using PSHACTIVATEINFO = SHACTIVATEINFO*;

// SHIDIF_DONEBUTTON gives the dialog the caption's "ok" button (WM_COMMAND, IDOK, lParam 0);
// SHIDIF_SIZEDLG places it between the caption bar and the menu bar, across the screen.
BOOL SHInitDialog(PSHINITDLGINFO info);
// Records that the window has a menu bar (SHCMBF_EMPTYBAR: an empty one) and returns its
// window, a hidden child of class "menu_worker", in hwndMB.
BOOL SHCreateMenuBar(PSHMENUBARINFO info);
// There is no input panel: these keep the bookkeeping (the focus to give back on activation)
// and, on a settings change, fit a SHIDIF_SIZEDLG dialog to the screen again.
BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, PSHACTIVATEINFO info, DWORD flags);
BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, PSHACTIVATEINFO info);

// The Pocket PC shell's tap-and-hold notification (WM_NOTIFY): the point in screen
// coordinates, and what the control says was held (a list view: the item's index).
#define GN_CONTEXTMENU 1000u
struct NMRGINFO {
    NMHDR hdr;
    POINT ptAction;
    DWORD dwItemSpec;
};
using PNMRGINFO = NMRGINFO*;

// The input panel. There is none on a desktop: SipShowIM does nothing there and succeeds.
#define SIPF_OFF 0x00000000u
#define SIPF_ON 0x00000001u
BOOL SipShowIM(DWORD flags);

// Pop-up menus of text items.
#define MF_STRING 0x00000000u
#define TPM_RETURNCMD 0x0100u

struct TPMPARAMS;
using LPTPMPARAMS = TPMPARAMS*;

HMENU CreatePopupMenu();
// Only MF_STRING items; any other flag fails with ERROR_INVALID_PARAMETER.
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text);
// Shows the menu at the screen point until the person chooses an item or dismisses it, on the
// thread of the owner, a window of the calling thread. With TPM_RETURNCMD the result is the
// chosen item's identifier, 0 when dismissed; without it, the choice is posted to the owner as
// WM_COMMAND and the result is nonzero when an item was chosen. Alignment flags and params are
// not used. Without a display, the choice is the one a test queued
// (platform::QueueMenuChoice, platform/testing.h), else the menu is dismissed.
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
BOOL DestroyMenu(HMENU menu);

// Icons are 32-bit images with transparency, usually 32 x 32 pixels.
BOOL DestroyIcon(HICON icon);

// Resources of a module by number (platform/resources.h says where they live and their forms).
#define MAKEINTRESOURCEW(id)                                                                       \
    (reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id))))
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// The module's icon or bitmap of that number (MAKEINTRESOURCEW); a null module is the running
// program. Named resources are not supported. Null (ERROR_RESOURCE_NAME_NOT_FOUND) when the
// module holds no such resource or a damaged one. A bitmap comes with the colour depth of its
// image (24 bits) and is deleted with DeleteObject; an icon is destroyed with DestroyIcon.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);

// Icons of a program file on the device (a device path): count icons from the index-th one on,
// at their own size into large and at 16 x 16 into small, either of which may be null; a negative
// index takes the one icon whose number is minus the index. The number of icons extracted, 0 when
// the file cannot be read or holds no such icon; with index -1 and both arrays null, the number of
// icons the file holds.
UINT ExtractIconExW(LPCWSTR file, int index, HICON* large, HICON* small, UINT count);
