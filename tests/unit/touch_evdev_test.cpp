// The machine that builds this has no input devices, so the devices' events are fed to the
// samplers directly in the order the kernel sends them, the read loop gets them from a stand-in
// for libevdev, and devices are described to libevdev without a node.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <future>
#include <grp.h>
#include <libevdev/libevdev.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "EvdevKind.h"
#include "EvdevPointerSampler.h"
#include "EvdevSampler.h"
#include "EvdevSource.h"
#include "StrokeMerge.h"

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

template <typename Sampler>
std::vector<TouchSample> Feed(Sampler& sampler, const std::vector<input_event>& events) {
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
    // The kernel sends no position for a touch where its axes already stand.
    EvdevSampler opened(70, 80);
    const auto first = Feed(opened, {Event(EV_KEY, BTN_TOUCH, 1), Report()});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].x, 70);
    EXPECT_EQ(first[0].y, 80);

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

TEST(TouchEvdev, AMultiTouchScreenFollowsItsFirstContactThroughTheStroke) {
    EvdevSampler sampler(std::vector<EvdevSampler::Contact>(4), 0);
    // As the kernel sends them: the slots, then its single-touch emulation of the oldest
    // contact, which the sampler leaves alone.
    const auto samples = Feed(sampler, {
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, 7),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 300),
                                           Event(EV_ABS, ABS_MT_POSITION_Y, 400),
                                           Event(EV_KEY, BTN_TOUCH, 1),
                                           Event(EV_ABS, ABS_X, 300),
                                           Event(EV_ABS, ABS_Y, 400),
                                           Report(),
                                           // A second finger lands; the first stays.
                                           Event(EV_ABS, ABS_MT_SLOT, 1),
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, 8),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 900),
                                           Event(EV_ABS, ABS_MT_POSITION_Y, 950),
                                           Report(),
                                           Event(EV_ABS, ABS_MT_SLOT, 0),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 310),
                                           Event(EV_ABS, ABS_X, 310),
                                           Report(),
                                           // The first lifts: the emulation jumps to the
                                           // second, the stroke ends where the first was.
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, -1),
                                           Event(EV_ABS, ABS_X, 900),
                                           Event(EV_ABS, ABS_Y, 950),
                                           Report(),
                                           Event(EV_ABS, ABS_MT_SLOT, 1),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 920),
                                           Event(EV_ABS, ABS_X, 920),
                                           Report(),
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, -1),
                                           Event(EV_KEY, BTN_TOUCH, 0),
                                           Report(),
                                           // A new touch in slot 0 where its X stood: no X.
                                           Event(EV_ABS, ABS_MT_SLOT, 0),
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, 9),
                                           Event(EV_ABS, ABS_MT_POSITION_Y, 500),
                                           Event(EV_KEY, BTN_TOUCH, 1),
                                           Event(EV_ABS, ABS_X, 310),
                                           Event(EV_ABS, ABS_Y, 500),
                                           Report(),
                                       });
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_EQ(samples[0].flags, down);
    EXPECT_EQ(samples[0].x, 300);
    EXPECT_EQ(samples[0].y, 400);
    EXPECT_EQ(samples[1].x, 310);
    EXPECT_EQ(samples[2].flags, up);
    EXPECT_EQ(samples[2].x, 310);
    EXPECT_EQ(samples[2].y, 400);
    EXPECT_EQ(samples[3].flags, down);
    EXPECT_EQ(samples[3].x, 310);
    EXPECT_EQ(samples[3].y, 500);
}

TEST(TouchEvdev, AMultiTouchScreenStartsFromTheStateItWasOpenedIn) {
    // Opened with a finger down in slot 0 and the device's last events for slot 1, which the
    // kernel does not name again.
    std::vector<EvdevSampler::Contact> slots(2);
    slots[0] = {3, 10, 20};
    slots[1] = {-1, 50, 60};
    EvdevSampler sampler(slots, 1);
    const auto samples = Feed(sampler, {
                                           Event(EV_ABS, ABS_MT_TRACKING_ID, 12),
                                           Report(),
                                           Event(EV_ABS, ABS_MT_SLOT, 0),
                                           Event(EV_ABS, ABS_MT_POSITION_X, 999),
                                           Report(),
                                           Event(EV_ABS, ABS_MT_SLOT, 1),
                                           Event(EV_ABS, ABS_MT_POSITION_Y, 65),
                                           Report(),
                                       });
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].flags, down);
    EXPECT_EQ(samples[0].x, 50);
    EXPECT_EQ(samples[0].y, 60);
    EXPECT_EQ(samples[1].y, 65);
    TouchSample lifted{};
    ASSERT_TRUE(sampler.Lift(lifted));
    EXPECT_EQ(lifted.flags, up);
    EXPECT_EQ(lifted.y, 65);
    EXPECT_FALSE(sampler.Lift(lifted));
}

namespace {

// A device described to libevdev without a node: its event codes (EV_KEY, EV_ABS or EV_REL
// by their range) and properties.
struct Described {
    const char* name;
    std::vector<std::pair<unsigned, unsigned>> codes;
    std::vector<unsigned> properties;
    EvdevKind kind;
    bool touch;
    bool pointer;
};

libevdev* Describe(const Described& described) {
    libevdev* device = libevdev_new();
    const input_absinfo axis{0, 0, 4095, 0, 0, 0};
    for (const auto& [type, code] : described.codes) {
        libevdev_enable_event_code(device, type, code, type == EV_ABS ? &axis : nullptr);
    }
    for (const unsigned property : described.properties) {
        libevdev_enable_property(device, property);
    }
    return device;
}

constexpr std::pair<unsigned, unsigned> Key(unsigned code) {
    return {EV_KEY, code};
}
constexpr std::pair<unsigned, unsigned> Abs(unsigned code) {
    return {EV_ABS, code};
}
constexpr std::pair<unsigned, unsigned> Rel(unsigned code) {
    return {EV_REL, code};
}

} // namespace

TEST(TouchEvdev, DevicesAreTakenAsUdevTagsThem) {
    const std::vector<Described> devices = {
        {"single-touch screen without INPUT_PROP_DIRECT (usbtouchscreen)",
         {Abs(ABS_X), Abs(ABS_Y), Key(BTN_TOUCH)},
         {},
         EvdevKind::TouchScreen,
         true,
         false},
        {"multi-touch screen",
         {Abs(ABS_X), Abs(ABS_Y), Abs(ABS_MT_SLOT), Abs(ABS_MT_POSITION_X), Abs(ABS_MT_POSITION_Y),
          Abs(ABS_MT_TRACKING_ID), Key(BTN_TOUCH)},
         {INPUT_PROP_DIRECT},
         EvdevKind::TouchScreen,
         true,
         false},
        {"pen display's pen",
         {Abs(ABS_X), Abs(ABS_Y), Abs(ABS_PRESSURE), Key(BTN_TOOL_PEN), Key(BTN_STYLUS),
          Key(BTN_TOUCH)},
         {INPUT_PROP_DIRECT},
         EvdevKind::Tablet,
         true,
         false},
        {"tablet beside the screen",
         {Abs(ABS_X), Abs(ABS_Y), Key(BTN_TOOL_PEN), Key(BTN_TOUCH)},
         {},
         EvdevKind::Tablet,
         false,
         false},
        {"multi-touch screen without slots (protocol A)",
         {Abs(ABS_MT_POSITION_X), Abs(ABS_MT_POSITION_Y), Key(BTN_TOUCH)},
         {INPUT_PROP_DIRECT},
         EvdevKind::TouchScreen,
         false,
         false},
        {"touchpad",
         {Abs(ABS_X), Abs(ABS_Y), Abs(ABS_MT_SLOT), Abs(ABS_MT_POSITION_X), Abs(ABS_MT_POSITION_Y),
          Key(BTN_TOUCH), Key(BTN_TOOL_FINGER), Key(BTN_TOOL_DOUBLETAP), Key(BTN_LEFT)},
         {INPUT_PROP_POINTER, INPUT_PROP_BUTTONPAD},
         EvdevKind::Touchpad,
         false,
         true},
        {"mouse",
         {Rel(REL_X), Rel(REL_Y), Rel(REL_WHEEL), Key(BTN_LEFT), Key(BTN_RIGHT)},
         {},
         EvdevKind::Mouse,
         false,
         true},
        {"uinput pointer (ours) or a virtual machine's tablet",
         {Abs(ABS_X), Abs(ABS_Y), Key(BTN_LEFT)},
         {},
         EvdevKind::AbsoluteMouse,
         false,
         false},
        {"accelerometer", {Abs(ABS_X), Abs(ABS_Y), Abs(ABS_Z)}, {}, EvdevKind::Other, false, false},
        {"keyboard", {Key(KEY_A), Key(KEY_ENTER)}, {}, EvdevKind::Other, false, false},
    };
    for (const Described& described : devices) {
        libevdev* device = Describe(described);
        EXPECT_EQ(ClassifyEvdev(device), described.kind) << described.name;
        EXPECT_EQ(RecordsTouch(device), described.touch) << described.name;
        EXPECT_EQ(RecordsPointer(device), described.pointer) << described.name;
        libevdev_free(device);
    }
}

TEST(TouchEvdev, APenAndATouchDeviceMakeOneStreamOfStrokes) {
    StrokeMerge merge(2);
    constexpr std::size_t pen = 0, touch = 1;
    EXPECT_TRUE(merge.Take(pen, TouchSample{down, 1, 1}));
    // A palm on the touch device while the pen writes, still down after the pen lifts.
    EXPECT_FALSE(merge.Take(touch, TouchSample{down, 9, 9}));
    EXPECT_TRUE(merge.Take(pen, TouchSample{down, 2, 2}));
    EXPECT_TRUE(merge.Take(pen, TouchSample{up, 2, 2}));
    EXPECT_FALSE(merge.Take(touch, TouchSample{down, 8, 8}));
    EXPECT_FALSE(merge.Take(touch, TouchSample{up, 8, 8}));
    EXPECT_TRUE(merge.Take(touch, TouchSample{down, 5, 5}));
    EXPECT_FALSE(merge.Take(pen, TouchSample{down, 3, 3}));
    EXPECT_TRUE(merge.Take(touch, TouchSample{up, 5, 5}));
}

namespace {

// libevdev's reading as the source sees it: events as they come, and after a SYN_DROPPED the
// device's state as events for whoever asks for the resync (dropped for whoever does not).
struct FakeEvents {
    std::deque<input_event> events;
    std::deque<input_event> resync;
    int end = -EAGAIN;
    bool resyncPending = false;

    int Next(unsigned flags, input_event& event) {
        if (flags & LIBEVDEV_READ_FLAG_SYNC) {
            if (!resyncPending || resync.empty()) {
                resyncPending = false;
                return -EAGAIN;
            }
            event = resync.front();
            resync.pop_front();
            return LIBEVDEV_READ_STATUS_SYNC;
        }
        if (resyncPending) {
            resync.clear();
            resyncPending = false;
        }
        if (events.empty()) {
            return end;
        }
        event = events.front();
        events.pop_front();
        if (event.type == EV_SYN && event.code == SYN_DROPPED) {
            resyncPending = true;
            return LIBEVDEV_READ_STATUS_SYNC;
        }
        return LIBEVDEV_READ_STATUS_SUCCESS;
    }
};

} // namespace

TEST(TouchEvdev, TheReadLoopFollowsTheResyncAfterADropAndReportsAnUnplug) {
    FakeEvents device;
    device.events = {Event(EV_KEY, BTN_TOUCH, 1), Event(EV_ABS, ABS_X, 100),
                     Event(EV_ABS, ABS_Y, 200),   Report(),
                     Event(EV_ABS, ABS_X, 110),   Event(EV_SYN, SYN_DROPPED, 0),
                     Event(EV_ABS, ABS_Y, 300),   Report()};
    // Meanwhile the stylus moved.
    device.resync = {Event(EV_ABS, ABS_X, 500), Report()};
    EvdevSampler sampler;
    std::vector<TouchSample> samples;
    const auto next = [&](unsigned flags, input_event& event) { return device.Next(flags, event); };
    const auto take = [&](const input_event& event) {
        TouchSample sample{};
        if (sampler.Feed(event, sample)) {
            samples.push_back(sample);
        }
    };
    EXPECT_EQ(EvdevSource::ReadReady(next, take), 0);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[1].x, 500);
    EXPECT_EQ(samples[1].y, 200);
    EXPECT_EQ(samples[2].x, 500);
    EXPECT_EQ(samples[2].y, 300);

    device.events = {Event(EV_ABS, ABS_X, 600)};
    device.end = -ENODEV;
    EXPECT_EQ(EvdevSource::ReadReady(next, take), -ENODEV);
}

TEST(TouchEvdev, AnUnpluggedDeviceLiftsTheStrokeSaysSoAndEndsTheSamples) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "!", 1), 1);
    auto device = std::make_shared<FakeEvents>();
    device->events = {Event(EV_KEY, BTN_TOUCH, 1), Event(EV_ABS, ABS_X, 7), Report()};
    device->end = -ENODEV;
    const auto source = EvdevSource::Over(
        "/dev/input/event7", ends[0],
        [device](unsigned flags, input_event& event) { return device->Next(flags, event); },
        EvdevSampler());
    StopSignal stop;
    std::vector<TouchSample> samples;
    testing::internal::CaptureStderr();
    auto running = std::async(std::launch::async, [&] {
        source->Run([&](const TouchSample& sample) { samples.push_back(sample); }, stop);
    });
    const bool ended = running.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!ended) {
        stop.Raise();
    }
    running.wait();
    const std::string said = testing::internal::GetCapturedStderr();
    close(ends[1]);
    EXPECT_TRUE(ended);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1].flags, up);
    EXPECT_EQ(samples[1].x, 7);
    EXPECT_NE(said.find("/dev/input/event7 was unplugged"), std::string::npos) << said;
}

TEST(TouchEvdev, ATouchScreenThatCannotBeOpenedIsKnownAndNamedWithItsFix) {
    // What the kernel lists for a single-touch screen under sysfs, readable by everyone.
    char directory[] = "/tmp/tapweave-sysfs-XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::string root = directory;
    std::filesystem::create_directory(root + "/capabilities");
    std::ofstream(root + "/capabilities/ev") << "b\n";
    std::ofstream(root + "/capabilities/key") << "400 0 0 0 0 0\n";
    std::ofstream(root + "/capabilities/abs") << "3\n";
    std::ofstream(root + "/capabilities/rel") << "0\n";
    std::ofstream(root + "/properties") << "0\n";
    libevdev* described = DescribeFromSysfs(root);
    ASSERT_NE(described, nullptr);
    EXPECT_TRUE(RecordsTouch(described));
    libevdev_free(described);
    EXPECT_EQ(DescribeFromSysfs(root + "/missing"), nullptr);

    // The device node belongs to a group the user would join.
    const std::string node = root + "/event3";
    std::ofstream(node).put('\n');
    const group* owner = getgrgid(1);
    ASSERT_NE(owner, nullptr);
    const std::string name = owner->gr_name;
    ASSERT_EQ(chown(node.c_str(), static_cast<uid_t>(-1), owner->gr_gid), 0);
    const std::string advice = EvdevSource::PermissionAdvice(node);
    EXPECT_NE(advice.find(node), std::string::npos) << advice;
    EXPECT_NE(advice.find("sudo usermod -aG " + name + " $USER"), std::string::npos) << advice;
    std::filesystem::remove_all(root);
}

TEST(TouchEvdev, APointerMovesFromTheMiddleStaysOnTheScreenAndPressesWithItsLeftButton) {
    constexpr DWORD mouseDown = down;
    EvdevPointerSampler mouse(800, 480);
    const auto clicks = Feed(mouse, {
                                        Event(EV_REL, REL_X, 10),
                                        Report(),
                                        Event(EV_KEY, BTN_LEFT, 1),
                                        Report(),
                                        Event(EV_REL, REL_X, -1000),
                                        Event(EV_REL, REL_Y, 5),
                                        Report(),
                                        Event(EV_REL, REL_X, 5000),
                                        Event(EV_REL, REL_Y, 5000),
                                        Report(),
                                        Event(EV_KEY, BTN_RIGHT, 1),
                                        Report(),
                                        Event(EV_KEY, BTN_LEFT, 0),
                                        Report(),
                                    });
    ASSERT_EQ(clicks.size(), 4u);
    EXPECT_EQ(clicks[0].flags, mouseDown);
    EXPECT_EQ(clicks[0].x, 410 * 4);
    EXPECT_EQ(clicks[0].y, 240 * 4);
    EXPECT_EQ(clicks[1].x, 0);
    EXPECT_EQ(clicks[1].y, 245 * 4);
    EXPECT_EQ(clicks[2].x, 799 * 4);
    EXPECT_EQ(clicks[2].y, 479 * 4);
    EXPECT_EQ(clicks[3].flags, up);
    EXPECT_EQ(clicks[3].x, 799 * 4);

    // A touchpad 1600 units wide over 800 pixels: half a pixel a unit. A finger landing, or
    // the fingers changing, moves the emulated position without moving the pointer.
    EvdevPointerSampler pad(800, 480, 1600, 1000, 500);
    const auto drags = Feed(pad, {
                                     Event(EV_KEY, BTN_TOUCH, 1),
                                     Event(EV_KEY, BTN_TOOL_FINGER, 1),
                                     Event(EV_ABS, ABS_X, 1400),
                                     Report(),
                                     Event(EV_ABS, ABS_X, 1420),
                                     Report(),
                                     Event(EV_KEY, BTN_LEFT, 1),
                                     Report(),
                                     Event(EV_ABS, ABS_X, 100),
                                     Event(EV_KEY, BTN_TOOL_FINGER, 0),
                                     Event(EV_KEY, BTN_TOOL_DOUBLETAP, 1),
                                     Report(),
                                     Event(EV_ABS, ABS_Y, 520),
                                     Report(),
                                 });
    ASSERT_EQ(drags.size(), 2u);
    EXPECT_EQ(drags[0].flags, mouseDown);
    EXPECT_EQ(drags[0].x, 410 * 4);
    EXPECT_EQ(drags[0].y, 240 * 4);
    EXPECT_EQ(drags[1].x, 410 * 4);
    EXPECT_EQ(drags[1].y, 250 * 4);
    TouchSample lifted{};
    ASSERT_TRUE(pad.Lift(lifted));
    EXPECT_EQ(lifted.flags, up);
    EXPECT_EQ(lifted.y, 250 * 4);
}
