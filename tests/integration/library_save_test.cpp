// Saving a recording: the name it gets, the macro file and shortcut written, the library window
// opened on the new macro for renaming, and what happens when a folder is missing. The window
// runs on the test's thread; a person, on another thread, looks at it and closes it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "FixedDisplay.h"
#include "MacroDocument.h"
#include "MacroFile.h"
#include "MacroLibrary.h"
#include "MouseLeftDown.h"
#include "MouseLeftUp.h"
#include "RecordingLauncher.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/commctrl.h"
#include "platform/gui.h"

namespace {

using namespace std::chrono_literals;

// What the library window showed when it came up.
struct Seen {
    bool opened = false;
    std::vector<std::wstring> labels;
    std::vector<int> selected;
    // The text of the label editor; "<none>" without one.
    std::wstring editing = L"<none>";
};

std::wstring LabelOf(HWND list, int index) {
    wchar_t buffer[MAX_PATH] = {};
    LVITEMW item{};
    item.pszText = buffer;
    item.cchTextMax = MAX_PATH;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    return buffer;
}

Seen Look(HWND dialog) {
    Seen seen;
    seen.opened = true;
    const HWND list = GetDlgItem(dialog, 1000);
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        seen.labels.push_back(LabelOf(list, i));
        if (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED)) {
            seen.selected.push_back(i);
        }
    }
    if (const auto editor = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0))) {
        wchar_t text[MAX_PATH] = {};
        GetWindowTextW(editor, text, MAX_PATH);
        seen.editing = text;
    }
    return seen;
}

class SaveFlow : public ::testing::Test {
  protected:
    void SetUp() override { alarm(60); }
    void TearDown() override { alarm(0); }

    // Saves the document while a person waits for the library window, looks at it, does what
    // the test asks while it is open, and closes it.
    Seen Save(const std::function<void()>& whileOpen = nullptr) {
        Seen seen;
        std::thread person([&] {
            HWND dialog = nullptr;
            const auto deadline = std::chrono::steady_clock::now() + 10s;
            // Listed as soon as it is made, the window is shown once its list is filled.
            while (!((dialog = FindWindowW(L"Dialog", L"Tapweave")) && IsWindowVisible(dialog)) &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(2ms);
            }
            if (!dialog || !IsWindowVisible(dialog)) {
                return;
            }
            seen = Look(dialog);
            if (whileOpen) {
                whileOpen();
            }
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        document.Save();
        person.join();
        return seen;
    }

    std::string Text() {
        std::ostringstream out;
        MacroFile::Write(out, document.Steps());
        return out.str();
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    MacroLibrary library{device, TAPWEAVE_BIN_DIR "/tapweave-player"};
    FixedDisplay display{240, 320};
    RecordingLauncher launcher;
    MacroDocument document;
};

TEST_F(SaveFlow, ARecordingBecomesNewMacroOpenForRenaming) {
    library.Save("Older", "Press 1 1\n");
    document.StartRecording();
    document.Add(ActionPtr(new MouseLeftDown(120, 200)), Macros::AddBreakBefore);
    document.Add(ActionPtr(new MouseLeftUp(0, 0)), Macros::AddBreakAfter);
    const std::string steps = Text();
    ASSERT_NE(steps.find("Press 120 200\n"), std::string::npos);

    const Seen seen = Save();
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro.macros"), steps);
    EXPECT_EQ(device.Read(MacroLibrary::shortcutFolder + "New Macro.lnk"),
              MacroLibrary::ShortcutOf("New Macro"));
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.labels, (std::vector<std::wstring>{L"New Macro", L"Older"}));
    EXPECT_EQ(seen.selected, std::vector<int>{0});
    EXPECT_EQ(seen.editing, L"New Macro");

    // Afterwards the document is empty and no longer records.
    EXPECT_TRUE(document.Steps().empty());
    document.Add(ActionPtr(new MouseLeftDown(1, 1)), Macros::AddPlain);
    EXPECT_TRUE(document.Steps().empty());
    EXPECT_TRUE(document.Play());
}

TEST_F(SaveFlow, TheFirstFreeNumberedNameIsTaken) {
    // Taken: an existing macro file, whatever its case, or anything by that name.
    device.Write(MacroLibrary::macroFolder + "new macro.macros", "");
    device.Write(MacroLibrary::macroFolder + "New Macro 1.macros", "");
    std::filesystem::create_directories(
        device.Host(MacroLibrary::macroFolder + "New Macro 2.macros"));
    // Numbers are not padded, and a shortcut alone does not take a name.
    device.Write(MacroLibrary::macroFolder + "New Macro 03.macros", "");
    device.Write(MacroLibrary::shortcutFolder + "New Macro 3.lnk", MacroLibrary::ShortcutOf("x"));

    EXPECT_EQ(Save().editing, L"New Macro 3");
    EXPECT_TRUE(library.HasMacroFile("New Macro 3"));
    EXPECT_EQ(device.Read(MacroLibrary::shortcutFolder + "New Macro 3.lnk"),
              MacroLibrary::ShortcutOf("New Macro 3"));
    // An empty document still makes an empty file; the next save counts on from 1 again.
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro 3.macros"), "");
    EXPECT_EQ(Save().editing, L"New Macro 4");

    // When only a numbered name is taken, the plain one is free.
    std::filesystem::remove(device.Host(MacroLibrary::macroFolder + "new macro.macros"));
    EXPECT_EQ(Save().editing, L"New Macro");
}

TEST_F(SaveFlow, WithoutTheMacroFolderTheShortcutIsStillMadeAndTheWindowOpens) {
    document.StartRecording();
    document.Add(ActionPtr(new MouseLeftDown(5, 6)), Macros::AddPlain);
    std::filesystem::remove_all(device.Host(MacroLibrary::macroFolder));

    const Seen seen = Save();
    EXPECT_FALSE(library.HasMacroFile("New Macro"));
    EXPECT_FALSE(std::filesystem::exists(device.Host(MacroLibrary::macroFolder)));
    EXPECT_TRUE(library.HasShortcut("New Macro"));
    EXPECT_EQ(seen.editing, L"New Macro");
    EXPECT_TRUE(document.Steps().empty());
}

TEST_F(SaveFlow, WithoutTheShortcutFolderTheFileIsWrittenButNotListed) {
    document.StartRecording();
    document.Add(ActionPtr(new MouseLeftDown(5, 6)), Macros::AddPlain);
    const std::string steps = Text();
    std::filesystem::remove_all(device.Host(MacroLibrary::shortcutFolder));

    const Seen seen = Save();
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro.macros"), steps);
    EXPECT_FALSE(std::filesystem::exists(device.Host(MacroLibrary::shortcutFolder)));
    ASSERT_TRUE(seen.opened);
    EXPECT_TRUE(seen.labels.empty());
    EXPECT_EQ(seen.editing, L"<none>");
    EXPECT_TRUE(document.Steps().empty());
}

// The recorder's touch thread keeps adding while the window is open; it must never wait on the
// window, and what it adds is not kept.
TEST_F(SaveFlow, StepsArrivingWhileTheWindowIsOpenAreRefusedAtOnce) {
    document.StartRecording();
    document.Add(ActionPtr(new MouseLeftDown(5, 6)), Macros::AddPlain);
    const std::string steps = Text();
    std::future<void> touchThread;
    std::future_status added = std::future_status::deferred;
    Save([&] {
        touchThread = std::async(std::launch::async, [this] {
            for (int i = 0; i < 100; ++i) {
                document.Add(ActionPtr(new MouseLeftDown(i, i)), Macros::AddPlain);
            }
        });
        added = touchThread.wait_for(5s);
    });
    touchThread.wait();
    EXPECT_EQ(added, std::future_status::ready);
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro.macros"), steps);
    EXPECT_TRUE(document.Steps().empty());
}

} // namespace
