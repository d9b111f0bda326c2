#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <unistd.h>

#include "EvdevSource.h"
#include "SampleCollector.h"
#include "ScopedEnvironment.h"
#include "ScriptSource.h"
#include "TempDevice.h"
#include "TouchPanel.h"
#include "TouchScript.h"
#include "TouchSource.h"
#include "WaitUntil.h"

namespace {

std::vector<ScriptSample> ReadAll(const TempDevice& device, const std::string& text,
                                  std::string& messages) {
    device.Write("script.txt", text);
    TouchScript script;
    std::string error;
    EXPECT_TRUE(script.Open(device.Host("script.txt"), error)) << error;
    std::vector<ScriptSample> samples;
    testing::internal::CaptureStderr();
    ScriptSample sample{};
    while (script.Next(sample)) {
        samples.push_back(sample);
    }
    messages = testing::internal::GetCapturedStderr();
    return samples;
}

} // namespace

TEST(TouchScript, LinesGiveTimesKindsAndPositions) {
    TempDevice device;
    std::string messages;
    const auto samples = ReadAll(device,
                                 "# a tap and a drag\n"
                                 "\n"
                                 "0 down 10 20\n"
                                 "  15\tup   -4 +7   # lifted\n"
                                 "40 invalid 1 2\n"
                                 "50 down 2147483647 -2147483648\r\n"
                                 "60 up 5 6",
                                 messages);
    EXPECT_EQ(messages, "");
    ASSERT_EQ(samples.size(), 5u);
    EXPECT_EQ(samples[0].milliseconds, 0);
    EXPECT_EQ(samples[0].sample.flags, TouchSampleValidFlag | TouchSampleDownFlag);
    EXPECT_EQ(samples[0].sample.x, 10);
    EXPECT_EQ(samples[0].sample.y, 20);
    EXPECT_EQ(samples[1].milliseconds, 15);
    EXPECT_EQ(samples[1].sample.flags, TouchSampleValidFlag);
    EXPECT_EQ(samples[1].sample.x, -4);
    EXPECT_EQ(samples[1].sample.y, 7);
    EXPECT_EQ(samples[2].sample.flags, 0u);
    EXPECT_EQ(samples[3].sample.x, 2147483647);
    EXPECT_EQ(samples[3].sample.y, -2147483647 - 1);
    // The last line has no line feed and counts all the same.
    EXPECT_EQ(samples[4].milliseconds, 60);
}

TEST(TouchScript, MalformedLinesAreSkippedWithOneMessageEach) {
    TempDevice device;
    std::string messages;
    const auto samples = ReadAll(device,
                                 "0 down 1 1\n"
                                 "5 press 1 1\n"
                                 "-1 down 1 1\n"
                                 "x down 1 1\n"
                                 "7 down 1\n"
                                 "8 down 1 1 1\n"
                                 "9 down 1.5 1\n"
                                 "10 down 1 2147483648\n"
                                 "99999999999999999999 up 1 1\n"
                                 "20 up 2 2\n",
                                 messages);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1].milliseconds, 20);
    std::size_t lines = 0;
    for (char c : messages) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 8u) << messages;
    EXPECT_NE(messages.find("line 2 skipped"), std::string::npos) << messages;
    EXPECT_NE(messages.find("line 9 skipped"), std::string::npos) << messages;
}

TEST(TouchScript, OverlongLinesAreSkippedWithoutBeingKept) {
    TempDevice device;
    std::string messages;
    const std::string spaces(200000, ' ');
    const auto samples =
        ReadAll(device, "1 down 1 1\n" + spaces + "2 down 2 2\n3 up 3 3\n" + std::string(5000, '7'),
                messages);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1].milliseconds, 3);
    EXPECT_NE(messages.find("line 2 skipped: too long"), std::string::npos) << messages;
    EXPECT_NE(messages.find("line 4 skipped: too long"), std::string::npos) << messages;
}

TEST(TouchScript, AMissingScriptDoesNotOpen) {
    TempDevice device;
    std::string error;
    EXPECT_EQ(ScriptSource::Open(device.Host("none.txt"), error), nullptr);
    EXPECT_NE(error.find("none.txt"), std::string::npos);
}

TEST(TouchScript, SamplesArriveOnTheDriverThreadAtTheirTimes) {
    TempDevice device;
    device.Write("script.txt", "0 down 4 8\n"
                               "40 down 12 16\n"
                               "20 invalid 0 0\n"
                               "120 up 12 16\n");
    const std::string source = "script:" + device.Host("script.txt");
    ScopedEnvironment touch("TAPWEAVE_TOUCH", source.c_str());
    SampleCollector::Clear();
    const auto enabled = std::chrono::steady_clock::now();
    ASSERT_TRUE(TouchPanelEnable(&SampleCollector::Callback));
    const auto samples = SampleCollector::WaitFor(5, std::chrono::seconds(5));
    TouchPanelDisable();
    ASSERT_EQ(samples.size(), 5u);
    EXPECT_EQ(samples[0].x, 4);
    EXPECT_EQ(samples[1].x, 12);
    EXPECT_EQ(samples[2].flags, 0u);
    EXPECT_EQ(samples[3].flags, TouchSampleValidFlag);
    // Then the script has no more: the callback hears so once.
    EXPECT_EQ(samples[4].flags, TouchSampleSourceEndedFlag);
    const auto offset = [&](std::size_t i) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(samples[i].at - enabled)
            .count();
    };
    // Times are deadlines from enabling: never early; a time before the previous one at once.
    EXPECT_GE(offset(1), 40);
    EXPECT_GE(offset(2), offset(1));
    EXPECT_GE(offset(3), 120);
    for (const CollectedSample& sample : samples) {
        EXPECT_NE(sample.thread, std::this_thread::get_id());
        EXPECT_EQ(sample.thread, samples[0].thread);
    }
}

TEST(TouchScript, DisablingStopsALongPauseAndEnablingStartsAgain) {
    TempDevice device;
    device.Write("script.txt", "0 down 1 1\n600000 up 1 1\n");
    const std::string source = "script:" + device.Host("script.txt");
    ScopedEnvironment touch("TAPWEAVE_TOUCH", source.c_str());
    SampleCollector::Clear();
    ASSERT_TRUE(TouchPanelEnable(&SampleCollector::Callback));
    ASSERT_EQ(SampleCollector::WaitFor(1, std::chrono::seconds(5)).size(), 1u);
    TouchPanelDisable();
    SampleCollector::Clear();
    ASSERT_TRUE(TouchPanelEnable(&SampleCollector::Callback));
    EXPECT_EQ(SampleCollector::WaitFor(1, std::chrono::seconds(5)).size(), 1u);
    TouchPanelDisable();
}

TEST(TouchScript, NoSourceMeansNoEnabling) {
    TempDevice device;
    ScopedEnvironment touch("TAPWEAVE_TOUCH", "tablet");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(TouchPanelEnable(&SampleCollector::Callback));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("TAPWEAVE_TOUCH"), std::string::npos);
    const std::string missing = "script:" + device.Host("missing.txt");
    ScopedEnvironment missingScript("TAPWEAVE_TOUCH", missing.c_str());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(TouchPanelEnable(&SampleCollector::Callback));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(TouchPanelEnable(nullptr));
}

TEST(TouchScript, WithoutTouchScreenOrDisplayThereIsNoSource) {
    TempDevice device;
    ScopedEnvironment touch("TAPWEAVE_TOUCH", nullptr);
    ScopedEnvironment display("DISPLAY", nullptr);
    // The default is tried only where no touch screen would be grabbed by it.
    const bool touchScreen = EvdevSource::Present();
    for (const char* spec : {"", "evdev:/dev/null", "evdev:/dev/input/event999",
                             "evdev-pointer:/dev/null", "script:", "x11"}) {
        if (touchScreen && !*spec) {
            continue;
        }
        std::string error;
        EXPECT_EQ(TouchSource::Open(spec, error), nullptr) << spec;
        EXPECT_FALSE(error.empty()) << spec;
    }
}

TEST(TouchScript, AScriptOnStandardInputIsReadAsItComesAndDisablingEndsTheWait) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const int savedInput = dup(STDIN_FILENO);
    dup2(pipeEnds[0], STDIN_FILENO);
    ScopedEnvironment touch("TAPWEAVE_TOUCH", "script:-");
    SampleCollector::Clear();
    ASSERT_TRUE(TouchPanelEnable(&SampleCollector::Callback));
    const std::string first = "0 down 1 2\n5 up 3";
    ASSERT_EQ(write(pipeEnds[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
    EXPECT_EQ(SampleCollector::WaitFor(1, std::chrono::seconds(5)).size(), 1u);
    const std::string rest = " 4\n";
    ASSERT_EQ(write(pipeEnds[1], rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
    const auto samples = SampleCollector::WaitFor(2, std::chrono::seconds(5));
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1].x, 3);
    EXPECT_EQ(samples[1].y, 4);

    // The pipe stays open with nothing more to read; disabling must not wait for it.
    auto disabled = std::make_shared<std::atomic<bool>>(false);
    std::thread disabling([disabled] {
        TouchPanelDisable();
        *disabled = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return disabled->load(); }, std::chrono::seconds(5)));
    if (*disabled) {
        disabling.join();
    } else {
        disabling.detach();
    }
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}
