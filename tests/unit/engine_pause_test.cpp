// The pause step: measuring while recording, its text in seconds, and waiting.
#include <gtest/gtest.h>

#include <memory>

#include "ActionRegistry.h"
#include "FakeClock.h"
#include "Pause.h"

namespace {

std::unique_ptr<Action> PauseLine(const std::string& params) {
    return std::unique_ptr<Action>(ActionRegistry::GetInstance().Create("Pause", params));
}

// What a pause line waits, in milliseconds, when played outside a macro.
DWORD PlayedFor(const std::string& params) {
    FakeClock clock;
    const std::unique_ptr<Action> pause = PauseLine(params);
    if (!pause || !pause->Play() || clock.sleeps.size() != 1) {
        ADD_FAILURE() << "no single wait for \"" << params << "\"";
        return 0;
    }
    return clock.sleeps[0];
}

TEST(Pause, MeasuresTheTimeBetweenStepsInTensOfMilliseconds) {
    FakeClock clock;
    Pause::ResetTimer();
    EXPECT_EQ(Pause::Create(), nullptr); // starts the measurement
    clock.Pass(1234);
    std::unique_ptr<Pause> pause(Pause::Create());
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->GetParams(), "1.23 s");
    clock.Pass(9);
    EXPECT_EQ(Pause::Create(), nullptr);
    clock.Pass(10);
    pause.reset(Pause::Create());
    ASSERT_NE(pause, nullptr); // the 9 ms before were not carried over
    EXPECT_EQ(pause->GetParams(), "0.01 s");
}

TEST(Pause, MeasuresAcrossTheWrapOfTheTickCounter) {
    FakeClock clock;
    clock.micros = (0xFFFFFFFFll - 5) * 1000;
    Pause::ResetTimer();
    EXPECT_EQ(Pause::Create(), nullptr);
    clock.Pass(25);
    const std::unique_ptr<Pause> pause(Pause::Create());
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->GetParams(), "0.02 s");
}

TEST(Pause, WritesSecondsWithSixSignificantDigits) {
    const std::pair<DWORD, const char*> cases[] = {
        {250, "0.25 s"},        {1000, "1 s"},         {12340, "12.34 s"},
        {1234567, "1234.57 s"}, {10000000, "10000 s"}, {4294967295u, "4.29497e+06 s"}};
    for (const auto& [milliseconds, text] : cases) {
        EXPECT_EQ(Pause(milliseconds).GetParams(), text);
    }
}

TEST(Pause, ReadsSecondsAndTruncatesToMilliseconds) {
    EXPECT_EQ(PlayedFor("2.01 s"), 2009u); // 2.01 * 1000.0 is just under 2010
    EXPECT_EQ(PlayedFor("0.25 s"), 250u);
    EXPECT_EQ(PlayedFor("1 s"), 1000u);
    EXPECT_EQ(PlayedFor("1"), 1000u);
    EXPECT_EQ(PlayedFor("1.5"), 1500u);
    EXPECT_EQ(PlayedFor("1e1 s"), 10000u);
    EXPECT_EQ(PlayedFor("0.0015 s"), 1u);
    EXPECT_EQ(PlayedFor("  3 s\r"), 3000u);
    EXPECT_EQ(PlayedFor("1234.57 s"), 1234570u);
    EXPECT_EQ(PlayedFor("-0 s"), 0u);
    EXPECT_EQ(PlayedFor("4294967.295 s"), 4294967295u);
}

TEST(Pause, RefusesTextWithoutAUsableNumber) {
    for (const char* text : {"s", "", " ", "x1", "inf s", "nan s", "1e s", ".", "-0.001 s", "-1 s",
                             "5e6 s", "4294967.296 s", "1e400 s"}) {
        EXPECT_EQ(PauseLine(text), nullptr) << text;
    }
}

} // namespace
