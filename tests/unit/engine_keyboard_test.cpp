// The hardware-key step: key names and the key events it plays.
#include <gtest/gtest.h>

#include <memory>

#include "ActionRegistry.h"
#include "FakeClock.h"
#include "RecordingInjector.h"
#include "platform/input.h"

namespace {

std::unique_ptr<Action> Key(const std::string& params) {
    return std::unique_ptr<Action>(ActionRegistry::GetInstance().Create("Keyboard", params));
}

InjectedEvent KeyEvent(BYTE vk, DWORD flags, std::int64_t micros) {
    return {true, flags, 0, 0, vk, micros};
}

constexpr DWORD down = KEYEVENTF_SILENT;
constexpr DWORD up = KEYEVENTF_SILENT | KEYEVENTF_KEYUP;

TEST(Keyboard, ApplicationKeyTravelsWithTheWindowsKeyAndIsHeld200Ms) {
    FakeClock clock;
    RecordingInjector injector;
    const std::int64_t start = clock.micros;
    ASSERT_TRUE(Key("app3")->Play());
    const std::int64_t released = start + 200'000;
    const std::vector<InjectedEvent> expected = {
        KeyEvent(VK_LWIN, down, start), KeyEvent(0xC3, down, start), KeyEvent(0xC3, up, released),
        KeyEvent(VK_LWIN, up, released)};
    EXPECT_EQ(injector.events, expected);
    EXPECT_EQ(clock.sleeps, std::vector<DWORD>{200});
}

TEST(Keyboard, OtherKeysGoAlone) {
    FakeClock clock;
    RecordingInjector injector;
    const std::int64_t start = clock.micros;
    ASSERT_TRUE(Key("enter")->Play());
    const std::vector<InjectedEvent> expected = {KeyEvent(VK_RETURN, down, start),
                                                 KeyEvent(VK_RETURN, up, start + 200'000)};
    EXPECT_EQ(injector.events, expected);
}

TEST(Keyboard, UnknownNamesGiveKeyZeroAndAnEmptyParameter) {
    for (const char* name : {"Left", "left ", "", "left\r", "app7"}) {
        const std::unique_ptr<Action> step = Key(name);
        ASSERT_NE(step, nullptr) << name;
        EXPECT_EQ(step->GetParams(), "") << name;
    }
    FakeClock clock;
    RecordingInjector injector;
    Key("Left")->Play();
    const std::vector<InjectedEvent> expected = {KeyEvent(0, down, clock.micros - 200'000),
                                                 KeyEvent(0, up, clock.micros)};
    EXPECT_EQ(injector.events, expected);
}

TEST(Keyboard, EveryNameIsWrittenBackUnchanged) {
    for (const char* name : {"left", "right", "up", "down", "enter", "softkey1", "softkey2", "app1",
                             "app2", "app3", "app4", "app5", "app6"}) {
        EXPECT_EQ(Key(name)->GetParams(), name);
    }
}

} // namespace
