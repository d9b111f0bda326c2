#include "MacroListView.h"

#include <cstdint>
#include <cwchar>

#include "MacroFiles.h"
#include "SharedNames.h"
#include "platform/alerts.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace {

// Icon view with editable labels, sorted ascending, one item selected at a time, the
// selection shown even while the list has no focus.
constexpr DWORD listStyle =
    WS_CHILD | WS_VISIBLE | LVS_EDITLABELS | LVS_SORTASCENDING | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
// 75 pixels across, 68 down: three columns of icons with their labels on the device's screen.
constexpr LPARAM iconSpacing = 0x0044004B;
constexpr int iconSize = 32;
constexpr LONG labelFontHeight = 13;

// The shortcuts the installation package puts into the product's folder beside the macros.
constexpr const wchar_t* fixedEntries[] = {L"icon.lnk", L"Macros - Create.lnk",
                                           L"Macros - Show All.lnk", L"Macros - Useful Tips.lnk",
                                           L"Macros - About.lnk"};

constexpr std::size_t shortcutExtensionLength = 4; // ".lnk"

// The context menu's commands.
constexpr UINT editCommand = 1;
constexpr UINT renameCommand = 2;
constexpr UINT deleteCommand = 3;

// The size SHELLEXECUTEINFO has on the device, as the device's programs fill it in.
constexpr DWORD shellExecuteInfoSize = 60;

// What an empty library says, above the list, in the labels' font.
constexpr const wchar_t* emptyHint = L"No macros yet: tap the recorder's red button to record one.";
constexpr int hintId = 1001;
constexpr int hintMargin = 8;
constexpr int hintHeight = 60;

// While a macro plays, the window looks at its player this often between the messages it
// keeps handling.
constexpr DWORD playerCheckMs = 50;

bool IsFixedEntry(const wchar_t* fileName) {
    for (const wchar_t* entry : fixedEntries) {
        if (wcscasecmp(fileName, entry) == 0) {
            return true;
        }
    }
    return false;
}

// The program a shortcut's command line starts: the text between the first double quote and
// the next double quote or comma, or without a quote the text up to the first comma.
std::wstring ProgramOf(const std::wstring& commandLine) {
    const std::size_t quote = commandLine.find(L'"');
    if (quote == std::wstring::npos) {
        return commandLine.substr(0, commandLine.find(L','));
    }
    const std::size_t start = quote + 1;
    const std::size_t end = commandLine.find_first_of(L"\",", start);
    return commandLine.substr(start, end == std::wstring::npos ? end : end - start);
}

bool GetProgramsFolder(wchar_t (&folder)[MAX_PATH]) {
    return SHGetSpecialFolderPath(nullptr, folder, CSIDL_PROGRAMS, FALSE) != FALSE;
}

} // namespace

MacroListView::MacroListView(const std::wstring& pendingName)
    : pendingName(pendingName), listHwnd(nullptr), parentHwnd(nullptr), hintHwnd(nullptr),
      imageList(ImageList_Create(iconSize, iconSize, ILC_MASK, 0, 1)), font(nullptr) {
    LOGFONTW logFont{};
    logFont.lfHeight = labelFontHeight;
    logFont.lfWeight = FW_BOLD;
    std::wcsncpy(logFont.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
    font = CreateFontIndirectW(&logFont);
}

MacroListView::~MacroListView() {
    DeleteObject(font);
    ImageList_Destroy(imageList);
}

LRESULT MacroListView::OnNotify(HWND, WPARAM, NMHDR* header) {
    if (!header) {
        return 0;
    }
    switch (header->code) {
    case GN_CONTEXTMENU:
        ShowContextMenu(*reinterpret_cast<const NMRGINFO*>(header));
        return 1;
    case LVN_BEGINLABELEDITW:
        SipShowIM(SIPF_ON);
        return 0;
    case LVN_ENDLABELEDITW:
        SipShowIM(SIPF_OFF);
        return Rename(*reinterpret_cast<const NMLVDISPINFOW*>(header)) ? TRUE : FALSE;
    case NM_CLICK:
        StartSelected();
        return 0;
    default:
        return 0;
    }
}

void MacroListView::Create(HWND parent, int id) {
    parentHwnd = parent;
    RECT client{};
    GetClientRect(parent, &client);
    listHwnd =
        CreateWindowExW(0, WC_LISTVIEWW, L"", listStyle, 0, 0, client.right, client.bottom, parent,
                        reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
    SendMessageW(listHwnd, LVM_SETICONSPACING, 0, iconSpacing);
    SendMessageW(listHwnd, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(imageList));
    SendMessageW(listHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // Over the list, which it lets the stylus through to; shown while the list is empty.
    hintHwnd = CreateWindowExW(0, L"STATIC", emptyHint, WS_CHILD | SS_CENTER | SS_NOPREFIX,
                               hintMargin, hintMargin, client.right - 2 * hintMargin, hintHeight,
                               parent, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(hintId)),
                               nullptr, nullptr);
    SendMessageW(hintHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    Refresh();
}

void MacroListView::Refresh() {
    // The window may come to the front before its list is made; that activation has nothing to
    // fill and must leave the pending name to the list's own first refresh.
    if (!listHwnd) {
        return;
    }
    SetFocus(listHwnd);
    SendMessageW(listHwnd, LVM_DELETEALLITEMS, 0, 0);
    ImageList_Remove(imageList, -1);

    wchar_t programsFolder[MAX_PATH] = {};
    if (GetProgramsFolder(programsFolder)) {
        const std::wstring shortcutFolder = std::wstring(programsFolder) + L"\\" + productName;
        wchar_t pattern[MAX_PATH] = {};
        WIN32_FIND_DATAW found{};
        HANDLE search = swprintf(pattern, MAX_PATH, L"%ls\\*.lnk", shortcutFolder.c_str()) < 0
                            ? INVALID_HANDLE_VALUE
                            : FindFirstFileW(pattern, &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                // A folder that happens to end in ".lnk" starts nothing.
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !IsFixedEntry(found.cFileName)) {
                    AddItem(shortcutFolder, found.cFileName);
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    // The pending name applies to one filling of the list only.
    pendingName.clear();
    if (hintHwnd) {
        const bool empty = SendMessageW(listHwnd, LVM_GETITEMCOUNT, 0, 0) == 0;
        ShowWindow(hintHwnd, empty ? SW_SHOW : SW_HIDE);
    }
}

void MacroListView::Resize() {
    if (!listHwnd) {
        return;
    }
    RECT client{};
    GetClientRect(parentHwnd, &client);
    MoveWindow(listHwnd, 0, 0, client.right, client.bottom, FALSE);
    if (hintHwnd) {
        MoveWindow(hintHwnd, hintMargin, hintMargin, client.right - 2 * hintMargin, hintHeight,
                   FALSE);
    }
}

void MacroListView::AddItem(const std::wstring& shortcutFolder, const std::wstring& fileName) {
    std::wstring label = fileName.substr(0, fileName.size() - shortcutExtensionLength);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(SendMessageW(listHwnd, LVM_GETITEMCOUNT, 0, 0)) + 1;
    item.pszText = label.data();
    item.iImage = IconOf(shortcutFolder + L"\\" + fileName);
    const auto index = static_cast<int>(
        SendMessageW(listHwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (pendingName.empty() || index < 0 || label != pendingName) {
        return;
    }
    LVITEMW state{};
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(listHwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&state));
    SendMessageW(listHwnd, LVM_EDITLABELW, static_cast<WPARAM>(index), 0);
    pendingName.clear();
}

int MacroListView::IconOf(const std::wstring& shortcutPath) {
    wchar_t commandLine[MAX_PATH] = {};
    if (!SHGetShortcutTarget(shortcutPath.c_str(), commandLine, MAX_PATH)) {
        return 0;
    }
    HICON icon = nullptr;
    ExtractIconExW(ProgramOf(commandLine).c_str(), 0, &icon, nullptr, 1);
    if (!icon) {
        return 0;
    }
    // Every item gets its own copy, even when many share a program.
    const int index = ImageList_ReplaceIcon(imageList, -1, icon);
    DestroyIcon(icon);
    return index;
}

void MacroListView::ShowContextMenu(const NMRGINFO& info) {
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        return;
    }
    // Without a selected item, or without all three commands, the menu is not shown.
    int item = -1;
    if (SendMessageW(listHwnd, LVM_GETSELECTEDCOUNT, 0, 0) != 0 &&
        AppendMenuW(menu, MF_STRING, renameCommand, L"Rename") &&
        AppendMenuW(menu, MF_STRING, editCommand, L"Edit") &&
        AppendMenuW(menu, MF_STRING, deleteCommand, L"Delete")) {
        item = FindSelected();
    }
    if (item >= 0) {
        const auto command = static_cast<UINT>(TrackPopupMenuEx(
            menu, TPM_RETURNCMD, info.ptAction.x, info.ptAction.y, listHwnd, nullptr));
        switch (command) {
        case renameCommand:
            SendMessageW(listHwnd, LVM_EDITLABELW, static_cast<WPARAM>(item), 0);
            break;
        case editCommand:
            EditMacro(LabelOf(item));
            break;
        case deleteCommand:
            DeleteMacro(LabelOf(item));
            Refresh();
            break;
        default:
            break;
        }
    }
    DestroyMenu(menu);
}

bool MacroListView::Rename(const NMLVDISPINFOW& info) {
    // A cancelled edit brings no text: nothing is renamed and the old label stays.
    if (!info.item.pszText) {
        return false;
    }
    const std::wstring oldName = LabelOf(info.item.iItem);
    std::wstring reason;
    if (RenameMacro(oldName, info.item.pszText, &reason)) {
        return true;
    }
    // The person typed a name and sees the old one come back: say why.
    const std::wstring message = reason + L" The macro keeps the name \"" + oldName + L"\".";
    MessageBoxW(parentHwnd, message.c_str(), productName.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void MacroListView::StartSelected() {
    const int item = FindSelected();
    if (item < 0) {
        return;
    }
    wchar_t programsFolder[MAX_PATH] = {};
    if (!GetProgramsFolder(programsFolder)) {
        return;
    }
    const std::wstring shortcutPath = GetShortcutPath(programsFolder, LabelOf(item));
    SHELLEXECUTEINFO info{};
    info.cbSize = shellExecuteInfoSize;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = shortcutPath.c_str();
    if (ShellExecuteEx(&info) && info.hProcess) {
        StepAside(info.hProcess);
        CloseHandle(info.hProcess);
    }
}

// The macro's taps are meant for what lies under the window, the desktop or the program its
// first step brings up: the window hides while the player runs and comes back to the front
// with its list filled afresh when it has ended. Its messages keep being handled meanwhile, so
// that opening the library again (which shows this window) ends the wait at once.
void MacroListView::StepAside(HANDLE player) {
    ShowWindow(parentHwnd, SW_HIDE);
    MSG message{};
    while (!IsWindowVisible(parentHwnd) && WaitForSingleObject(player, 0) == WAIT_TIMEOUT) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            WaitForSingleObject(player, playerCheckMs);
            continue;
        }
        if (message.message == WM_QUIT) {
            // The thread's own loop must still see it.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    ShowWindow(parentHwnd, SW_SHOW);
    SetForegroundWindow(parentHwnd);
    // A window that stayed the front one while hidden is not activated again, so it refreshes
    // itself, as every return to the front does.
    Refresh();
}

int MacroListView::FindSelected() const {
    const auto count = static_cast<int>(SendMessageW(listHwnd, LVM_GETITEMCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        if (SendMessageW(listHwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) &
            LVIS_SELECTED) {
            return item;
        }
    }
    return -1;
}

std::wstring MacroListView::LabelOf(int item) const {
    wchar_t label[MAX_PATH] = {};
    LVITEMW request{};
    request.pszText = label;
    request.cchTextMax = MAX_PATH;
    SendMessageW(listHwnd, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&request));
    return label;
}
