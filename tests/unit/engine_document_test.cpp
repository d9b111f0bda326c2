// The macro document: recording with pauses and separators, loading by name, playing in order.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "FakeClock.h"
#include "FakeDesktop.h"
#include "FixedDisplay.h"
#include "Keyboard.h"
#include "MacroDocument.h"
#include "MacroFile.h"
#include "MouseLeftDown.h"
#include "MouseLeftUp.h"
#include "MouseMove.h"
#include "Pause.h"
#include "PlaybackSpeed.h"
#include "RecordingInjector.h"
#include "SharedNames.h"
#include "Start.h"
#include "TempDevice.h"

namespace {

const std::string macroFolder = "Program Files/Tapweave/Macros/";

std::string Text(MacroDocument& document) {
    std::ostringstream out;
    MacroFile::Write(out, document.Steps());
    return out.str();
}

// A step that lets time pass when played, as injecting or drawing does, and can fail.
class Busy : public Action {
  public:
    Busy(FakeClock& clock, std::int64_t micros, bool succeeds = true)
        : clock(clock), micros(micros), succeeds(succeeds) {}
    Action* Parse(const std::string&) override { return nullptr; }
    std::string GetKeyword() override { return "Busy"; }
    std::string GetParams() override { return std::to_string(micros); }
    bool Play() override {
        clock.micros += micros;
        ++plays;
        return succeeds;
    }

    FakeClock& clock;
    std::int64_t micros;
    bool succeeds;
    int plays = 0;
};

class Recording : public ::testing::Test {
  protected:
    FakeClock clock;
    FakeDesktop desktop;
    MacroDocument document;

    void InFront(const std::wstring& program) {
        desktop.AddToday(1);
        desktop.front = desktop.AddWindow(2, 77, program);
    }
    void At(std::int64_t milliseconds, Action* step, int kind) {
        clock.micros = start + milliseconds * 1000;
        document.Add(ActionPtr(step), kind);
    }

    // Makes the document hold these steps, in order, as a recording with no time between them.
    void Compose(std::initializer_list<Action*> steps) {
        document.Load(L"a/b"); // a name no macro can have empties the document at once
        InFront(L"\\Windows\\shell32.exe");
        document.StartRecording();
        for (Action* step : steps) {
            document.Add(ActionPtr(step), Macros::AddPlain);
        }
        document.StopRecording();
        clock.deadlines.clear();
    }

    std::int64_t start = clock.micros;
};

TEST_F(Recording, WorkedRecordingKeepsTheTimingInTensOfMilliseconds) {
    InFront(L"\\Program Files\\Notes\\notes.exe");
    document.StartRecording();
    At(500, new MouseLeftDown(1, 1), Macros::AddBreakBefore);
    At(505, new MouseMove(2, 2), Macros::AddPlain);
    At(530, new MouseMove(3, 3), Macros::AddPlain);
    At(600, new MouseLeftUp(3, 3), Macros::AddBreakAfter);
    EXPECT_EQ(Text(document), "Start \\Program Files\\Notes\\notes.exe\n"
                              " \n"
                              "Pause 0.5 s\n"
                              " \n"
                              "Press 1 1\n"
                              "Move 2 2\n"
                              "Pause 0.02 s\n"
                              "Move 3 3\n"
                              "Pause 0.07 s\n"
                              "Release \n"
                              " \n");
}

TEST_F(Recording, ShellInFrontGivesNoStartStepAndNoFirstPause) {
    InFront(L"\\Windows\\shell32.exe");
    document.StartRecording();
    At(300, new MouseLeftDown(5, 6), Macros::AddBreakBefore);
    At(400, new MouseLeftUp(5, 6), 7); // an unknown kind adds the step alone
    EXPECT_EQ(Text(document), "Press 5 6\nPause 0.1 s\nRelease \n");
}

TEST_F(Recording, StoppingAndStartingAgainAddsAStartStepAndNoPauseForTheTimeStopped) {
    InFront(L"/usr/bin/xterm");
    document.StartRecording();
    At(100, new MouseLeftDown(1, 2), Macros::AddBreakBefore);
    document.StopRecording();
    At(200, new MouseMove(9, 9), Macros::AddPlain); // not recording: dropped
    clock.Pass(5000);
    document.StartRecording();
    At(5300, new MouseLeftUp(1, 2), Macros::AddBreakAfter); // 100 ms after starting again
    EXPECT_EQ(Text(document), "Start /usr/bin/xterm\n \nPause 0.1 s\n \nPress 1 2\n"
                              "Start /usr/bin/xterm\n \nPause 0.1 s\nRelease \n \n");
}

TEST_F(Recording, DroppedStepsStayWithTheCaller) {
    const ActionPtr step(new MouseMove(1, 1));
    document.Add(step, Macros::AddPlain); // not recording
    InFront(L"\\Windows\\shell32.exe");
    document.StartRecording();
    document.Add(ActionPtr(), Macros::AddBreakAfter);
    EXPECT_EQ(step.UseCount(), 1);
    EXPECT_EQ(Text(document), "");
    document.Add(step, Macros::AddPlain);
    EXPECT_EQ(step.UseCount(), 2);
}

TEST_F(Recording, PlayStopsAtTheFirstFailingStep) {
    EXPECT_TRUE(document.Play()); // empty
    InFront(L"\\Windows\\shell32.exe");
    document.StartRecording();
    auto* first = new Busy(clock, 1000);
    auto* failing = new Busy(clock, 1000, false);
    auto* last = new Busy(clock, 1000);
    for (Busy* step : {first, failing, last}) {
        document.Add(ActionPtr(step), Macros::AddPlain);
    }
    EXPECT_FALSE(document.Play());
    EXPECT_EQ(first->plays, 1);
    EXPECT_EQ(failing->plays, 1);
    EXPECT_EQ(last->plays, 0);
}

TEST_F(Recording, PausesRunAgainstOneDeadlineThatDeliberateWaitsAndStallsRestart) {
    TempDevice device;
    RecordingInjector injector;
    device.Write(macroFolder + "Timing.macros", "Pause 0.01 s\nPause 0.01 s\nKeyboard up\n"
                                                "Pause 0.01 s\nStart Today\nPause 0.01 s\n");
    ASSERT_TRUE(document.Load(L"Timing"));
    // Interleave steps that take 0.3 ms each, as injection would, between the pauses.
    const std::vector<ActionPtr> steps = document.Steps();
    document.Load(L"Missing");
    InFront(L"\\Windows\\shell32.exe");
    document.StartRecording();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        document.Add(steps[i], Macros::AddPlain);
        document.Add(ActionPtr(new Busy(clock, 300)), Macros::AddPlain);
    }
    document.StopRecording();
    ASSERT_EQ(document.Steps().size(), 12u);

    clock.deadlines.clear();
    std::int64_t begin = clock.micros;
    ASSERT_TRUE(document.Play());
    // 10 and 20 ms from the beginning whatever the steps between took; the key's hold ends
    // at 220.3 ms and the deadline restarts there, so the next pause ends 10 ms later, the
    // 0.3 ms step before it included; likewise after the Today screen's 200 ms wait.
    EXPECT_EQ(clock.deadlines, (std::vector<std::int64_t>{begin + 10'000, begin + 20'000,
                                                          begin + 230'300, begin + 440'600}));

    // A stall of 1.5 s is not made up by cutting the pauses after it; being late by one
    // millisecond is still made up, by more than that not.
    Compose({new Pause(500), new Busy(clock, 1'500'000), new Pause(500), new Busy(clock, 200),
             new Pause(500), new Pause(500), new Busy(clock, 1000), new Pause(500),
             new Busy(clock, 1001), new Pause(500)});
    begin = clock.micros;
    ASSERT_TRUE(document.Play());
    EXPECT_EQ(clock.deadlines,
              (std::vector<std::int64_t>{begin + 500'000, begin + 2'500'000, begin + 3'000'000,
                                         begin + 3'500'000, begin + 4'000'000, begin + 4'501'001}));
}

TEST_F(Recording, SpeedDividesEveryPauseButNotTheDeliberateWaits) {
    RecordingInjector injector;
    Compose({new Pause(500), new Pause(1000), new Keyboard("up"), new Pause(30)});
    const std::pair<double, std::int64_t> cases[] = {{2, 250'000}, {10, 50'000}, {0.1, 5'000'000}};
    for (const auto& [factor, firstPause] : cases) {
        SetPlaybackSpeed(factor);
        SetPlaybackSpeed(factor * 101); // out of range: changes nothing
        clock.deadlines.clear();
        const std::int64_t begin = clock.micros;
        ASSERT_TRUE(document.Play());
        const std::int64_t held = begin + firstPause * 3 + 200'000; // the key hold stays 200 ms
        EXPECT_EQ(clock.deadlines,
                  (std::vector<std::int64_t>{begin + firstPause, begin + firstPause * 3,
                                             held + std::llround(30'000 / factor)}))
            << factor;
    }
    SetPlaybackSpeed(1);
}

TEST_F(Recording, PlayNeverEndsWithTheStylusDown) {
    FixedDisplay display(240, 320);
    Mouse::OnScreenOrientationChange();
    RecordingInjector injector;
    const auto flagsPlayed = [&] {
        std::vector<std::pair<DWORD, LONG>> played;
        for (const InjectedEvent& event : injector.events) {
            played.emplace_back(event.flags, event.dx);
        }
        injector.events.clear();
        return played;
    };
    // Ending with a press, or a move of the pressed stylus: released where the stylus last was.
    Compose({new MouseLeftDown(1, 1), new MouseMove(2, 2)});
    EXPECT_TRUE(document.Play());
    EXPECT_EQ(flagsPlayed(),
              (std::vector<std::pair<DWORD, LONG>>{{0x8002, 273}, {0x8001, 546}, {0x8004, 546}}));
    // A failing step ends the playback with the stylus released too.
    Compose({new MouseLeftDown(3, 3), new Busy(clock, 0, false), new MouseLeftUp(0, 0)});
    EXPECT_FALSE(document.Play());
    EXPECT_EQ(flagsPlayed(), (std::vector<std::pair<DWORD, LONG>>{{0x8002, 819}, {0x8004, 819}}));
    // A macro that releases, or never presses, gets no second release.
    Compose({new MouseLeftDown(4, 4), new MouseLeftUp(0, 0), new MouseMove(5, 5)});
    EXPECT_TRUE(document.Play());
    EXPECT_EQ(flagsPlayed(), (std::vector<std::pair<DWORD, LONG>>{
                                 {0x8002, 1092}, {0x8004, 1092}, {0x8001, 1365}}));
}

class Loading : public ::testing::Test {
  protected:
    TempDevice device;
    MacroDocument document;
};

TEST_F(Loading, ReaderRulesForHandWrittenFiles) {
    device.Write(macroFolder + "Hand.macros", "Press 10 20\n"
                                              " \n"
                                              "Release\n"
                                              "Release \n"
                                              "Bogus 1\n"
                                              "press 1 2\n"
                                              "\n"
                                              "Press  1 2\n"
                                              "Keyboard  left\n"
                                              "Keyboard enter\r\n"
                                              "Start  x\n"
                                              "Start Today\r\n"
                                              "Start \n"
                                              "Pause 1.5\r\n"
                                              "Pause -1 s\n"
                                              "Move 3 4");
    // A carriage return before the line feed ends the line, as in files edited elsewhere.
    ASSERT_TRUE(document.Load(L"Hand"));
    EXPECT_EQ(Text(document), "Press 10 20\n"
                              "Release \n"
                              "Press 1 2\n"
                              "Keyboard \n"
                              "Keyboard enter\n"
                              "Start  x\n"
                              "Start Today\n"
                              "Start \n"
                              "Pause 1.5 s\n"
                              "Move 3 4\n");
}

TEST_F(Loading, EmptyFileLoadsAndMissingOneEmptiesTheDocument) {
    device.Write(macroFolder + "Empty.macros", "");
    device.Write(macroFolder + "One.macros", "Press 1 2\n");
    ASSERT_TRUE(document.Load(L"One"));
    EXPECT_EQ(document.Steps().size(), 1u);
    EXPECT_TRUE(document.Load(L"Empty"));
    EXPECT_TRUE(document.Steps().empty());
    ASSERT_TRUE(document.Load(L"one")); // the device's file names ignore case
    EXPECT_FALSE(document.Load(L"Missing"));
    EXPECT_TRUE(document.Steps().empty());
}

TEST_F(Loading, NamesThatCouldLeaveTheMacroFolderAreRefused) {
    device.Write("Program Files/Tapweave/Secret.macros", "Press 1 2\n");
    device.Write(macroFolder + "Ok.macros", "Press 1 2\n");
    for (const wchar_t* name : {L"..\\Secret", L"../Secret", L"a:b", L"a*", L"a?", L"a\"", L"a<",
                                L"a>", L"a|", L"a\tb", L"\\Ok"}) {
        ASSERT_TRUE(document.Load(L"Ok"));
        EXPECT_FALSE(document.Load(name));
        EXPECT_TRUE(document.Steps().empty());
    }
}

// Only a regular file of bounded size is a macro: nothing that would keep the reader waiting or
// reading for ever, and no link, whatever it leads to.
TEST_F(Loading, OnlyABoundedRegularFileIsAMacro) {
    alarm(60);
    const std::string folder = device.Host(macroFolder);
    device.Write(macroFolder + "Ok.macros", "Press 1 2\n");
    ASSERT_EQ(mkfifo((folder + "Fifo.macros").c_str(), 0644), 0);
    std::filesystem::create_directory(folder + "Folder.macros");
    std::filesystem::create_symlink("/dev/zero", folder + "Zero.macros");
    std::filesystem::create_symlink(folder + "Ok.macros", folder + "Link.macros");
    std::filesystem::create_symlink(folder + "Gone", folder + "Dangling.macros");
    for (const wchar_t* name : {L"Fifo", L"Folder", L"Zero", L"Link", L"Dangling"}) {
        ASSERT_TRUE(document.Load(L"Ok"));
        EXPECT_FALSE(document.Load(name)) << name;
        EXPECT_TRUE(document.Steps().empty());
    }

    // The largest macro is read; one byte more is refused with a word on standard error.
    std::ofstream(folder + "Big.macros") << "Press 1 2\n";
    std::filesystem::resize_file(folder + "Big.macros", maximumMacroFileSize);
    ASSERT_TRUE(document.Load(L"Big"));
    EXPECT_EQ(document.Steps().size(), 1u);
    std::filesystem::resize_file(folder + "Big.macros", maximumMacroFileSize + 1);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(document.Load(L"Big"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Big.macros"), std::string::npos) << said;
    EXPECT_TRUE(document.Steps().empty());
    alarm(0);
}

// A step whose text holds a line end cannot be written as one line of its own; it is left out
// rather than split into lines that read back as other steps.
TEST_F(Loading, NoWrittenLineHoldsALineEnd) {
    std::ostringstream out;
    MacroFile::Write(out, {ActionPtr(new Start("a\r\nPress 1 2")), ActionPtr(new Start("b\r")),
                           ActionPtr(new Start("c\nd")), ActionPtr(new MouseLeftUp(0, 0))});
    EXPECT_EQ(out.str(), "Release \n");
}

TEST_F(Loading, LoadedSeparatorLinesAreNotPlayed) {
    FixedDisplay display(240, 320);
    Mouse::OnScreenOrientationChange();
    RecordingInjector injector;
    device.Write(macroFolder + "Tap.macros", "Press 50 60\n \nMove 70 80\n \nRelease \n \n");
    ASSERT_TRUE(document.Load(L"Tap"));
    ASSERT_TRUE(document.Play());
    ASSERT_EQ(injector.events.size(), 3u);
    EXPECT_EQ(injector.events[2].dx, 70 * 273);
}

TEST_F(Loading, TheSavedExampleReadsBackAsFiveSteps) {
    FakeClock clock;
    FakeDesktop desktop; // nothing in front and no Today window: the Today screen
    document.StartRecording();
    const std::int64_t start = clock.micros;
    clock.micros = start + 1'230'000;
    document.Add(ActionPtr(new MouseLeftDown(120, 200)), Macros::AddBreakBefore);
    clock.micros = start + 1'330'000;
    document.Add(ActionPtr(new MouseLeftUp(120, 200)), Macros::AddBreakAfter);
    const std::string saved = "Start Today\n \nPause 1.23 s\n \nPress 120 200\nPause 0.1 s\n"
                              "Release \n \n";
    device.Write(macroFolder + "Example.macros", "");
    {
        std::ofstream file(device.Host(macroFolder + "Example.macros"), std::ios::binary);
        MacroFile::Write(file, document.Steps());
    }
    EXPECT_EQ(device.Read(macroFolder + "Example.macros"), saved);

    ASSERT_TRUE(document.Load(L"Example"));
    EXPECT_EQ(document.Steps().size(), 5u);
    EXPECT_EQ(Text(document), "Start Today\nPause 1.23 s\nPress 120 200\nPause 0.1 s\nRelease \n");
}

} // namespace
