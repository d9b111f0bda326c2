// Macro files and their shortcuts on a temporary device: what each operation leaves on the
// device, after success and after each failure, and names that are refused before anything is
// touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "FileContent.h"
#include "MacroFiles.h"
#include "RecordingLauncher.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/registry.h"

namespace {

const std::string macros = "Program Files/Tapweave/Macros/";
const std::string shortcuts = "Windows/Start Menu/Programs/Tapweave/";

// The shortcut text for a macro of the default installation.
std::string ShortcutOf(const std::string& name) {
    const std::string commandLine = "\"\\Program Files\\Tapweave\\Player.exe\" \"" + name + "\"";
    return std::to_string(commandLine.size()) + "#" + commandLine;
}

class MacroFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(device.Host(shortcuts));
        std::filesystem::create_directories(device.Host(macros));
    }

    // A saved macro: its file and its shortcut.
    void Save(const std::string& name, const std::string& steps) {
        device.Write(macros + name + ".macros", steps);
        device.Write(shortcuts + name + ".lnk", ShortcutOf(name));
    }

    // Every file of the device's fs/ folder with its content.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        const std::filesystem::path root = device.Host("");
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && !entry.is_symlink()) {
                const std::string relative = entry.path().lexically_relative(root).string();
                files[relative] = device.Read(relative);
            }
        }
        return files;
    }

    bool Exists(const std::string& relative) const {
        return std::filesystem::exists(device.Host(relative));
    }

    // The macro's file and shortcut are under the new name, and nothing is left under the old.
    void ExpectMoved(const std::string& from, const std::string& to, const std::string& steps) {
        EXPECT_FALSE(Exists(macros + from + ".macros")) << from;
        EXPECT_FALSE(Exists(shortcuts + from + ".lnk")) << from;
        EXPECT_EQ(device.Read(macros + to + ".macros"), steps) << to;
        EXPECT_EQ(device.Read(shortcuts + to + ".lnk"), ShortcutOf(to)) << to;
    }

    TempDevice device;
    RecordingLauncher launcher;
};

TEST_F(MacroFiles, ShortcutPathIsFormedInTheProductsFolder) {
    EXPECT_EQ(GetShortcutPath(L"\\Windows\\Start Menu\\Programs", L"New Macro"),
              L"\\Windows\\Start Menu\\Programs\\Tapweave\\New Macro.lnk");
    // Longer than a device path may be: no path, so nothing can be touched through it.
    EXPECT_EQ(GetShortcutPath(L"\\Windows", std::wstring(300, L'a')), L"");
}

TEST_F(MacroFiles, ShortcutRunsThePlayerWithTheName) {
    ASSERT_TRUE(CreateMacroShortcut(L"New Macro"));
    EXPECT_EQ(device.Read(shortcuts + "New Macro.lnk"), ShortcutOf("New Macro"));

    // The count counts bytes: a Russian name takes two bytes a letter.
    ASSERT_TRUE(CreateMacroShortcut(L"Запись"));
    EXPECT_EQ(device.Read(shortcuts + "Запись.lnk"), ShortcutOf("Запись"));
    EXPECT_EQ(ShortcutOf("Запись").substr(0, 3), "51#");

    // Another installation directory.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", 0, nullptr,
                              0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring directory = L"\\Storage Card\\TW";
    ASSERT_EQ(RegSetValueExW(key, L"InstallDir", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(directory.c_str()),
                             static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_TRUE(CreateMacroShortcut(L"Card"));
    EXPECT_EQ(device.Read(shortcuts + "Card.lnk"),
              "36#\"\\Storage Card\\TW\\Player.exe\" \"Card\"");
}

TEST_F(MacroFiles, ShortcutNeedsTheProductsFolder) {
    std::filesystem::remove_all(device.Host(shortcuts));
    EXPECT_FALSE(CreateMacroShortcut(L"New Macro"));
    EXPECT_FALSE(Exists(shortcuts));
    std::filesystem::remove_all(device.Host("Windows/Start Menu"));
    EXPECT_FALSE(CreateMacroShortcut(L"New Macro"));
    EXPECT_FALSE(Exists("Windows/Start Menu"));
}

TEST_F(MacroFiles, RenameMovesTheFileAndReplacesTheShortcut) {
    Save("A", "Press 1 2\n");
    ASSERT_TRUE(RenameMacro(L"A", L"B"));
    ExpectMoved("A", "B", "Press 1 2\n");
}

TEST_F(MacroFiles, RenameToAnExistingNameChangesNothing) {
    Save("A", "Press 1 2\n");
    Save("B", "Press 3 4\n");
    // A shortcut or a file alone also holds its name.
    device.Write(shortcuts + "Link.lnk", ShortcutOf("Link"));
    device.Write(macros + "File.macros", "");
    const auto before = Files();
    // The file system ignores case, so another case of a name is the same name.
    for (const std::wstring name : {L"B", L"b", L"Link", L"file"}) {
        std::wstring reason;
        EXPECT_FALSE(RenameMacro(L"A", name, &reason)) << name;
        EXPECT_EQ(reason, L"A macro named \"" + name + L"\" already exists.") << name;
        EXPECT_EQ(Files(), before) << name;
    }
}

TEST_F(MacroFiles, RenameToTheSameNameOrAnotherCaseKeepsTheMacro) {
    Save("Mix", "Press 1 2\n");
    EXPECT_TRUE(RenameMacro(L"Mix", L"Mix"));
    EXPECT_EQ(device.Read(macros + "Mix.macros"), "Press 1 2\n");
    EXPECT_EQ(device.Read(shortcuts + "Mix.lnk"), ShortcutOf("Mix"));

    ASSERT_TRUE(RenameMacro(L"Mix", L"MIX"));
    ExpectMoved("Mix", "MIX", "Press 1 2\n");
}

TEST_F(MacroFiles, RefusedNewNamesTouchNothingAndSayWhy) {
    Save("A", "Press 1 2\n");
    const auto before = Files();
    // The longest name whose shortcut path still fits a device path, and one letter more.
    const std::wstring prefix = L"\\Windows\\Start Menu\\Programs\\Tapweave\\";
    const std::wstring longest(MAX_PATH - 1 - prefix.size() - 4, L'n');
    const std::pair<std::wstring, std::wstring> refused[] = {
        {L"", L"A macro needs a name."},
        {L"   ", L"A macro needs a name."},
        {L" A2", L"A macro name cannot begin or end with a space, nor end with a dot."},
        {L"A2 ", L"A macro name cannot begin or end with a space, nor end with a dot."},
        {L"A2.", L"A macro name cannot begin or end with a space, nor end with a dot."},
        {L"..", L"A macro name cannot begin or end with a space, nor end with a dot."},
        {L"A/2", L"A macro name cannot hold any of \\ / : * ? \" < > | or a control character."},
        {longest + L"n", L"The name is too long for a macro."},
    };
    for (const auto& [name, why] : refused) {
        std::wstring reason;
        EXPECT_FALSE(RenameMacro(L"A", name, &reason)) << name;
        EXPECT_EQ(reason, why) << name;
        EXPECT_EQ(Files(), before) << name;
    }
    ASSERT_TRUE(RenameMacro(L"A", longest));
    EXPECT_TRUE(Exists(shortcuts + std::string(longest.begin(), longest.end()) + ".lnk"));
}

TEST_F(MacroFiles, ARenameThatCannotFinishPutsEverythingBack) {
    // The old shortcut is missing: the file goes back to its old name.
    device.Write(macros + "A.macros", "Press 1 2\n");
    auto before = Files();
    std::wstring reason;
    EXPECT_FALSE(RenameMacro(L"A", L"B", &reason));
    EXPECT_EQ(reason, L"The shortcut of \"A\" could not be renamed.");
    EXPECT_EQ(Files(), before);

    // No macro file: nothing changes.
    Save("C", "");
    std::filesystem::remove(device.Host(macros + "C.macros"));
    before = Files();
    EXPECT_FALSE(RenameMacro(L"C", L"D", &reason));
    EXPECT_EQ(reason, L"The macro file of \"C\" could not be renamed.");
    EXPECT_EQ(Files(), before);

    // No folder for the new shortcut, or no Programs folder: nothing moves.
    Save("E", "");
    std::filesystem::remove_all(device.Host(shortcuts));
    before = Files();
    EXPECT_FALSE(RenameMacro(L"E", L"F", &reason));
    EXPECT_EQ(reason, L"There is no Start-menu folder for the macro's shortcut.");
    EXPECT_EQ(Files(), before);
    std::filesystem::remove_all(device.Host("Windows/Start Menu"));
    EXPECT_FALSE(RenameMacro(L"E", L"F", &reason));
    EXPECT_EQ(reason, L"There is no Start-menu folder for the macro's shortcut.");
    EXPECT_EQ(Files(), before);
}

TEST_F(MacroFiles, DeleteRemovesTheShortcutThenTheFile) {
    Save("A", "");
    Save("B", "");
    ASSERT_TRUE(DeleteMacro(L"a"));
    EXPECT_FALSE(Exists(macros + "A.macros"));
    EXPECT_FALSE(Exists(shortcuts + "A.lnk"));
    EXPECT_TRUE(Exists(macros + "B.macros"));
    EXPECT_TRUE(Exists(shortcuts + "B.lnk"));
}

TEST_F(MacroFiles, DeleteStopsWhereItFails) {
    // The shortcut was removed by hand: the file stays.
    device.Write(macros + "A.macros", "Press 1 2\n");
    EXPECT_FALSE(DeleteMacro(L"A"));
    EXPECT_EQ(device.Read(macros + "A.macros"), "Press 1 2\n");

    // The file is missing: the shortcut is gone all the same.
    device.Write(shortcuts + "B.lnk", ShortcutOf("B"));
    EXPECT_FALSE(DeleteMacro(L"B"));
    EXPECT_FALSE(Exists(shortcuts + "B.lnk"));

    // No Programs folder: nothing is deleted.
    std::filesystem::remove_all(device.Host("Windows/Start Menu"));
    EXPECT_FALSE(DeleteMacro(L"A"));
    EXPECT_TRUE(Exists(macros + "A.macros"));
}

TEST_F(MacroFiles, NamesThatCannotBeFileNamesTouchNothing) {
    Save("A", "Press 1 2\n");
    // "..\Moved" would name the folder above; "Sub\A" a file below another name.
    device.Write("Program Files/Tapweave/A.macros", "outside");
    device.Write(shortcuts + "Sub/A.lnk", ShortcutOf("A"));
    const auto before = Files();
    for (const std::wstring name : {L"..\\Moved", L"..\\A", L"Sub\\A", L"Sub/A", L"C:", L"A*",
                                    L"A?", L"\"A\"", L"<A>", L"A|B", L"A\tB", L"A\nB"}) {
        EXPECT_FALSE(CreateMacroShortcut(name)) << name;
        EXPECT_FALSE(RenameMacro(L"A", name)) << name;
        EXPECT_FALSE(RenameMacro(name, L"B")) << name;
        EXPECT_FALSE(DeleteMacro(name)) << name;
        EXPECT_FALSE(EditMacro(name)) << name;
        EXPECT_EQ(Files(), before) << name;
    }
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(MacroFiles, EditOpensTheMacroFileWithItsAssociatedProgram) {
    Save("New Macro", "Press 1 2\n");
    device.Write("Windows/pword.exe", "");
    // Without an association, with no text editor and no display, nothing opens.
    {
        const ScopedEnvironment path("PATH", device.Host("").c_str());
        const ScopedEnvironment headless("TAPWEAVE_GUI", "headless");
        EXPECT_FALSE(EditMacro(L"New Macro"));
        EXPECT_TRUE(launcher.starts.empty());
    }

    for (const auto& [keyName, value] :
         {std::pair{L".macros", L"macrosfile"},
          std::pair{L"macrosfile\\Shell\\Open\\Command", L"\\Windows\\pword.exe %1"}}) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName, 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    ASSERT_TRUE(EditMacro(L"New Macro"));
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].hostProgram, device.Host("Windows/pword.exe"));
    EXPECT_EQ(launcher.starts[0].commandLine,
              L"\"\\Program Files\\Tapweave\\Macros\\New Macro.macros\"");
    EXPECT_FALSE(EditMacro(L"Missing"));
}

// A program of the host for the test: a shell script.
void Script(const std::string& path, const std::string& text) {
    std::ofstream(path) << "#!/bin/sh\n" << text;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// With no program of the device for macro files, Edit opens the person's own editor in a
// terminal, really started: the editor's words and the file's path, spaces and all, arrive as
// arguments, and an editor that is not there is passed over.
TEST(EditWithoutAssociation, ThePersonsEditorOpensTheFileInATerminal) {
    TempDevice device;
    device.Write(macros + "New Macro.macros", "Press 1 2\n");
    const std::string tools = device.Directory() + "/tools";
    const std::string said = device.Directory() + "/said";
    std::filesystem::create_directories(tools);
    Script(tools + "/x-terminal-emulator", "[ \"$1\" = -e ] || exit 1\nshift\nexec \"$@\"\n");
    for (const char* editor : {"fake-editor", "vi"}) {
        Script(tools + "/" + editor, std::string("PATH=/usr/bin:/bin\nprintf '%s|' ") + editor +
                                         " \"$@\" > \"" + said + ".part\" && mv \"" + said +
                                         ".part\" \"" + said + "\"\n");
    }
    const ScopedEnvironment path("PATH", tools.c_str());
    const ScopedEnvironment display("TAPWEAVE_GUI", "qt");
    const std::string file = device.Host(macros + "New Macro.macros");
    const auto opened = [&] {
        const bool arrived = WaitUntil([&] { return std::filesystem::exists(said); });
        const std::string text = FileContent(said);
        std::filesystem::remove(said);
        return arrived ? text : "(nothing)";
    };
    {
        const ScopedEnvironment visual("VISUAL", nullptr);
        const ScopedEnvironment editor("EDITOR", "fake-editor --wait");
        ASSERT_TRUE(EditMacro(L"New Macro"));
        EXPECT_EQ(opened(), "fake-editor|--wait|" + file + "|");
    }
    {
        const ScopedEnvironment visual("VISUAL", "missing-editor");
        const ScopedEnvironment editor("EDITOR", nullptr);
        ASSERT_TRUE(EditMacro(L"New Macro"));
        EXPECT_EQ(opened(), "vi|" + file + "|");
    }
    // Without a display there is no terminal to show: it says so.
    const ScopedEnvironment headless("TAPWEAVE_GUI", "headless");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(EditMacro(L"New Macro"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no display"), std::string::npos);
}

} // namespace
