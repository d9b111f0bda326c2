// The machine that builds this has no input devices, so the touch screen's events are fed to
// the sampler directly, as libevdev would read them.
#include <gtest/gtest.h>

#include <vector>

#include "EvdevSampler.h"

namespace {

input_event Event(unsigned type, unsigned code, int value) {
    input_event event{};
    event.type = static_cast<__u16>(type);
    event.code = static_cast<__u16>(code);
    event.value = value;
    return event;
}

input_event Report() {
    return Event(EV_SYN, SYN_REPORT, 0);
}

std::vector<TouchSample> Feed(EvdevSampler& sampler, const std::vector<input_event>& events) {
    std::vector<TouchSample> samples;
    for (const input_event& event : events) {
        TouchSample sample{};
        if (sampler.Feed(event, sample)) {
            samples.push_back(sample);
        }
    }
    return samples;
}

constexpr DWORD down = TouchSampleValidFlag | TouchSampleDownFlag;
constexpr DWORD up = TouchSampleValidFlag;

} // namespace

TEST(TouchEvdev, ASingleTouchScreenGivesOneSamplePerReport) {
    EvdevSampler sampler;
    const auto samples = Feed(sampler, {
                                           Event(EV_KEY, BTN_TOUCH, 1),
                                           Event(EV_ABS, ABS_X, 100),
                                           Event(EV_ABS, ABS_Y, 200),
                                           Report(),
                                           Event(EV_ABS, ABS_X, 110),
                                           Report(),
                                           Report(),
                                           Event(EV_ABS, ABS_Y, 220),
                                           Event(EV_MSC, MSC_SCAN, 5),
                                           Report(),
                                           Event(EV_KEY, BTN_TOUCH, 0),
                                           Report(),
                                       });
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_EQ(samples[0].flags, down);
    EXPECT_EQ(samples[0].x, 100);
    EXPECT_EQ(samples[0].y, 200);
    EXPECT_EQ(samples[1].x, 110);
    EXPECT_EQ(samples[1].y, 200);
    EXPECT_EQ(samples[2].y, 220);
    EXPECT_EQ(samples[3].flags, up);
    EXPECT_EQ(samples[3].x, 110);
    EXPECT_EQ(samples[3].y, 220);
}

TEST(TouchEvdev, HoverGivesNothingAndTheNextTouchStartsWhereItIs) {
    EvdevSampler sampler;
    const auto samples = Feed(sampler, {
                                           Event(EV_ABS, ABS_X, 5),
                                           Event(EV_ABS, ABS_Y, 6),
                                           Report(),
                                           Event(EV_ABS, ABS_X, 7),
                                           Report(),
                                           Event(EV_KEY, BTN_TOUCH, 1),
                                           Report(),
                                           Event(EV_KEY, BTN_TOUCH, 0),
                                           Report(),
                                           Event(EV_ABS, ABS_X, 9),
                                           Report(),
                                       });
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].flags, down);
    EXPECT_EQ(samples[0].x, 7);
    EXPECT_EQ(samples[0].y, 6);
    EXPECT_EQ(samples[1].flags, up);
}

TEST(TouchEvdev, AMultiTouchScreenFollowsItsFirstSlot) {
    EvdevSampler sampler;
    const auto samples = Feed(sampler, {
                                           Event(EV_ABS, ABS_MT_SLOT, 0),
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, 7),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 300),
                                           Event(EV_ABS, ABS_MT_POSITION_Y, 400),
                                           Report(),
                                           // A second finger moves; the first stays.
                                           Event(EV_ABS, ABS_MT_SLOT, 1),
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, 8),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 900),
                                           Report(),
                                           Event(EV_ABS, ABS_MT_SLOT, 0),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 310),
                                           Report(),
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, -1),
                                           Report(),
                                       });
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].flags, down);
    EXPECT_EQ(samples[0].x, 300);
    EXPECT_EQ(samples[0].y, 400);
    EXPECT_EQ(samples[1].x, 310);
    EXPECT_EQ(samples[2].flags, up);
    EXPECT_EQ(samples[2].x, 310);
}

TEST(TouchEvdev, EventsAfterADropAreIgnoredUntilTheNextReport) {
    EvdevSampler sampler;
    const auto samples = Feed(sampler, {
                                           Event(EV_KEY, BTN_TOUCH, 1),
                                           Event(EV_ABS, ABS_X, 1),
                                           Report(),
                                           Event(EV_ABS, ABS_X, 2),
                                           Event(EV_SYN, SYN_DROPPED, 0),
                                           Event(EV_ABS, ABS_X, 50),
                                           Report(),
                                           Event(EV_ABS, ABS_Y, 3),
                                           Report(),
                                       });
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1].flags, down);
    EXPECT_EQ(samples[1].x, 2);
    EXPECT_EQ(samples[1].y, 3);
}
