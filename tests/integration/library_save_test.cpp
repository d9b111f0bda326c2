// Saving a recording: the name it gets, the macro file and shortcut written, the library window
// opened on the new macro for renaming, what happens when the file cannot be written, and saves
// killed half-way. The window runs on the test's thread; a person, on another thread, looks at
// it and closes it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "FixedDisplay.h"
#include "MacroDocument.h"
#include "MacroFile.h"
#include "MacroLibrary.h"
#include "MouseLeftDown.h"
#include "MouseLeftUp.h"
#include "RecordingLauncher.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
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
    // A save that opens no window ends the person's wait.
    Seen Save(const std::function<void()>& whileOpen = nullptr) {
        Seen seen;
        std::atomic<bool> saving = true;
        std::thread person([&] {
            HWND dialog = nullptr;
            // Listed as soon as it is made, the window is shown once its list is filled.
            const auto shown = [&] {
                return (dialog = FindWindowW(L"Dialog", L"Tapweave")) && IsWindowVisible(dialog);
            };
            if (!WaitUntil([&] { return shown() || !saving; }, 10s) || !shown()) {
                return;
            }
            seen = Look(dialog);
            if (whileOpen) {
                whileOpen();
            }
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        document.Save();
        saving = false;
        person.join();
        return seen;
    }

    // The names in the macro folder.
    std::set<std::string> MacroFolder() const {
        std::set<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(device.Host(MacroLibrary::macroFolder))) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    void Record(int x, int y) {
        document.StartRecording();
        document.Add(ActionPtr(new MouseLeftDown(x, y)), Macros::AddBreakBefore);
        document.Add(ActionPtr(new MouseLeftUp(0, 0)), Macros::AddBreakAfter);
        document.StopRecording();
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
    // A shortcut no reader could finish is listed without waiting on it.
    ASSERT_EQ(mkfifo(device.Host(MacroLibrary::shortcutFolder + "Stuck.lnk").c_str(), 0644), 0);
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
    EXPECT_EQ(seen.labels, (std::vector<std::wstring>{L"New Macro", L"Older", L"Stuck"}));
    EXPECT_EQ(seen.selected, std::vector<int>{0});
    EXPECT_EQ(seen.editing, L"New Macro");

    // Afterwards the document is empty and no longer records.
    EXPECT_TRUE(document.Steps().empty());
    document.Add(ActionPtr(new MouseLeftDown(1, 1)), Macros::AddPlain);
    EXPECT_TRUE(document.Steps().empty());
    EXPECT_TRUE(document.Play());
}

TEST_F(SaveFlow, TheFirstFreeNumberedNameIsTaken) {
    // Taken: an existing macro file, whatever its case, or anything by that name: a folder, a
    // link that leads nowhere (never written through), a file nobody may read.
    const std::string outside = device.Directory() + "/outside";
    device.Write(MacroLibrary::macroFolder + "new macro.macros", "");
    device.Write(MacroLibrary::macroFolder + "New Macro 1.macros", "");
    std::filesystem::create_directories(
        device.Host(MacroLibrary::macroFolder + "New Macro 2.macros"));
    std::filesystem::create_symlink(outside,
                                    device.Host(MacroLibrary::macroFolder + "New Macro 3.macros"));
    device.Write(MacroLibrary::macroFolder + "New Macro 4.macros", "Press 4 4\n");
    std::filesystem::permissions(device.Host(MacroLibrary::macroFolder + "New Macro 4.macros"),
                                 std::filesystem::perms::none);
    // Numbers are not padded, and a shortcut alone does not take a name.
    device.Write(MacroLibrary::macroFolder + "New Macro 05.macros", "");
    device.Write(MacroLibrary::shortcutFolder + "New Macro 5.lnk", MacroLibrary::ShortcutOf("x"));

    EXPECT_EQ(Save().editing, L"New Macro 5");
    EXPECT_TRUE(library.HasMacroFile("New Macro 5"));
    EXPECT_EQ(device.Read(MacroLibrary::shortcutFolder + "New Macro 5.lnk"),
              MacroLibrary::ShortcutOf("New Macro 5"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(outside)));
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro 4.macros"), "Press 4 4\n");
    // An empty document still makes an empty file; the next save counts on from 1 again.
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro 5.macros"), "");
    EXPECT_EQ(Save().editing, L"New Macro 6");

    // When only a numbered name is taken, the plain one is free.
    std::filesystem::remove(device.Host(MacroLibrary::macroFolder + "new macro.macros"));
    EXPECT_EQ(Save().editing, L"New Macro");
}

// A save that cannot write the whole file keeps the recording, makes no shortcut, opens no
// window and says why; the next save writes it.
TEST_F(SaveFlow, AFailedSaveKeepsTheRecordingAndSaysWhy) {
    for (int stroke = 0; stroke < 100; ++stroke) {
        Record(5, 6);
    }
    const std::string steps = Text();
    const std::string folder = device.Host("Program Files/Tapweave/Macros");

    // A missing macro folder, then a disk that takes less than the recording (and more than
    // the message, which goes through a file here).
    std::filesystem::rename(folder, folder + "-away");
    testing::internal::CaptureStderr();
    Seen seen = Save();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("could not be saved"), std::string::npos) << said;
    EXPECT_NE(said.find("Macros"), std::string::npos) << said;
    EXPECT_FALSE(seen.opened);
    EXPECT_FALSE(library.HasShortcut("New Macro"));
    EXPECT_EQ(Text(), steps);
    std::filesystem::rename(folder + "-away", folder);

    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    ASSERT_GT(steps.size(), 2048u);
    const rlimit small{1024, limit.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    seen = Save();
    said = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    EXPECT_NE(said.find("full"), std::string::npos) << said;
    EXPECT_FALSE(seen.opened);
    EXPECT_FALSE(library.HasShortcut("New Macro"));
    EXPECT_EQ(MacroFolder(), std::set<std::string>{});
    EXPECT_EQ(Text(), steps);

    // The recorder stays usable: more is recorded, and the next save keeps both.
    Record(7, 8);
    const std::string both = Text();
    ASSERT_NE(both, steps);
    EXPECT_EQ(Save().editing, L"New Macro");
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro.macros"), both);
    EXPECT_TRUE(library.HasShortcut("New Macro"));
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

// The recorder's toolbar stays usable while the new macro is being named: what is recorded then
// belongs to the next macro.
TEST_F(SaveFlow, AStrokeRecordedWhileTheWindowIsOpenGoesIntoTheNextMacro) {
    Record(5, 6);
    const std::string first = Text();
    std::string meanwhile;
    Save([&] {
        Record(9, 9);
        meanwhile = Text();
    });
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro.macros"), first);
    ASSERT_NE(meanwhile.find("Press 9 9\n"), std::string::npos);
    EXPECT_EQ(meanwhile.find("Press 5 6\n"), std::string::npos);
    EXPECT_EQ(Text(), meanwhile);
    EXPECT_EQ(Save().editing, L"New Macro 1");
    EXPECT_EQ(device.Read(MacroLibrary::macroFolder + "New Macro 1.macros"), meanwhile);
}

// Processes killed at moments spread over a save of a large recording: every macro file left is
// whole, and installing again makes shortcuts for those and nothing else.
TEST_F(SaveFlow, AKilledSaveLeavesNoPartialMacro) {
    alarm(110);
    std::string big;
    for (int line = 0; line < 200'000; ++line) {
        big += "Press " + std::to_string(line) + " 1\nRelease \n";
    }
    device.Write(MacroLibrary::macroFolder + "Big.macros", big);

    // Loads the large macro, says so, and saves it; stopped by the test or its watchdog.
    const auto startSaving = [&] {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        auto child = std::make_unique<ChildProcess>([&] {
            alarm(30);
            close(ready[0]);
            MacroDocument saving;
            saving.Load(L"Big");
            const char byte = 1;
            if (write(ready[1], &byte, 1) != 1) {
                return 1;
            }
            saving.Save();
            return 0;
        });
        close(ready[1]);
        pollfd loaded{ready[0], POLLIN, 0};
        EXPECT_EQ(poll(&loaded, 1, 30'000), 1);
        close(ready[0]);
        return std::pair{std::move(child), std::chrono::steady_clock::now()};
    };

    // How long a whole save takes here: until its file is in place.
    auto [whole, began] = startSaving();
    ASSERT_TRUE(WaitUntil([&] { return library.HasMacroFile("New Macro"); }));
    const auto saveTime = std::chrono::steady_clock::now() - began;
    whole->Kill();

    const int killed = 20;
    for (int round = 0; round < killed; ++round) {
        auto [child, started] = startSaving();
        std::this_thread::sleep_until(started + saveTime * round / killed);
        child->Kill();
    }
    for (const std::string& name : MacroFolder()) {
        if (name.ends_with(".macros")) {
            EXPECT_TRUE(device.Read(MacroLibrary::macroFolder + name) == big) << name;
        }
    }

    const std::string xdg = device.Directory() + "/xdg";
    ScopedEnvironment data{"XDG_DATA_HOME", xdg.c_str()};
    ASSERT_EQ(RunTool({TAPWEAVE_BIN_DIR "/tapweave-install", "install"}).exitCode, 0);
    // Each macro file has its shortcut; every other shortcut is one of the product's own.
    std::set<std::string> macros;
    for (const std::string& name : MacroFolder()) {
        if (name.ends_with(".macros")) {
            macros.insert(name.substr(0, name.size() - 7));
        }
    }
    std::set<std::string> shortcuts;
    for (const auto& entry :
         std::filesystem::directory_iterator(device.Host(MacroLibrary::shortcutFolder))) {
        const std::string name = entry.path().stem().string();
        if (!name.starts_with("Macros - ") && name != "icon") {
            shortcuts.insert(name);
        }
    }
    EXPECT_EQ(shortcuts, macros);
    EXPECT_GE(macros.size(), 2u);

    // The next save clears what the killed ones left behind.
    Save();
    for (const std::string& name : MacroFolder()) {
        EXPECT_TRUE(name.ends_with(".macros")) << name;
    }
}

} // namespace
