// The machine that builds this has no input devices, so the devices' events are fed to the
// samplers directly in the order the kernel sends them, the read loop gets them from a stand-in
// for libevdev, and devices are described to libevdev without a node.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <future>
#include <grp.h>
#include <initializer_list>
#include <libevdev/libevdev.h>
#include <sys/stat.h>
#include <tuple>
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

// The events of one code, made by value: Touch(1), X(100).
struct Code {
    unsigned type;
    unsigned code;

    input_event operator()(int value) const { return Event(type, code, value); }
};
constexpr Code Touch{EV_KEY, BTN_TOUCH}, X{EV_ABS, ABS_X}, Y{EV_ABS, ABS_Y},
    Slot{EV_ABS, ABS_MT_SLOT}, Id{EV_ABS, ABS_MT_TRACKING_ID}, SlotX{EV_ABS, ABS_MT_POSITION_X},
    SlotY{EV_ABS, ABS_MT_POSITION_Y}, RelX{EV_REL, REL_X}, RelY{EV_REL, REL_Y},
    Left{EV_KEY, BTN_LEFT};

// The events of one report each, as the kernel sends them: each ends with its SYN_REPORT.
std::vector<input_event> Reports(std::initializer_list<std::vector<input_event>> reports) {
    std::vector<input_event> events;
    for (const std::vector<input_event>& report : reports) {
        events.insert(events.end(), report.begin(), report.end());
        events.push_back(Report());
    }
    return events;
}

// A sample as flags, x and y, compared whole.
using Sample = std::tuple<DWORD, int, int>;

Sample Whole(const TouchSample& sample) {
    return {sample.flags, sample.x, sample.y};
}

template <typename Sampler>
std::vector<Sample> Feed(Sampler& sampler, const std::vector<input_event>& events) {
    std::vector<Sample> samples;
    for (const input_event& event : events) {
        TouchSample sample{};
        if (sampler.Feed(event, sample)) {
            samples.push_back(Whole(sample));
        }
    }
    return samples;
}

constexpr DWORD down = TouchSampleValidFlag | TouchSampleDownFlag;
constexpr DWORD up = TouchSampleValidFlag;

} // namespace

TEST(TouchEvdev, ASingleTouchScreenGivesOneSamplePerReport) {
    EvdevSampler sampler;
    EXPECT_EQ(Feed(sampler, Reports({{Touch(1), X(100), Y(200)},
                                     {X(110)},
                                     {},
                                     {Y(220), Event(EV_MSC, MSC_SCAN, 5)},
                                     {Touch(0)}})),
              (std::vector<Sample>{
                  {down, 100, 200}, {down, 110, 200}, {down, 110, 220}, {up, 110, 220}}));
}

TEST(TouchEvdev, HoverGivesNothingAndTheNextTouchStartsWhereItIs) {
    // The kernel sends no position for a touch where its axes already stand.
    EvdevSampler opened(70, 80);
    EXPECT_EQ(Feed(opened, Reports({{Touch(1)}})), (std::vector<Sample>{{down, 70, 80}}));

    EvdevSampler sampler;
    EXPECT_EQ(Feed(sampler, Reports({{X(5), Y(6)}, {X(7)}, {Touch(1)}, {Touch(0)}, {X(9)}})),
              (std::vector<Sample>{{down, 7, 6}, {up, 7, 6}}));
}

TEST(TouchEvdev, AMultiTouchScreenFollowsItsFirstContactThroughTheStroke) {
    EvdevSampler sampler(std::vector<EvdevSampler::Contact>(4), 0);
    // As the kernel sends them: the slots, then its single-touch emulation of the oldest
    // contact, which the sampler leaves alone.
    const auto samples =
        Feed(sampler, Reports({
                          {Id(7), SlotX(300), SlotY(400), Touch(1), X(300), Y(400)},
                          // A second finger lands; the first stays.
                          {Slot(1), Id(8), SlotX(900), SlotY(950)},
                          {Slot(0), SlotX(310), X(310)},
                          // The first lifts: the emulation jumps to the second, the stroke
                          // ends where the first was.
                          {Id(-1), X(900), Y(950)},
                          {Slot(1), SlotX(920), X(920)},
                          {Id(-1), Touch(0)},
                          // A new touch in slot 0 where its X stood: no X.
                          {Slot(0), Id(9), SlotY(500), Touch(1), X(310), Y(500)},
                      }));
    EXPECT_EQ(samples, (std::vector<Sample>{
                           {down, 300, 400}, {down, 310, 400}, {up, 310, 400}, {down, 310, 500}}));
}

TEST(TouchEvdev, AMultiTouchScreenStartsFromTheStateItWasOpenedIn) {
    // Opened with a finger down in slot 0 and the device's last events for slot 1, which the
    // kernel does not name again.
    std::vector<EvdevSampler::Contact> slots(2);
    slots[0] = {3, 10, 20};
    slots[1] = {-1, 50, 60};
    EvdevSampler sampler(slots, 1);
    EXPECT_EQ(Feed(sampler, Reports({{Id(12)}, {Slot(0), SlotX(999)}, {Slot(1), SlotY(65)}})),
              (std::vector<Sample>{{down, 50, 60}, {down, 50, 65}}));
    TouchSample lifted{};
    ASSERT_TRUE(sampler.Lift(lifted));
    EXPECT_EQ(Whole(lifted), (Sample{up, 50, 65}));
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
    std::vector<input_event> events;
    std::vector<input_event> resync;
    int end = -EAGAIN;
    bool resyncPending = false;

    int Next(unsigned flags, input_event& event) {
        if (flags & LIBEVDEV_READ_FLAG_SYNC) {
            if (!resyncPending || resync.empty()) {
                resyncPending = false;
                return -EAGAIN;
            }
            event = resync.front();
            resync.erase(resync.begin());
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
        events.erase(events.begin());
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
    device.events =
        Reports({{Touch(1), X(100), Y(200)}, {X(110), Event(EV_SYN, SYN_DROPPED, 0), Y(300)}});
    // Meanwhile the stylus moved.
    device.resync = Reports({{X(500)}});
    std::vector<input_event> read;
    const auto next = [&](unsigned flags, input_event& event) { return device.Next(flags, event); };
    const auto take = [&](const input_event& event) { read.push_back(event); };
    EXPECT_EQ(EvdevSource::ReadReady(next, take), 0);
    EvdevSampler sampler;
    EXPECT_EQ(Feed(sampler, read),
              (std::vector<Sample>{{down, 100, 200}, {down, 500, 200}, {down, 500, 300}}));

    device.events = {X(600)};
    device.end = -ENODEV;
    EXPECT_EQ(EvdevSource::ReadReady(next, take), -ENODEV);
}

TEST(TouchEvdev, AnUnpluggedDeviceLiftsTheStrokeSaysSoAndEndsTheSamples) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "!", 1), 1);
    auto device = std::make_shared<FakeEvents>();
    device->events = Reports({{Touch(1), X(7)}});
    device->end = -ENODEV;
    const auto source = EvdevSource::Over(
        "/dev/input/event7", ends[0],
        [device](unsigned flags, input_event& event) { return device->Next(flags, event); },
        EvdevSampler());
    StopSignal stop;
    std::vector<Sample> samples;
    testing::internal::CaptureStderr();
    auto running = std::async(std::launch::async, [&] {
        source->Run([&](const TouchSample& sample) { samples.push_back(Whole(sample)); }, stop);
    });
    const bool ended = running.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!ended) {
        stop.Raise();
    }
    running.wait();
    const std::string said = testing::internal::GetCapturedStderr();
    close(ends[1]);
    EXPECT_TRUE(ended);
    EXPECT_EQ(samples, (std::vector<Sample>{{down, 7, 0}, {up, 7, 0}}));
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

    // The advice names the node's own group, whichever it is: the one the file was made with
    // here, since only root may give a file to a group its maker is not in.
    const std::string node = root + "/event3";
    std::ofstream(node).put('\n');
    struct stat status {};
    ASSERT_EQ(stat(node.c_str(), &status), 0);
    const group* owner = getgrgid(status.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string name = owner->gr_name;
    const std::string advice = EvdevSource::PermissionAdvice(node);
    EXPECT_NE(advice.find(node), std::string::npos) << advice;
    EXPECT_NE(advice.find("sudo usermod -aG " + name + " $USER"), std::string::npos) << advice;
    std::filesystem::remove_all(root);
}

TEST(TouchEvdev, APointerMovesFromTheMiddleStaysOnTheScreenAndPressesWithItsLeftButton) {
    EvdevPointerSampler mouse(800, 480);
    EXPECT_EQ(Feed(mouse, Reports({{RelX(10)},
                                   {Left(1)},
                                   {RelX(-1000), RelY(5)},
                                   {RelX(5000), RelY(5000)},
                                   {Event(EV_KEY, BTN_RIGHT, 1)},
                                   {Left(0)}})),
              (std::vector<Sample>{{down, 410 * 4, 240 * 4},
                                   {down, 0, 245 * 4},
                                   {down, 799 * 4, 479 * 4},
                                   {up, 799 * 4, 479 * 4}}));

    // A touchpad 1600 units wide over 800 pixels: half a pixel a unit. A finger landing, or
    // the fingers changing, moves the emulated position without moving the pointer.
    EvdevPointerSampler pad(800, 480, 1600, 1000, 500);
    EXPECT_EQ(Feed(pad, Reports({{Touch(1), Event(EV_KEY, BTN_TOOL_FINGER, 1), X(1400)},
                                 {X(1420)},
                                 {Left(1)},
                                 {X(100), Event(EV_KEY, BTN_TOOL_FINGER, 0),
                                  Event(EV_KEY, BTN_TOOL_DOUBLETAP, 1)},
                                 {Y(520)}})),
              (std::vector<Sample>{{down, 410 * 4, 240 * 4}, {down, 410 * 4, 250 * 4}}));
    TouchSample lifted{};
    ASSERT_TRUE(pad.Lift(lifted));
    EXPECT_EQ(Whole(lifted), (Sample{up, 410 * 4, 250 * 4}));
}
