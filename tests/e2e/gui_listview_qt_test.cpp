// A list view on a private Xvfb, as a person meets it: three macros drawn with the player's
// icon and their labels, a tap that selects an item and tells the dialog, tap-and-hold and a
// right click that open the context menu, and a label edited in place.
//
// This binary doubles as its child program (TAPWEAVE_LISTVIEW_QT_ROLE set): a full-screen
// dialog with a list view as the macro library window builds it, which reports on standard
// output what the list tells it and ends itself after a minute at most.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "Xdo.h"
#include "XvfbServer.h"
#include "platform/commctrl.h"
#include "platform/gui.h"
#include "platform/text.h"

namespace {

using namespace std::chrono_literals;

constexpr int screenWidth = 240;
constexpr int screenHeight = 320;
constexpr int listId = 1000;
// The library window's grid: 75 pixels across, 68 down; icons 32 pixels, 2 below the cell's
// top, labels 2 below the icons.
constexpr int cellWidth = 75;
constexpr int cellHeight = 68;
constexpr int iconLeft = (cellWidth - 32) / 2;
constexpr int iconTop = 2;
constexpr int labelTop = iconTop + 32 + 2;
const char* const programPath = "Program Files/Tapweave/Player.exe";

// --- The child program ----------------------------------------------------------------------

void Say(const char* format, ...) {
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line - 1, format, arguments);
    va_end(arguments);
    if (length > 0) {
        line[length] = '\n';
        [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, line, length + 1);
    }
}

HWND list = nullptr;
int playerImage = 0;

void Insert(const wchar_t* label, int image) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) + 1;
    item.pszText = const_cast<wchar_t*>(label);
    item.iImage = image;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void MakeList(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    list = CreateWindowExW(0, WC_LISTVIEWW, L"", 0x5000021C, 0, 0, client.right, client.bottom,
                           dialog, reinterpret_cast<HMENU>(listId), nullptr, nullptr);
    SendMessageW(list, LVM_SETICONSPACING, 0, 0x0044004B);
    const HIMAGELIST images = ImageList_Create(32, 32, ILC_MASK, 0, 1);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    LOGFONTW description{};
    description.lfHeight = 13;
    description.lfWeight = FW_BOLD;
    std::wcscpy(description.lfFaceName, L"Tahoma");
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectW(&description)), 1);
    HICON icon = nullptr;
    playerImage = ExtractIconExW(L"\\Program Files\\Tapweave\\Player.exe", 0, &icon, nullptr, 1)
                      ? ImageList_ReplaceIcon(images, -1, icon)
                      : 0;
    DestroyIcon(icon);
    // Inserted out of order: the list sorts them.
    for (const wchar_t* label : {L"Gamma", L"alpha", L"Beta"}) {
        Insert(label, playerImage);
    }
    SetFocus(list);
}

// The context menu as the library window makes it; Rename starts editing the label.
void ContextMenu(const NMRGINFO& info) {
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 2, L"Rename");
    AppendMenuW(menu, MF_STRING, 1, L"Edit");
    AppendMenuW(menu, MF_STRING, 3, L"Delete");
    const BOOL chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD, static_cast<int>(info.ptAction.x),
                                         static_cast<int>(info.ptAction.y), list, nullptr);
    DestroyMenu(menu);
    Say("menu %d", chosen);
    if (chosen == 2) {
        SendMessageW(list, LVM_EDITLABELW, info.dwItemSpec, 0);
    }
}

LRESULT Notified(const NMHDR& header) {
    switch (header.code) {
    case NM_CLICK:
        Say("click %d", reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
        return 0;
    case GN_CONTEXTMENU: {
        const auto& info = reinterpret_cast<const NMRGINFO&>(header);
        Say("hold %lu %d %d", static_cast<unsigned long>(info.dwItemSpec),
            static_cast<int>(info.ptAction.x), static_cast<int>(info.ptAction.y));
        ContextMenu(info);
        return 1;
    }
    case LVN_BEGINLABELEDITW:
        Say("begin %d", reinterpret_cast<const NMLVDISPINFOW&>(header).item.iItem);
        // Asked for: an item comes while the label is being edited, as a refresh adds them.
        if (std::getenv("TAPWEAVE_LISTVIEW_QT_INSERT")) {
            PostMessageW(GetParent(list), WM_APP, 0, 0);
        }
        return 0;
    case LVN_ENDLABELEDITW: {
        const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
        Say("end %s", item.pszText ? platform::Utf8(item.pszText).c_str() : "<null>");
        return 1;
    }
    default:
        return 0;
    }
}

// What the list holds, in order.
void SayItems() {
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[MAX_PATH];
        LVITEMW item{};
        item.pszText = buffer;
        item.cchTextMax = MAX_PATH;
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        Say("item %s", platform::Utf8(buffer).c_str());
    }
}

INT_PTR DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SHINITDLGINFO shell{SHIDIM_FLAGS, hwnd, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG};
        SHInitDialog(&shell);
        SetWindowTextW(hwnd, L"Tapweave");
        MakeList(hwnd);
        SetForegroundWindow(hwnd);
        Say("ready");
        return TRUE;
    }
    case WM_NOTIFY:
        if (wParam == listId) {
            SetWindowLongW(hwnd, DWL_MSGRESULT,
                           static_cast<LONG>(Notified(*reinterpret_cast<const NMHDR*>(lParam))));
            return TRUE;
        }
        return FALSE;
    case WM_APP: {
        const char* label = std::getenv("TAPWEAVE_LISTVIEW_QT_INSERT");
        const std::wstring wide(label, label + std::strlen(label));
        Insert(wide.c_str(), playerImage);
        Say("inserted");
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            SayItems();
            EndDialog(hwnd, IDOK);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

int RunDialog() {
    alignas(4) WORD block[32] = {};
    reinterpret_cast<DLGTEMPLATE*>(block)->style = WS_VISIBLE;
    DialogBoxIndirectParamW(nullptr, reinterpret_cast<DLGTEMPLATE*>(block), nullptr,
                            DialogProcedure, 0);
    Say("ended");
    return 0;
}

[[maybe_unused]] const bool childRole = [] {
    if (!std::getenv("TAPWEAVE_LISTVIEW_QT_ROLE")) {
        return false;
    }
    alarm(60);
    _exit(RunDialog());
}();

// --- The test side --------------------------------------------------------------------------

class GuiListViewQt : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        static XvfbServer server(screenWidth, screenHeight);
        ASSERT_TRUE(server.Running()) << server.Error();
        environment.emplace("DISPLAY", server.Name().c_str());
        static ::Display* held = nullptr;
        WaitUntil([&] { return (held = held ? held : XOpenDisplay(nullptr)) != nullptr; });
        ASSERT_NE(held, nullptr);
        x = held;
        device.emplace();
        // The player's icon, in the program file where the library window looks for it.
        std::filesystem::create_directories(
            std::filesystem::path(device->Host(programPath)).parent_path());
        std::filesystem::copy_file(TAPWEAVE_BIN_DIR "/libtapweave-test-player.so",
                                   device->Host(programPath));
        StartChild();
    }
    // The child program with the test's display and device, on the Qt backend; an item to
    // insert while a label is being edited, when given.
    void StartChild(std::optional<std::string> insert = std::nullopt) {
        child.reset();
        child.emplace(std::vector<std::string>{"/proc/self/exe"},
                      ChildProcess::Options{.environment = {{"TAPWEAVE_LISTVIEW_QT_ROLE", "1"},
                                                            {"TAPWEAVE_LISTVIEW_QT_INSERT", insert},
                                                            {"WAYLAND_DISPLAY", std::nullopt},
                                                            {"QT_QPA_PLATFORM", std::nullopt},
                                                            {"TAPWEAVE_GUI", std::nullopt},
                                                            {"TAPWEAVE_SCREEN", std::nullopt}},
                                            .output = ChildProcess::Stream::Capture,
                                            .name = "listview-qt-child"});
        ASSERT_TRUE(child->WaitForLine("ready"));
        ASSERT_TRUE(WaitUntil([&] { return ListShown(); })) << "the list is not drawn";
    }
    void TearDown() override {
        child.reset();
        device.reset();
        environment.reset();
    }

    // A cell's place on the screen: the list fills the dialog's client area, below the caption.
    static int CellX(int index) { return (index % 3) * cellWidth; }
    static int CellY(int index) { return SH_CAPTION_HEIGHT + (index / 3) * cellHeight; }
    static std::string IconCentre(int index) {
        return std::to_string(CellX(index) + iconLeft + 16) + " " +
               std::to_string(CellY(index) + iconTop + 16);
    }

    // How many pixels of the area are dark, white, of the icon's green, of the highlight blue.
    struct Counts {
        int dark = 0;
        int white = 0;
        int green = 0;
        int blue = 0;
    };
    Counts Count(int left, int top, int width, int height) const {
        Counts counts;
        XImage* image =
            XGetImage(x, DefaultRootWindow(x), left, top, width, height, AllPlanes, ZPixmap);
        for (int row = 0; image && row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                const unsigned long pixel = XGetPixel(image, column, row);
                const int red = static_cast<int>((pixel >> 16) & 0xFF);
                const int green = static_cast<int>((pixel >> 8) & 0xFF);
                const int blue = static_cast<int>(pixel & 0xFF);
                counts.dark += red + green + blue < 200;
                counts.white += red + green + blue > 700;
                counts.green += green > 120 && red < 80 && blue < 100;
                counts.blue += blue > 150 && red < 90 && green < 140;
            }
        }
        if (image) {
            XDestroyImage(image);
        }
        return counts;
    }
    Counts Label(int index) const {
        return Count(CellX(index) + 1, CellY(index) + labelTop, cellWidth - 2, 16);
    }
    // Black text on white: a screen without the window is black.
    bool LabelShown(int index) const {
        const Counts label = Label(index);
        return label.dark > 10 && label.white > 300;
    }
    // The dialog's caption bar, then the first label.
    bool ListShown() const {
        return Count(0, 0, 60, SH_CAPTION_HEIGHT).blue > 300 && LabelShown(0);
    }

    ::Display* x = nullptr;
    std::optional<ScopedEnvironment> environment;
    std::optional<TempDevice> device;
    std::optional<ChildProcess> child;
};

TEST_F(GuiListViewQt, ThreeItemsAreDrawnSortedWithTheirIconsAndLabels) {
    // Kept with the build for a person to look at.
    const std::filesystem::path artifacts =
        std::filesystem::path(TAPWEAVE_BIN_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    const std::string screenshot = (artifacts / "gui_listview_qt.png").string();
    std::filesystem::remove(screenshot);
    EXPECT_EQ(RunTool({"import", "-window", "root", screenshot}).exitCode, 0);

    for (int index = 0; index < 3; ++index) {
        const Counts icon = Count(CellX(index) + iconLeft, CellY(index) + iconTop, 32, 32);
        EXPECT_GT(icon.green, 20) << index;
        EXPECT_LT(icon.white, 32 * 32 - 100) << index;
        EXPECT_GT(Label(index).dark, 10) << index;
    }
    // Nothing on the second row, nothing selected.
    EXPECT_EQ(Count(0, CellY(3), screenWidth, cellHeight).dark, 0);
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(Label(index).blue, 0) << index;
    }
}

TEST_F(GuiListViewQt, ATapSelectsTheItemAndTellsTheDialog) {
    ASSERT_TRUE(Xdo("mousemove " + IconCentre(1) + " click 1"));
    EXPECT_EQ(child->WaitForLine("click "), "click 1");
    // The label of the selected item is on the highlight colour.
    EXPECT_TRUE(WaitUntil([&] { return Label(1).blue > 20; }));
    EXPECT_EQ(Label(0).blue, 0);
}

TEST_F(GuiListViewQt, ARightClickOpensTheMenuAndRenameEditsTheLabel) {
    ASSERT_TRUE(Xdo("mousemove " + IconCentre(2) + " click 3"));
    EXPECT_EQ(child->WaitForLine("hold "), "hold 2 " + IconCentre(2));
    // Dismissed first, then Rename, the menu's first item.
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("key Escape"));
    EXPECT_EQ(child->WaitForLine("menu "), "menu 0");
    ASSERT_TRUE(Xdo("mousemove " + IconCentre(2) + " click 3"));
    ASSERT_TRUE(child->WaitForLine("hold "));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("key Down Return"));
    EXPECT_EQ(child->WaitForLine("menu "), "menu 2");
    EXPECT_EQ(child->WaitForLine("begin "), "begin 2");

    // The whole label is selected in the editor: typing replaces it.
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("type --delay 20 Able"));
    ASSERT_TRUE(Xdo("key Return"));
    EXPECT_EQ(child->WaitForLine("end "), "end Able");
    // "Able" sorts first; the dialog's ok button ends it, and it reports the list.
    ASSERT_TRUE(Xdo("mousemove " + std::to_string(screenWidth - 13) + " 13 click 1"));
    EXPECT_EQ(child->WaitForLine("item "), "item Able");
    EXPECT_EQ(child->WaitForLine("item "), "item alpha");
    EXPECT_EQ(child->WaitForLine("item "), "item Beta");
}

TEST_F(GuiListViewQt, TapAndHoldOpensTheMenuWithoutATap) {
    ASSERT_TRUE(Xdo("mousemove " + IconCentre(0) + " mousedown 1"));
    EXPECT_EQ(child->WaitForLine("hold ", 5s), "hold 0 " + IconCentre(0));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("key Escape"));
    EXPECT_EQ(child->WaitForLine("menu "), "menu 0");
    ASSERT_TRUE(Xdo("mouseup 1"));
    // The hold took the stroke: no tap follows; an Escape in the editor cancels.
    EXPECT_FALSE(child->WaitForLine("click ", 500ms));

    ASSERT_TRUE(Xdo("mousedown 1"));
    ASSERT_TRUE(child->WaitForLine("hold "));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("key Down Return"));
    ASSERT_TRUE(Xdo("mouseup 1"));
    EXPECT_EQ(child->WaitForLine("begin "), "begin 0");
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("type --delay 20 Zed"));
    ASSERT_TRUE(Xdo("key Escape"));
    EXPECT_EQ(child->WaitForLine("end "), "end <null>");
    // The editor is gone, the label there again, selected.
    EXPECT_TRUE(WaitUntil([&] { return Label(0).blue > 20; }));
}

TEST_F(GuiListViewQt, TheEditorFollowsItsLabelWhenAnItemComesBeforeIt) {
    StartChild("Aaa");
    ASSERT_TRUE(Xdo("mousemove " + IconCentre(2) + " click 3"));
    ASSERT_TRUE(child->WaitForLine("hold "));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("key Down Return"));
    EXPECT_EQ(child->WaitForLine("begin "), "begin 2");
    ASSERT_TRUE(child->WaitForLine("inserted"));
    // "Gamma" went on to the next row, and its editor with it: the label now in its old place
    // is drawn, and the new place is not empty.
    EXPECT_TRUE(WaitUntil(
        [&] { return Label(2).dark > 10 && Label(3).white < (cellWidth - 2) * 16 - 50; }));

    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("type --delay 20 Zed"));
    ASSERT_TRUE(Xdo("key Return"));
    EXPECT_EQ(child->WaitForLine("end "), "end Zed");
    ASSERT_TRUE(Xdo("mousemove " + std::to_string(screenWidth - 13) + " 13 click 1"));
    for (const char* label : {"Aaa", "alpha", "Beta", "Zed"}) {
        EXPECT_EQ(child->WaitForLine("item "), std::string("item ") + label);
    }
}

} // namespace
