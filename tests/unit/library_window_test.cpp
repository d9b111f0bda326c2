// The macro library window without a display, driven by messages and notifications as a person
// drives it: the list built from the shortcut folder, the macro opened for renaming, renaming at
// the end of label editing, taps that start macros, and the tap-and-hold menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "FixedDisplay.h"
#include "MacroLibrary.h"
#include "MacroLibraryDialog.h"
#include "OpenMacrosFolder.h"
#include "RecordingLauncher.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/commctrl.h"
#include "platform/registry.h"
#include "platform/testing.h"

namespace {

constexpr UINT WM_STEP = WM_USER + 1;
constexpr int listId = 1000;
constexpr int hintId = 1001;

using Labels = std::vector<std::wstring>;
using Step = std::function<void(HWND dialog, HWND list)>;

// A library window that runs the test's steps once it is up, each from a message of its own,
// then closes with its "ok" button. It notes whether the list existed at each activation.
class DrivenLibrary : public MacroLibraryDialog {
  public:
    DrivenLibrary(const std::wstring& pendingName, std::vector<Step> steps)
        : MacroLibraryDialog(pendingName), steps(std::move(steps)) {}

    std::vector<bool> listAtActivation;

  protected:
    int OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_STEP) {
            if (next < steps.size()) {
                steps[next++](hwnd, GetDlgItem(hwnd, listId));
                PostMessageW(hwnd, WM_STEP, 0, 0);
            } else {
                PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
            }
            return 1;
        }
        if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
            listAtActivation.push_back(GetDlgItem(hwnd, listId) != nullptr);
        }
        const int result = MacroLibraryDialog::OnMsg(hwnd, message, wParam, lParam);
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 0, 0);
        }
        return result;
    }

  private:
    std::vector<Step> steps;
    std::size_t next = 0;
};

Labels LabelsOf(HWND list) {
    Labels labels;
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[MAX_PATH] = {};
        LVITEMW item{};
        item.pszText = buffer;
        item.cchTextMax = MAX_PATH;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
        labels.emplace_back(buffer);
    }
    return labels;
}

std::vector<int> SelectedOf(HWND list) {
    std::vector<int> selected;
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED)) {
            selected.push_back(i);
        }
    }
    return selected;
}

HWND EditorOf(HWND list) {
    return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[MAX_PATH] = {};
    GetWindowTextW(hwnd, text, MAX_PATH);
    return text;
}

// The centre of the item's icon, in the list's client area.
POINT IconCentre(HWND list, int index) {
    RECT icon{LVIR_ICON, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&icon));
    return {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
}

void TapAt(HWND list, POINT at) {
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

// Tap-and-hold on the item, as the on-screen backend reports it.
void Hold(HWND list, int index) {
    RECT screen{};
    GetWindowRect(list, &screen);
    const POINT at = IconCentre(list, index);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                 MAKELPARAM(screen.left + at.x, screen.top + at.y));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

// Opens the item's label for editing, types the text and presses the key.
void EditLabel(HWND list, int index, const wchar_t* text, WPARAM key) {
    const auto edit =
        reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(index), 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, text);
    SendMessageW(edit, WM_KEYDOWN, key, 0);
}

class LibraryWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        // A window that never closes fails the test instead of hanging it.
        alarm(30);
    }
    void TearDown() override {
        alarm(0);
        platform::ForgetMenuChoices();
    }

    // Runs the window with the pending name and the steps; true when it ended with "ok".
    bool Run(const std::wstring& pendingName, std::vector<Step> steps) {
        DrivenLibrary dialog(pendingName, std::move(steps));
        const bool ended = Dialog::DoModal(dialog) == 0;
        listAtActivation = dialog.listAtActivation;
        return ended;
    }

    void AssociateMacroFilesWithEditor() {
        device.Write("Windows/pword.exe", "");
        for (const auto& [keyName, value] :
             {std::pair{L".macros", L"macrosfile"},
              std::pair{L"macrosfile\\Shell\\Open\\Command", L"\\Windows\\pword.exe %1"}}) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName, 0, nullptr, 0, 0, nullptr, &key,
                                      nullptr),
                      ERROR_SUCCESS);
            ASSERT_EQ(
                RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                               static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
            RegCloseKey(key);
        }
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    MacroLibrary library{device, TAPWEAVE_BIN_DIR "/tapweave-player"};
    FixedDisplay display{240, 320};
    RecordingLauncher launcher;
    std::vector<bool> listAtActivation;
};

TEST_F(LibraryWindow, ListsEveryMacroShortcutSortedWithItsProgramsIcon) {
    for (const char* name : {"Zeta", "alpha", "a.b"}) {
        library.Save(name, "Press 1 2\n");
    }
    // The installation package's entries, in any case, are not macros.
    for (const char* fixed : {"icon.LNK", "macros - create.lnk", "Macros - Show All.lnk",
                              "Macros - Useful Tips.lnk", "MACROS - ABOUT.LNK"}) {
        device.Write(MacroLibrary::shortcutFolder + fixed, MacroLibrary::ShortcutOf("x"));
    }
    device.Write(MacroLibrary::shortcutFolder + "notes.txt", "not a shortcut");
    std::filesystem::create_directories(device.Host(MacroLibrary::shortcutFolder + "Folder.lnk"));
    // Listed with the blank image: a program without icons, and a shortcut that cannot be read.
    device.Write("Windows/plain.exe", "");
    const std::string plain = "\"\\Windows\\plain.exe\" \"Elsewhere\"";
    device.Write(MacroLibrary::shortcutFolder + "Elsewhere.lnk",
                 std::to_string(plain.size()) + "#" + plain);
    device.Write(MacroLibrary::shortcutFolder + "Broken.lnk", "garbage");

    ASSERT_TRUE(Run(
        L"", {[](HWND dialog, HWND list) {
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(LabelsOf(list), (Labels{L"a.b", L"alpha", L"Broken", L"Elsewhere", L"Zeta"}));
            EXPECT_TRUE(SelectedOf(list).empty());
            EXPECT_EQ(EditorOf(list), nullptr);
            EXPECT_EQ(GetFocus(), list);
            // One copy of the player's icon for each of its three macros.
            const auto images =
                reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
            EXPECT_EQ(ImageList_GetImageCount(images), 3);

            EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(list, GWL_STYLE)), 0x5000021Cu);
            EXPECT_EQ(GetParent(list), dialog);
            RECT client{};
            RECT listRect{};
            GetClientRect(dialog, &client);
            GetClientRect(list, &listRect);
            EXPECT_EQ(listRect.right, client.right);
            EXPECT_EQ(listRect.bottom, client.bottom);
            EXPECT_EQ(SendMessageW(list, LVM_SETICONSPACING, 0, 0x0044004B), 0x0044004B);
            LOGFONTW font{};
            ASSERT_NE(GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)),
                                 sizeof font, &font),
                      0);
            EXPECT_EQ(font.lfHeight, 13);
            EXPECT_EQ(font.lfWeight, FW_BOLD);
            EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
            EXPECT_EQ(TextOf(dialog), L"Tapweave");
        }}));
}

TEST_F(LibraryWindow, WithoutMacroShortcutsTheListIsEmpty) {
    device.Write(MacroLibrary::shortcutFolder + "Macros - About.lnk", "1#x");
    // An empty library says how to fill it.
    const Step empty = [](HWND dialog, HWND list) {
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
        const HWND hint = GetDlgItem(dialog, hintId);
        EXPECT_TRUE(IsWindowVisible(hint));
        EXPECT_EQ(TextOf(hint).rfind(L"No macros yet: ", 0), 0u) << TextOf(hint);
    };
    EXPECT_TRUE(Run(L"", {empty}));
    std::filesystem::remove_all(device.Host(MacroLibrary::shortcutFolder));
    EXPECT_TRUE(Run(L"", {empty}));
    std::filesystem::remove_all(device.Host("Windows/Start Menu"));
    EXPECT_TRUE(Run(L"Macros - About", {empty}));
}

TEST_F(LibraryWindow, ThePendingMacroOpensSelectedForRenamingOnce) {
    // "aardvark" is found after "Beta" (capitals first) but sorts before it, so the item being
    // edited moves after its editor has opened.
    for (const char* name : {"Alpha", "Beta", "Gamma", "aardvark"}) {
        library.Save(name, "Press 1 2\n");
    }
    const auto before = library.Files();
    const HWND other = CreateWindowExW(0, L"STATIC", L"Other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(Run(
        L"Beta", {[](HWND, HWND list) {
                      EXPECT_EQ(SelectedOf(list), std::vector<int>{2});
                      EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 2, LVIS_FOCUSED),
                                LVIS_FOCUSED);
                      const HWND editor = EditorOf(list);
                      ASSERT_NE(editor, nullptr);
                      EXPECT_EQ(TextOf(editor), L"Beta");
                      EXPECT_EQ(GetFocus(), editor);
                      // The editor lies over its item's label.
                      RECT label{LVIR_LABEL, 0, 0, 0};
                      SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&label));
                      RECT editorRect{};
                      RECT listRect{};
                      GetWindowRect(editor, &editorRect);
                      GetWindowRect(list, &listRect);
                      EXPECT_EQ(editorRect.left - listRect.left, label.left);
                      EXPECT_EQ(editorRect.top - listRect.top, label.top);
                  },
                  // Coming back to the front refills the list; the name is not
                  // opened again.
                  [other](HWND dialog, HWND list) {
                      SetForegroundWindow(other);
                      SetForegroundWindow(dialog);
                      EXPECT_EQ(EditorOf(list), nullptr);
                      EXPECT_TRUE(SelectedOf(list).empty());
                      EXPECT_EQ(LabelsOf(list), (Labels{L"aardvark", L"Alpha", L"Beta", L"Gamma"}));
                  }}));
    // The window came to the front before its list existed, and that did not use up the name.
    ASSERT_GE(listAtActivation.size(), 2u);
    EXPECT_FALSE(listAtActivation.front());
    EXPECT_EQ(library.Files(), before);

    // A name that matches no label exactly opens nothing.
    for (const wchar_t* name : {L"beta", L"Delta"}) {
        EXPECT_TRUE(Run(name, {[](HWND, HWND list) {
                            EXPECT_EQ(LabelsOf(list).size(), 4u);
                            EXPECT_TRUE(SelectedOf(list).empty());
                            EXPECT_EQ(EditorOf(list), nullptr);
                        }}));
    }
    DestroyWindow(other);
}

TEST_F(LibraryWindow, TheEndOfLabelEditingRenamesTheMacroOrKeepsTheOldLabel) {
    library.Save("Apple", "Press 1 2\n");
    library.Save("Banana", "Press 3 4\n");
    ASSERT_TRUE(
        Run(L"", {[this](HWND, HWND list) {
                EditLabel(list, 0, L"Cherry", VK_RETURN);
                EXPECT_EQ(LabelsOf(list), (Labels{L"Banana", L"Cherry"}));
                EXPECT_FALSE(library.HasMacroFile("Apple"));
                EXPECT_FALSE(library.HasShortcut("Apple"));
                EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "Cherry.macros"), "Press 1 2\n");
                EXPECT_EQ(device.Read(MacroLibrary::shortcutFolder + "Cherry.lnk"),
                          MacroLibrary::ShortcutOf("Cherry"));

                const auto before = library.Files();
                // Another macro's name, in any case; a cancelled edit; names no file can have, or
                // none at all. Each refusal is said, and the old label stays.
                testing::internal::CaptureStderr();
                EditLabel(list, 0, L"Cherry", VK_RETURN);
                EditLabel(list, 0, L"cherry", VK_RETURN);
                EditLabel(list, 0, L"Date", VK_ESCAPE);
                for (const wchar_t* bad :
                     {L"Ba/d", L"..\\Out", L"a:b", L"tab\there", L"a|b", L"", L"  ", L"Date."}) {
                    EditLabel(list, 0, bad, VK_RETURN);
                }
                const std::string said = testing::internal::GetCapturedStderr();
                EXPECT_EQ(LabelsOf(list), (Labels{L"Banana", L"Cherry"}));
                EXPECT_EQ(library.Files(), before);
                EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 10);
                EXPECT_EQ(said.substr(0, said.find('\n')),
                          "Tapweave: A macro named \"Cherry\" already exists. The macro keeps the "
                          "name \"Banana\".");
                EXPECT_NE(said.find("Tapweave: A macro needs a name."), std::string::npos);

                // Pressing Return on the name as it is keeps the macro and says nothing.
                testing::internal::CaptureStderr();
                EditLabel(list, 1, L"Cherry", VK_RETURN);
                EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
                EXPECT_EQ(LabelsOf(list), (Labels{L"Banana", L"Cherry"}));
                EXPECT_EQ(library.Files(), before);
            }}));
}

TEST_F(LibraryWindow, ATapStartsTheTappedMacrosShortcut) {
    library.Save("a.b", "Press 1 2\n");
    library.Save("Other", "Press 3 4\n");
    ASSERT_TRUE(Run(L"", {[this](HWND dialog, HWND list) {
                        TapAt(list, IconCentre(list, 0));
                        ASSERT_EQ(launcher.starts.size(), 1u);
                        EXPECT_EQ(std::filesystem::path(launcher.starts[0].hostProgram).filename(),
                                  "Player.exe");
                        EXPECT_EQ(launcher.starts[0].commandLine, L"\"a.b\"");
                        // The window stays open while the macro plays, and comes back
                        // when its player has ended.
                        EXPECT_TRUE(IsWindowVisible(dialog));
                        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, hintId)));

                        // Beside the items nothing is selected, so nothing starts.
                        TapAt(list, {230, 260});
                        EXPECT_EQ(launcher.starts.size(), 1u);
                        // A macro whose shortcut went meanwhile starts nothing either.
                        std::filesystem::remove(
                            device.Host(MacroLibrary::shortcutFolder + "Other.lnk"));
                        TapAt(list, IconCentre(list, 1));
                        EXPECT_EQ(launcher.starts.size(), 1u);
                    }}));
}

// The macro's taps must reach what lies under the window: it hides until the player ends,
// handling its messages meanwhile, and then comes back to the front with its list filled afresh.
TEST_F(LibraryWindow, WhileAMacroPlaysTheWindowStepsAside) {
    library.Save("Long", "Press 1 2\n");
    ChildProcess player([] {
        for (;;) {
            pause();
        }
        return 0;
    });
    ASSERT_TRUE(player.Started());
    launcher.processId = static_cast<DWORD>(player.Pid());
    bool hiddenWhilePlaying = false;
    const bool ended = Run(L"", {[&](HWND dialog, HWND list) {
                                     // The next step runs while the player does.
                                     PostMessageW(dialog, WM_STEP, 0, 0);
                                     TapAt(list, IconCentre(list, 0));
                                 },
                                 [&](HWND dialog, HWND) {
                                     hiddenWhilePlaying = !IsWindowVisible(dialog);
                                     std::filesystem::remove(
                                         device.Host(MacroLibrary::shortcutFolder + "Long.lnk"));
                                     player.Kill();
                                 },
                                 [&](HWND dialog, HWND list) {
                                     EXPECT_TRUE(IsWindowVisible(dialog));
                                     EXPECT_EQ(GetForegroundWindow(), dialog);
                                     // The macro removed itself while it played.
                                     EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
                                 }});
    EXPECT_TRUE(ended);
    EXPECT_TRUE(hiddenWhilePlaying);
}

TEST_F(LibraryWindow, TapAndHoldOffersRenameEditAndDelete) {
    library.Save("A", "Press 1 2\n");
    library.Save("B", "Press 3 4\n");
    library.Save("C", "Press 5 6\n");
    AssociateMacroFilesWithEditor();
    ASSERT_TRUE(Run(
        L"", {[this](HWND dialog, HWND list) {
            // Delete: both files go, and the list shows it at once.
            platform::QueueMenuChoice(3);
            Hold(list, 0);
            EXPECT_FALSE(library.HasMacroFile("A"));
            EXPECT_FALSE(library.HasShortcut("A"));
            EXPECT_EQ(LabelsOf(list), (Labels{L"B", L"C"}));

            // Edit: the macro file opens in the program the device associates with it.
            platform::QueueMenuChoice(1);
            Hold(list, 1);
            ASSERT_EQ(launcher.starts.size(), 1u);
            EXPECT_EQ(launcher.starts[0].hostProgram, device.Host("Windows/pword.exe"));
            EXPECT_EQ(launcher.starts[0].commandLine,
                      L"\"\\Program Files\\Tapweave\\Macros\\C.macros\"");

            // Rename: the label opens for editing.
            platform::QueueMenuChoice(2);
            Hold(list, 0);
            const HWND editor = EditorOf(list);
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(TextOf(editor), L"B");
            SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);

            // Dismissed: nothing happens, and the window answers the notification as handled.
            const auto before = library.Files();
            Hold(list, 0);
            EXPECT_EQ(library.Files(), before);
            NMRGINFO hold{};
            hold.hdr = {list, static_cast<UINT_PTR>(listId), GN_CONTEXTMENU};
            EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&hold)), 1);

            // Without a selected item there is no menu to choose from.
            LVITEMW none{};
            none.stateMask = LVIS_SELECTED;
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(&none));
            platform::QueueMenuChoice(3);
            SendMessageW(dialog, WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&hold));
            EXPECT_EQ(library.Files(), before);
            // Notifications of another control are not the list's.
            hold.hdr.idFrom = listId + 1;
            EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, listId + 1, reinterpret_cast<LPARAM>(&hold)),
                      0);
            EXPECT_EQ(library.Files(), before);
            EXPECT_EQ(launcher.starts.size(), 1u);
        }}));
}

TEST_F(LibraryWindow, TheListKeepsFillingTheWindowAndASecondWindowIsNotOpened) {
    library.Save("A", "Press 1 2\n");
    ASSERT_TRUE(Run(L"", {[this](HWND dialog, HWND list) {
                        display.screen = {320, 240, DMDO_0};
                        SendMessageW(dialog, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
                        RECT client{};
                        RECT listRect{};
                        GetClientRect(dialog, &client);
                        GetClientRect(list, &listRect);
                        EXPECT_EQ(client.right, 320);
                        EXPECT_EQ(listRect.right, client.right);
                        EXPECT_EQ(listRect.bottom, client.bottom);

                        // The library window is already open: it is brought up, and the name is not
                        // used.
                        OpenMacrosFolder(L"A");
                        EXPECT_EQ(FindWindowW(L"Dialog", L"Tapweave"), dialog);
                        EXPECT_EQ(EditorOf(list), nullptr);
                    }}));
    EXPECT_EQ(FindWindowW(L"Dialog", L"Tapweave"), nullptr);
}

} // namespace
