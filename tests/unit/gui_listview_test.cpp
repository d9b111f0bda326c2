// The list view without a display, driven by messages as a program and a person drive it:
// sorted insertion, single selection, label editing and the parent's say in it, taps and
// tap-and-hold, and the notifications that reach the parent.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/commctrl.h"
#include "platform/gui.h"
#include "platform/testing.h"

namespace {

constexpr int listId = 1000;
constexpr DWORD libraryStyle =
    WS_CHILD | WS_VISIBLE | LVS_EDITLABELS | LVS_SORTASCENDING | LVS_SHOWSELALWAYS | LVS_SINGLESEL;

// One WM_NOTIFY as the parent read it.
struct Notice {
    UINT code = 0;
    WPARAM wParam = 0;
    UINT_PTR idFrom = 0;
    HWND from = nullptr;
    int item = -1;
    // The label or new text; "<null>" for a null text.
    std::wstring text;
    POINT point{};
};

std::vector<Notice> notices;
// What the parent answers to the label edit notifications.
LRESULT beginAnswer = 0;
LRESULT endAnswer = 1;
// Runs after a notice has been logged, before the parent answers.
std::function<void(const Notice&)> onNotice;

Notice Read(WPARAM wParam, const NMHDR& header) {
    Notice notice;
    notice.code = header.code;
    notice.wParam = wParam;
    notice.idFrom = header.idFrom;
    notice.from = header.hwndFrom;
    if (header.code == LVN_BEGINLABELEDITW || header.code == LVN_ENDLABELEDITW) {
        const auto& info = reinterpret_cast<const NMLVDISPINFOW&>(header);
        notice.item = info.item.iItem;
        notice.text = info.item.pszText ? info.item.pszText : L"<null>";
    } else if (header.code == NM_CLICK) {
        const auto& info = reinterpret_cast<const NMITEMACTIVATE&>(header);
        notice.item = info.iItem;
        notice.point = info.ptAction;
    } else if (header.code == GN_CONTEXTMENU) {
        const auto& info = reinterpret_cast<const NMRGINFO&>(header);
        notice.item = static_cast<int>(info.dwItemSpec);
        notice.point = info.ptAction;
    }
    return notice;
}

LRESULT ParentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_NOTIFY) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    const Notice notice = Read(wParam, *reinterpret_cast<const NMHDR*>(lParam));
    notices.push_back(notice);
    if (onNotice) {
        onNotice(notice);
    }
    switch (notice.code) {
    case LVN_BEGINLABELEDITW:
        return beginAnswer;
    case LVN_ENDLABELEDITW:
        return endAnswer;
    default:
        return 0;
    }
}

const wchar_t* const parentClass = L"List Parent";

class GuiListView : public ::testing::Test {
  protected:
    void SetUp() override {
        notices.clear();
        beginAnswer = 0;
        endAnswer = 1;
        onNotice = nullptr;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ParentProcedure;
        windowClass.lpszClassName = parentClass;
        ASSERT_NE(RegisterClassW(&windowClass), 0);
        parent = CreateWindowExW(0, parentClass, L"parent", WS_VISIBLE, 10, 20, 240, 268, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        list = MakeList(libraryStyle);
        ASSERT_NE(list, nullptr);
        // 75 pixels across, 68 down: three columns in 240 pixels.
        Send(LVM_SETICONSPACING, 0, 0x0044004B);
    }
    void TearDown() override {
        onNotice = nullptr;
        DestroyWindow(parent);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassW(parentClass, nullptr);
    }

    HWND MakeList(DWORD style) {
        return CreateWindowExW(0, L"SysListView32", L"", style, 0, 0, 240, 268, parent,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(listId)), nullptr,
                               nullptr);
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(list, message, wParam, lParam);
    }
    // As the library window inserts: at the end, text and image.
    int Insert(const std::wstring& label, HWND target = nullptr) {
        target = target ? target : list;
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(SendMessageW(target, LVM_GETITEMCOUNT, 0, 0)) + 1;
        std::wstring text = label;
        item.pszText = text.data();
        return static_cast<int>(
            SendMessageW(target, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    std::wstring Label(int index, HWND target = nullptr) {
        wchar_t buffer[MAX_PATH] = L"?";
        LVITEMW item{};
        item.pszText = buffer;
        item.cchTextMax = MAX_PATH;
        SendMessageW(target ? target : list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    std::vector<std::wstring> Labels(HWND target = nullptr) {
        target = target ? target : list;
        std::vector<std::wstring> labels;
        const int count = static_cast<int>(SendMessageW(target, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            labels.push_back(Label(i, target));
        }
        return labels;
    }
    bool Select(int index, UINT state = LVIS_SELECTED | LVIS_FOCUSED) {
        LVITEMW item{};
        item.state = state;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        return Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&item)) != 0;
    }
    std::vector<int> Selected() {
        std::vector<int> selected;
        const int count = static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            if (Send(LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) == LVIS_SELECTED) {
                selected.push_back(i);
            }
        }
        return selected;
    }
    RECT ItemRect(int index, int part) {
        RECT rect{part, 0, 0, 0};
        EXPECT_TRUE(
            Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)));
        return rect;
    }
    POINT IconCentre(int index) {
        const RECT icon = ItemRect(index, LVIR_ICON);
        return {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    }
    std::vector<UINT> Codes() {
        std::vector<UINT> codes;
        for (const Notice& notice : notices) {
            codes.push_back(notice.code);
        }
        return codes;
    }
    // Starts editing the item's label, types the text into the editor and presses the key.
    void EditAndPress(int index, const wchar_t* text, WPARAM key) {
        const auto edit = reinterpret_cast<HWND>(Send(LVM_EDITLABELW, index, 0));
        ASSERT_NE(edit, nullptr);
        SetWindowTextW(edit, text);
        SendMessageW(edit, WM_KEYDOWN, key, 0);
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    FixedDisplay display{240, 320};
    HWND parent = nullptr;
    HWND list = nullptr;
};

TEST_F(GuiListView, InsertionKeepsLabelsSortedWithoutRegardToCase) {
    EXPECT_EQ(Insert(L"beta"), 0);
    EXPECT_EQ(Insert(L"Gamma"), 1);
    EXPECT_EQ(Insert(L"alpha"), 0);
    EXPECT_EQ(Insert(L"Beta 2"), 2);
    // Equal labels keep their order of insertion.
    EXPECT_EQ(Insert(L"BETA"), 2);
    EXPECT_EQ(Insert(L"a.b"), 0);
    EXPECT_EQ(Insert(L""), 0);
    EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"", L"a.b", L"alpha", L"beta", L"BETA",
                                                   L"Beta 2", L"Gamma"}));
    EXPECT_EQ(Send(LVM_GETITEMCOUNT, 0, 0), 7);

    // Refused: a negative place, a sub-item, text asked for later.
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = -1;
    item.pszText = const_cast<wchar_t*>(L"x");
    EXPECT_EQ(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), -1);
    item.iItem = 0;
    item.iSubItem = 1;
    EXPECT_EQ(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), -1);
    item.iSubItem = 0;
    item.pszText = LPSTR_TEXTCALLBACKW;
    EXPECT_EQ(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), -1);
    EXPECT_EQ(Send(LVM_INSERTITEMW, 0, 0), -1);
    EXPECT_EQ(Send(LVM_GETITEMCOUNT, 0, 0), 7);

    // A short buffer gets the start of the label; a bad index an empty text.
    wchar_t buffer[4] = L"???";
    LVITEMW read{};
    read.pszText = buffer;
    read.cchTextMax = 4;
    EXPECT_EQ(Send(LVM_GETITEMTEXTW, 6, reinterpret_cast<LPARAM>(&read)), 3);
    EXPECT_EQ(std::wstring(buffer), L"Gam");
    EXPECT_EQ(Send(LVM_GETITEMTEXTW, 7, reinterpret_cast<LPARAM>(&read)), 0);
    EXPECT_EQ(std::wstring(buffer), L"");

    EXPECT_TRUE(Send(LVM_DELETEITEM, 0, 0));
    EXPECT_FALSE(Send(LVM_DELETEITEM, 6, 0));
    EXPECT_EQ(Labels().front(), L"a.b");
    EXPECT_TRUE(Send(LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(Send(LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(GuiListView, AnUnsortedListKeepsThePlaceAskedFor) {
    const HWND plain = MakeList(WS_CHILD | WS_VISIBLE);
    ASSERT_NE(plain, nullptr);
    // The library window asks for count + 1: the end.
    EXPECT_EQ(Insert(L"b", plain), 0);
    EXPECT_EQ(Insert(L"a", plain), 1);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"first");
    EXPECT_EQ(SendMessageW(plain, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(Labels(plain), (std::vector<std::wstring>{L"first", L"b", L"a"}));
}

TEST_F(GuiListView, SelectionIsSingleAndOneItemHasTheFocus) {
    for (const wchar_t* label : {L"a", L"b", L"c"}) {
        Insert(label);
    }
    EXPECT_EQ(Send(LVM_GETSELECTEDCOUNT, 0, 0), 0);
    EXPECT_TRUE(Select(0));
    EXPECT_TRUE(Select(2));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_EQ(Send(LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_EQ(Send(LVM_GETITEMSTATE, 2, LVIS_SELECTED | LVIS_FOCUSED),
              LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(Send(LVM_GETITEMSTATE, 0, LVIS_SELECTED | LVIS_FOCUSED), 0);
    // The state is read through the mask.
    EXPECT_EQ(Send(LVM_GETITEMSTATE, 2, LVIS_FOCUSED), LVIS_FOCUSED);

    // The focus alone moves without touching the selection.
    EXPECT_TRUE(Select(1, LVIS_FOCUSED));
    EXPECT_EQ(Send(LVM_GETITEMSTATE, 1, LVIS_SELECTED | LVIS_FOCUSED), LVIS_FOCUSED);
    EXPECT_EQ(Send(LVM_GETITEMSTATE, 2, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED);

    // Every item at once: cleared, but never all selected or all focused.
    EXPECT_FALSE(Select(-1, LVIS_SELECTED));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_TRUE(Select(-1, 0));
    EXPECT_EQ(Send(LVM_GETSELECTEDCOUNT, 0, 0), 0);
    EXPECT_FALSE(Select(3));
    EXPECT_EQ(Send(LVM_GETITEMSTATE, 3, LVIS_SELECTED), 0);
    EXPECT_FALSE(Send(LVM_SETITEMSTATE, 0, 0));

    // The selection moves with its item when a sorted insertion comes before it.
    EXPECT_TRUE(Select(0));
    Insert(L"0");
    EXPECT_EQ(Selected(), std::vector<int>{1});

    // Without LVS_SINGLESEL several items may be selected.
    const HWND multiple = MakeList(WS_CHILD | WS_VISIBLE | LVS_SORTASCENDING);
    Insert(L"x", multiple);
    Insert(L"y", multiple);
    LVITEMW item{};
    item.state = item.stateMask = LVIS_SELECTED;
    SendMessageW(multiple, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    SendMessageW(multiple, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(SendMessageW(multiple, LVM_GETSELECTEDCOUNT, 0, 0), 2);
}

TEST_F(GuiListView, ACommittedEditKeepsTheNewLabelWhenTheParentAgrees) {
    for (const wchar_t* label : {L"Apple", L"Banana", L"Cherry"}) {
        Insert(label);
    }
    Select(0);
    const auto edit = reinterpret_cast<HWND>(Send(LVM_EDITLABELW, 0, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetParent(edit), list);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(reinterpret_cast<HWND>(Send(LVM_GETEDITCONTROL, 0, 0)), edit);
    // The editor starts with the label, in the list's font, over the label.
    wchar_t text[MAX_PATH];
    GetWindowTextW(edit, text, MAX_PATH);
    EXPECT_EQ(std::wstring(text), L"Apple");
    RECT editRect{};
    RECT listRect{};
    GetWindowRect(edit, &editRect);
    GetWindowRect(list, &listRect);
    EXPECT_EQ(editRect.top - listRect.top, ItemRect(0, LVIR_LABEL).top);

    SetWindowTextW(edit, L"Zucchini");
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].code, LVN_BEGINLABELEDITW);
    EXPECT_EQ(notices[0].item, 0);
    EXPECT_EQ(notices[0].text, L"Apple");
    EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(listId));
    EXPECT_EQ(notices[0].idFrom, static_cast<UINT_PTR>(listId));
    EXPECT_EQ(notices[0].from, list);
    EXPECT_EQ(notices[1].code, LVN_ENDLABELEDITW);
    EXPECT_EQ(notices[1].item, 0);
    EXPECT_EQ(notices[1].text, L"Zucchini");
    // The editor is gone, the focus back on the list, and the new label sorted in its place,
    // still selected.
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(GetFocus(), list);
    EXPECT_EQ(Send(LVM_GETEDITCONTROL, 0, 0), 0);
    EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Banana", L"Cherry", L"Zucchini"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
}

TEST_F(GuiListView, ARefusedOrCancelledEditKeepsTheOldLabel) {
    Insert(L"Apple");
    Insert(L"Banana");

    // The parent refuses the new name.
    endAnswer = 0;
    EditAndPress(1, L"Apple", VK_RETURN);
    EXPECT_EQ(Codes(), (std::vector<UINT>{LVN_BEGINLABELEDITW, LVN_ENDLABELEDITW}));
    EXPECT_EQ(notices[1].text, L"Apple");
    EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Apple", L"Banana"}));

    // Escape cancels: no text at all, whatever the parent answers.
    notices.clear();
    endAnswer = 1;
    EditAndPress(1, L"Cherry", VK_ESCAPE);
    EXPECT_EQ(Codes(), (std::vector<UINT>{LVN_BEGINLABELEDITW, LVN_ENDLABELEDITW}));
    EXPECT_EQ(notices[1].text, L"<null>");
    EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Apple", L"Banana"}));
    EXPECT_EQ(Send(LVM_GETEDITCONTROL, 0, 0), 0);

    // The parent may refuse to let editing begin.
    notices.clear();
    beginAnswer = 1;
    EXPECT_EQ(Send(LVM_EDITLABELW, 0, 0), 0);
    EXPECT_EQ(Codes(), std::vector<UINT>{LVN_BEGINLABELEDITW});
    EXPECT_EQ(Send(LVM_EDITLABELW, 5, 0), 0);
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(GuiListView, AnEditEndsWhenTheFocusLeavesOrTheListChanges) {
    Insert(L"Apple");
    Insert(L"Banana");

    // The list taking the focus back (as a refresh does) commits the text typed so far.
    auto edit = reinterpret_cast<HWND>(Send(LVM_EDITLABELW, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"Cherry");
    SetFocus(list);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(GetFocus(), list);
    EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Banana", L"Cherry"}));

    // A second edit commits the first before it begins.
    notices.clear();
    edit = reinterpret_cast<HWND>(Send(LVM_EDITLABELW, 0, 0));
    SetWindowTextW(edit, L"Date");
    const auto second = reinterpret_cast<HWND>(Send(LVM_EDITLABELW, 0, 0));
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Cherry", L"Date"}));
    // Index 0 is Cherry now.
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[2].code, LVN_BEGINLABELEDITW);
    EXPECT_EQ(notices[2].text, L"Cherry");

    // Emptying the list cancels the edit under way; so does LVM_CANCELEDITLABEL.
    notices.clear();
    EXPECT_TRUE(Send(LVM_DELETEALLITEMS, 0, 0));
    EXPECT_FALSE(IsWindow(second));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, L"<null>");
    Insert(L"Elder");
    notices.clear();
    ASSERT_NE(Send(LVM_EDITLABELW, 0, 0), 0);
    Send(LVM_CANCELEDITLABEL, 0, 0);
    EXPECT_EQ(Codes(), (std::vector<UINT>{LVN_BEGINLABELEDITW, LVN_ENDLABELEDITW}));
    EXPECT_EQ(notices[1].text, L"<null>");
    EXPECT_EQ(Labels(), std::vector<std::wstring>{L"Elder"});
}

TEST_F(GuiListView, AnEditFollowsItsItemWhileOtherItemsMoveIt) {
    Insert(L"Mango");
    const auto edit = reinterpret_cast<HWND>(Send(LVM_EDITLABELW, 0, 0));
    ASSERT_NE(edit, nullptr);
    // True when the editor lies at the item's label, in the list's client area.
    const auto overLabel = [&](int index) {
        RECT editRect{};
        RECT listRect{};
        GetWindowRect(edit, &editRect);
        GetWindowRect(list, &listRect);
        const RECT label = ItemRect(index, LVIR_LABEL);
        return editRect.left - listRect.left == label.left &&
               editRect.top - listRect.top == label.top;
    };
    // Labels sorting before it push it on, to the next row; a deletion before it and another
    // icon spacing move it again.
    for (const wchar_t* label : {L"Apple", L"Banana", L"Cherry"}) {
        Insert(label);
    }
    ASSERT_EQ(Label(3), L"Mango");
    EXPECT_TRUE(overLabel(3));
    EXPECT_TRUE(Send(LVM_DELETEITEM, 0, 0));
    EXPECT_TRUE(overLabel(2));
    Send(LVM_SETICONSPACING, 0, 0x00500050);
    EXPECT_TRUE(overLabel(2));

    // The text typed goes to that item.
    SetWindowTextW(edit, L"Zucchini");
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Codes(), (std::vector<UINT>{LVN_BEGINLABELEDITW, LVN_ENDLABELEDITW}));
    EXPECT_EQ(notices[1].item, 2);
    EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Banana", L"Cherry", L"Zucchini"}));
}

TEST_F(GuiListView, ATestEndsAnEditAsAPersonWould) {
    Insert(L"Apple");
    EXPECT_FALSE(platform::EndLabelEdit(list, L"Pear"));
    ASSERT_NE(Send(LVM_EDITLABELW, 0, 0), 0);
    EXPECT_TRUE(platform::EndLabelEdit(list, L"Pear"));
    ASSERT_NE(Send(LVM_EDITLABELW, 0, 0), 0);
    EXPECT_TRUE(platform::EndLabelEdit(list, nullptr));
    EXPECT_EQ(Codes(), (std::vector<UINT>{LVN_BEGINLABELEDITW, LVN_ENDLABELEDITW,
                                          LVN_BEGINLABELEDITW, LVN_ENDLABELEDITW}));
    EXPECT_EQ(notices[1].text, L"Pear");
    EXPECT_EQ(notices[3].text, L"<null>");
    EXPECT_EQ(Labels(), std::vector<std::wstring>{L"Pear"});
    EXPECT_FALSE(platform::EndLabelEdit(nullptr, nullptr));
}

TEST_F(GuiListView, ItemsFillRowsOfTheIconSpacing) {
    for (const wchar_t* label : {L"a", L"b", L"c", L"d"}) {
        Insert(label);
    }
    // Three 75-pixel columns fit in 240 pixels; the icon is centred in its cell, the label
    // below it.
    const RECT first = ItemRect(0, LVIR_ICON);
    EXPECT_EQ(first.left, (75 - 32) / 2);
    EXPECT_EQ(first.right - first.left, 32);
    EXPECT_EQ(ItemRect(2, LVIR_ICON).left, 150 + (75 - 32) / 2);
    EXPECT_EQ(ItemRect(3, LVIR_ICON).left, first.left);
    EXPECT_EQ(ItemRect(3, LVIR_ICON).top, first.top + 68);
    const RECT label = ItemRect(0, LVIR_LABEL);
    EXPECT_GT(label.top, first.bottom);
    EXPECT_LE(label.bottom, 68);
    const RECT bounds = ItemRect(0, LVIR_BOUNDS);
    EXPECT_EQ(bounds.top, first.top);
    EXPECT_EQ(bounds.bottom, label.bottom);
    RECT bad{LVIR_ICON, 0, 0, 0};
    EXPECT_FALSE(Send(LVM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&bad)));

    // The spacing's previous value comes back; -1 each way is the default.
    EXPECT_EQ(Send(LVM_SETICONSPACING, 0, static_cast<LPARAM>(0xFFFFFFFFu)), 0x0044004B);
    EXPECT_EQ(Send(LVM_SETICONSPACING, 0, 0x0044004B), 0x004B004B);
}

TEST_F(GuiListView, ATapSelectsTheItemAndTellsTheParent) {
    for (const wchar_t* label : {L"a", L"b", L"c", L"d"}) {
        Insert(label);
    }
    Select(0);
    const POINT at = IconCentre(3);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    // Selected on the way down, told on the way up.
    EXPECT_EQ(Selected(), std::vector<int>{3});
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(GetFocus(), list);
    Send(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].code, NM_CLICK);
    EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(listId));
    EXPECT_EQ(notices[0].idFrom, static_cast<UINT_PTR>(listId));
    EXPECT_EQ(notices[0].from, list);
    EXPECT_EQ(notices[0].item, 3);
    EXPECT_EQ(notices[0].point.x, at.x);
    EXPECT_EQ(notices[0].point.y, at.y);

    // Beside the items: nothing stays selected, and the parent hears of a tap on no item.
    notices.clear();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(230, 250));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(230, 250));
    EXPECT_EQ(Send(LVM_GETSELECTEDCOUNT, 0, 0), 0);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].item, -1);

    // A release without a press is no tap.
    notices.clear();
    Send(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_TRUE(notices.empty());
}

TEST_F(GuiListView, TapAndHoldSelectsTheItemAndTakesTheTap) {
    for (const wchar_t* label : {L"a", L"b", L"c"}) {
        Insert(label);
    }
    RECT client{};
    GetWindowRect(list, &client);
    const POINT at = IconCentre(1);
    const POINT screen{client.left + at.x, client.top + at.y};
    // The parent is at (10, 20) on the screen.
    EXPECT_EQ(screen.x, 10 + at.x);

    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(screen.x, screen.y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].code, GN_CONTEXTMENU);
    EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(listId));
    EXPECT_EQ(notices[0].idFrom, static_cast<UINT_PTR>(listId));
    EXPECT_EQ(notices[0].item, 1);
    EXPECT_EQ(notices[0].point.x, screen.x);
    EXPECT_EQ(notices[0].point.y, screen.y);
    EXPECT_EQ(Selected(), std::vector<int>{1});

    // Held beside the items: nothing.
    notices.clear();
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
         MAKELPARAM(client.left + 230, client.top + 250));
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(Selected(), std::vector<int>{1});
}

TEST_F(GuiListView, AParentThatDestroysTheListWhileToldIsSafe) {
    Insert(L"a");
    onNotice = [this](const Notice&) { DestroyWindow(list); };
    const POINT at = IconCentre(0);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(Codes(), std::vector<UINT>{NM_CLICK});
    EXPECT_FALSE(IsWindow(list));

    list = MakeList(libraryStyle);
    Insert(L"b");
    notices.clear();
    const auto edit = reinterpret_cast<HWND>(Send(LVM_EDITLABELW, 0, 0));
    // Destroyed at the beginning of the edit: no editor.
    EXPECT_EQ(edit, nullptr);
    EXPECT_FALSE(IsWindow(list));
}

// The parent is a dialog: its answer travels through DWL_MSGRESULT.
struct DialogRun {
    HWND list = nullptr;
    LRESULT answer = 0;
    std::vector<std::wstring> labels;
};

INT_PTR LibraryDialogProcedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    static DialogRun* run = nullptr;
    switch (message) {
    case WM_INITDIALOG: {
        run = reinterpret_cast<DialogRun*>(lParam);
        run->list = CreateWindowExW(0, L"SysListView32", L"", libraryStyle, 0, 0, 240, 268, dialog,
                                    reinterpret_cast<HMENU>(static_cast<std::intptr_t>(listId)),
                                    nullptr, nullptr);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"Old");
        SendMessageW(run->list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        PostMessageW(dialog, WM_APP, 0, 0);
        return TRUE;
    }
    case WM_APP: {
        const auto edit = reinterpret_cast<HWND>(SendMessageW(run->list, LVM_EDITLABELW, 0, 0));
        SetWindowTextW(edit, L"New");
        SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        wchar_t buffer[MAX_PATH];
        LVITEMW item{};
        item.pszText = buffer;
        item.cchTextMax = MAX_PATH;
        SendMessageW(run->list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        run->labels.push_back(buffer);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == LVN_ENDLABELEDITW) {
            SetWindowLongW(dialog, DWL_MSGRESULT, static_cast<LONG>(run->answer));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

TEST_F(GuiListView, ADialogAnswersThroughItsMessageResult) {
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } dialogTemplate{{WS_POPUP, 0, 0, 0, 0, 160, 160}, 0, 0, 0};
    for (const LRESULT answer : {LRESULT{1}, LRESULT{0}}) {
        DialogRun run;
        run.answer = answer;
        // A dialog that never ends is ended from outside, failing the test.
        std::mutex mutex;
        std::condition_variable finished;
        bool over = false;
        std::thread watchdog([&] {
            std::unique_lock lock(mutex);
            if (!finished.wait_for(lock, std::chrono::seconds(10), [&] { return over; })) {
                ADD_FAILURE() << "the dialog did not end";
                EndDialog(GetParent(run.list), -2);
            }
        });
        const INT_PTR result =
            DialogBoxIndirectParamW(nullptr, &dialogTemplate.header, nullptr,
                                    LibraryDialogProcedure, reinterpret_cast<LPARAM>(&run));
        {
            std::lock_guard lock(mutex);
            over = true;
        }
        finished.notify_all();
        watchdog.join();
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(run.labels, std::vector<std::wstring>{answer ? L"New" : L"Old"});
    }
}

} // namespace
