// The injector: the journal's exact lines, the choice of backend from the environment, the
// XTest coordinate and key mapping, and the event stream the uinput devices would receive.
#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <atomic>
#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <list>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "FakeClock.h"
#include "FileContent.h"
#include "FixedDisplay.h"
#include "RecordingInjector.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "input/UdevAnnouncement.h"
#include "input/UinputInjector.h"
#include "input/X11Injector.h"
#include "platform/Injector.h"
#include "platform/input.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A fresh device, TAPWEAVE_INPUT as given, and the injector chosen anew for each test.
class InjectorChoice : public testing::Test {
  protected:
    void Use(const char* value) {
        input.emplace("TAPWEAVE_INPUT", value);
        platform::Injector::Set(nullptr);
    }
    std::string DeviceJournal() const { return device.Directory() + "/run/input.log"; }
    void TearDown() override { platform::Injector::Set(nullptr); }

    TempDevice device;
    std::optional<ScopedEnvironment> input;
};

class JournalLines : public InjectorChoice {
  protected:
    void SetUp() override { clock.micros = 123456789; }

    FakeClock clock;
};

TEST_F(JournalLines, EachCallIsOneExactLine) {
    const std::string path = device.Directory() + "/journal.log";
    Use(("journal:" + path).c_str());
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 27300, 40800, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, static_cast<DWORD>(-273),
                static_cast<DWORD>(-1), 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 0x80000000u, 0x7fffffffu, 0, 0);
    mouse_event(0, 0, 0, 0, 0);
    keybd_event(VK_APP3, 0, KEYEVENTF_SILENT, 0);
    keybd_event(VK_APP3, 0, KEYEVENTF_SILENT | KEYEVENTF_KEYUP, 0);
    keybd_event(0, 0, 0, 0);
    EXPECT_EQ(FileContent(path), "mouse_event flags=0x8002 dx=27300 dy=40800 t_us=123456789\n"
                                 "mouse_event flags=0x8001 dx=-273 dy=-1 t_us=123456789\n"
                                 "mouse_event flags=0x8004 dx=-2147483648 dy=2147483647 "
                                 "t_us=123456789\n"
                                 "mouse_event flags=0x0 dx=0 dy=0 t_us=123456789\n"
                                 "keybd_event vk=0xc3 flags=0x4 t_us=123456789\n"
                                 "keybd_event vk=0xc3 flags=0x6 t_us=123456789\n"
                                 "keybd_event vk=0x0 flags=0x0 t_us=123456789\n");
}

TEST_F(JournalLines, AppendsToWhatIsThereAndMakesMissingFolders) {
    const std::string path = device.Directory() + "/a/b/journal.log";
    Use(("journal:" + path).c_str());
    keybd_event(VK_RETURN, 0, 0, 0);
    platform::Injector::Set(nullptr);
    keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(FileContent(path), "keybd_event vk=0xd flags=0x0 t_us=123456789\n"
                                 "keybd_event vk=0xd flags=0x2 t_us=123456789\n");
}

TEST_F(JournalLines, DashWritesToStandardOutput) {
    Use("journal:-");
    const std::string captured = device.Directory() + "/stdout";
    const int saved = dup(STDOUT_FILENO);
    const int file = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDOUT_FILENO);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 5, 6, 0, 0);
    dup2(saved, STDOUT_FILENO);
    close(file);
    close(saved);
    EXPECT_EQ(FileContent(captured), "mouse_event flags=0x8001 dx=5 dy=6 t_us=123456789\n");
}

// Each child writes its own numbered lines as fast as it can; the shared file must hold every
// line whole, each child's in its order.
TEST_F(InjectorChoice, TwoProcessesSharingAJournalKeepWholeLines) {
    const std::string path = device.Directory() + "/shared.log";
    Use(("journal:" + path).c_str());
    constexpr int perChild = 3000;
    std::list<ChildProcess> children;
    for (int child = 1; child <= 2; ++child) {
        children.emplace_back([child] {
            for (int index = 0; index < perChild; ++index) {
                mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, static_cast<DWORD>(child),
                            static_cast<DWORD>(index), 0, 0);
            }
            return 0;
        });
        ASSERT_TRUE(children.back().Started());
    }
    for (ChildProcess& child : children) {
        ASSERT_EQ(child.ExitCode(), 0) << "a writer failed or did not finish in 30 s";
    }
    const std::regex shape("mouse_event flags=0x8001 dx=([12]) dy=([0-9]+) t_us=[0-9]+");
    int next[3] = {0, 0, 0};
    const std::vector<std::string> lines = Lines(FileContent(path));
    ASSERT_EQ(lines.size(), 2u * perChild);
    for (const std::string& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, shape)) << line;
        const int child = std::stoi(match[1]);
        ASSERT_EQ(std::stoi(match[2]), next[child]++) << line;
    }
}

TEST_F(InjectorChoice, MalformedValuesFallBackToTheDeviceJournalWithOneMessage) {
    for (const char* value : {"xinput", "journal:", "Journal:/tmp/x", "x11 ", "uinput:x"}) {
        SCOPED_TRACE(value);
        Use(value);
        EXPECT_EQ(platform::Injector::ChosenSpec(), "journal:" + DeviceJournal());
        std::remove(DeviceJournal().c_str());
        testing::internal::CaptureStderr();
        // Racing threads on first use still choose once and say so once.
        std::vector<std::thread> threads;
        for (int thread = 0; thread < 4; ++thread) {
            threads.emplace_back([] { keybd_event(VK_F1, 0, 0, 0); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Lines(message).size(), 1u) << message;
        EXPECT_NE(message.find(std::string("TAPWEAVE_INPUT=\"") + value + "\""), std::string::npos)
            << message;
        EXPECT_NE(message.find(DeviceJournal()), std::string::npos) << message;
        EXPECT_EQ(Lines(FileContent(DeviceJournal())).size(), 4u);
    }
}

TEST_F(InjectorChoice, ABackendThatCannotStartFallsBackWithoutLosingTheCall) {
    ScopedEnvironment noDisplay("DISPLAY", nullptr);
    Use("x11");
    EXPECT_EQ(platform::Injector::ChosenSpec(), "journal:" + DeviceJournal());
    testing::internal::CaptureStderr();
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 1, 2, 0, 0);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("DISPLAY"), std::string::npos) << message;
    EXPECT_NE(FileContent(DeviceJournal()).find("flags=0x8002 dx=1 dy=2 "), std::string::npos);

    std::string error;
    EXPECT_EQ(platform::Injector::Make("x11", error), nullptr);
    EXPECT_NE(error.find("DISPLAY"), std::string::npos) << error;
    if (access("/dev/uinput", W_OK) != 0) {
        EXPECT_EQ(platform::Injector::Make("uinput", error), nullptr);
        EXPECT_NE(error.find("uinput"), std::string::npos) << error;
    }
    EXPECT_EQ(platform::Injector::Make("journal:/proc/no/such/place", error), nullptr);
    EXPECT_NE(error.find("/proc/no/such/place"), std::string::npos) << error;
    EXPECT_NE(platform::Injector::Make("journal:" + device.Directory() + "/j", error), nullptr);
}

// A FIFO nobody reads never holds a program up, and the device's journal is never written
// through a link out of the device: the calls then go to standard error.
TEST_F(InjectorChoice, AJournalThatIsAFifoOrALinkOutOfTheDeviceIsRefused) {
    alarm(30);
    ScopedEnvironment noDisplay("DISPLAY", nullptr);
    const std::string fifo = device.Directory() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    EXPECT_EQ(platform::Injector::Make("journal:" + fifo, error), nullptr);
    EXPECT_NE(error.find(fifo), std::string::npos) << error;

    const std::string outside = device.Directory() + ".outside";
    std::ofstream(outside).flush();
    std::filesystem::create_directories(device.Directory() + "/run");
    ASSERT_EQ(symlink(outside.c_str(), DeviceJournal().c_str()), 0);
    Use("x11");
    testing::internal::CaptureStderr();
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 1, 2, 0, 0);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("flags=0x8002 dx=1 dy=2 "), std::string::npos) << message;
    EXPECT_EQ(FileContent(outside), "");
    std::remove(outside.c_str());
    alarm(0);
}

TEST_F(InjectorChoice, WithoutDisplayOrUinputTheDeviceJournalIsChosenAndSaidOnce) {
    if (access("/dev/uinput", W_OK) == 0) {
        GTEST_SKIP() << "uinput is writable here, so it would be chosen";
    }
    ScopedEnvironment noDisplay("DISPLAY", nullptr);
    ScopedEnvironment noWayland("WAYLAND_DISPLAY", nullptr);
    Use(nullptr);
    EXPECT_EQ(platform::Injector::ChosenSpec(), "journal:" + DeviceJournal());
    testing::internal::CaptureStderr();
    keybd_event(VK_LWIN, 0, 0, 0);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(said).size(), 1u) << said;
    for (const std::string& named :
         {std::string("/dev/uinput"), DeviceJournal(), std::string("tapweave-install udev-rule")}) {
        EXPECT_NE(said.find(named), std::string::npos) << said;
    }
    EXPECT_NE(FileContent(DeviceJournal()).find("vk=0x5b flags=0x0"), std::string::npos);
}

TEST_F(InjectorChoice, SetOverridesUntilClearedThenTheEnvironmentChoosesAgain) {
    const std::string path = device.Directory() + "/journal.log";
    Use(("journal:" + path).c_str());
    FakeClock clock;
    std::optional<RecordingInjector> recorder(std::in_place);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 0xFFFFFFFFu, 7, 99, 99);
    keybd_event(VK_UP, 42, KEYEVENTF_KEYUP, 99);
    EXPECT_EQ(recorder->events,
              (std::vector<InjectedEvent>{
                  {false, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, -1, 7, 0, clock.micros},
                  {true, KEYEVENTF_KEYUP, 0, 0, VK_UP, clock.micros}}));
    EXPECT_EQ(FileContent(path), "");
    recorder.reset();
    keybd_event(VK_UP, 0, 0, 0);
    EXPECT_NE(FileContent(path).find("vk=0x26"), std::string::npos);
}

TEST(X11Mapping, EveryPixelSurvivesTheRoundTrip) {
    for (const int size : {240, 320, 1024, 1920}) {
        const int factor = 65535 / size;
        for (int pixel = 0; pixel < size; ++pixel) {
            ASSERT_EQ(platform::X11Injector::PixelFromAbsolute(pixel * factor, size), pixel)
                << "size " << size;
        }
    }
}

TEST(X11Mapping, RoundsToNearestAndKeepsToTheScreen) {
    // 240 wide: factor 273, so 100 x 273 = 27300 and half a pixel is 136.5.
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(27300 + 136, 240), 100);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(27300 + 137, 240), 101);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(27300 - 136, 240), 100);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(27300 - 137, 240), 99);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(-1, 240), 0);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(-273 * 5, 240), 0);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(INT_MIN, 240), 0);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(65535, 240), 239);
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(INT_MAX, 240), 239);
    // Wider than the coordinate range: the factor cannot drop below one.
    EXPECT_EQ(platform::X11Injector::PixelFromAbsolute(70000, 80000), 70000);
}

TEST(KeyMapping, EveryDeviceKeyHasAnXKeysymAndAnEvdevKey) {
    const std::vector<std::tuple<BYTE, KeySym, unsigned>> table = {
        {VK_LEFT, XK_Left, KEY_LEFT},
        {VK_RIGHT, XK_Right, KEY_RIGHT},
        {VK_UP, XK_Up, KEY_UP},
        {VK_DOWN, XK_Down, KEY_DOWN},
        {VK_RETURN, XK_Return, KEY_ENTER},
        {VK_F1, XK_F1, KEY_F1},
        {VK_F2, XK_F2, KEY_F2},
        {VK_APP1, XF86XK_Launch1, KEY_PROG1},
        {VK_APP2, XF86XK_Launch2, KEY_PROG2},
        {VK_APP3, XF86XK_Launch3, KEY_PROG3},
        {VK_APP4, XF86XK_Launch4, KEY_PROG4},
        {VK_APP5, XF86XK_Launch5, KEY_F14},
        {VK_APP6, XF86XK_Launch6, KEY_F15},
        {VK_LWIN, XK_Super_L, KEY_LEFTMETA},
    };
    const std::span<const unsigned> keyboard = platform::UinputInjector::Keys();
    for (const auto& [vk, keysym, code] : table) {
        SCOPED_TRACE(static_cast<int>(vk));
        EXPECT_EQ(platform::X11Injector::KeysymFor(vk), keysym);
        EXPECT_EQ(platform::UinputInjector::KeyCodeFor(vk), code);
        EXPECT_NE(std::find(keyboard.begin(), keyboard.end(), code), keyboard.end());
    }
    EXPECT_EQ(keyboard.size(), table.size());
    for (const BYTE vk : {0x00, 0x0C, 0x41, 0x5C, 0x72, 0xC0, 0xC7, 0xFF}) {
        EXPECT_EQ(platform::X11Injector::KeysymFor(vk), static_cast<KeySym>(NoSymbol));
        EXPECT_EQ(platform::UinputInjector::KeyCodeFor(vk), 0u);
    }
}

TEST(UinputAxes, MaximumIsFactorTimesSizeLessOne) {
    EXPECT_EQ(platform::UinputInjector::AxisMaximum(240), 273 * 240 - 1);
    EXPECT_EQ(platform::UinputInjector::AxisMaximum(320), 204 * 320 - 1);
    EXPECT_EQ(platform::UinputInjector::AxisMaximum(1024), 63 * 1024 - 1);
    EXPECT_EQ(platform::UinputInjector::AxisMaximum(1920), 34 * 1920 - 1);
    EXPECT_EQ(platform::UinputInjector::AxisMaximum(65535), 65534);
    // Each pixel owns factor values, so the last pixel's own value is inside the axis.
    for (const int size : {240, 480, 1080}) {
        EXPECT_LE((size - 1) * (65535 / size), platform::UinputInjector::AxisMaximum(size));
    }
}

using platform::UinputDescription;
using platform::UinputDevice;
using Event = std::tuple<UinputDevice, unsigned, unsigned, int>;

// The kernel and udev as the injector sees them: each pair of devices made, how many events had
// been written when the desktop was awaited for it, every event; writes and new devices
// refused on request.
struct FakeUinput {
    std::vector<UinputDescription> pointers;
    std::vector<std::size_t> awaitedAfter;
    std::vector<Event> events;
    bool refusing = false;
    bool refusingDevices = false;
};

class FakeSink : public platform::UinputSink {
  public:
    explicit FakeSink(FakeUinput& kernel) : kernel(kernel) {}
    bool AwaitReaders(std::string&) override {
        kernel.awaitedAfter.push_back(kernel.events.size());
        return true;
    }
    bool Write(UinputDevice device, unsigned type, unsigned code, int value,
               std::string& error) override {
        if (kernel.refusing) {
            error = "cannot write to the uinput pointer: No buffer space available";
            return false;
        }
        kernel.events.emplace_back(device, type, code, value);
        return true;
    }

  private:
    FakeUinput& kernel;
};

std::unique_ptr<platform::UinputInjector> OpenOnto(FakeUinput& kernel) {
    std::string error;
    auto injector = platform::UinputInjector::Open(
        [&kernel](const UinputDescription& pointer, const UinputDescription&,
                  std::string& why) -> std::unique_ptr<platform::UinputSink> {
            if (kernel.refusingDevices) {
                why = "cannot open /dev/uinput: Permission denied";
                return nullptr;
            }
            kernel.pointers.push_back(pointer);
            return std::make_unique<FakeSink>(kernel);
        },
        error);
    EXPECT_TRUE(injector) << error;
    return injector;
}

TEST(UinputDevices, ThePointerIsAnAbsolutePointerAndNotATouchScreen) {
    const UinputDescription pointer = platform::UinputInjector::PointerDescription(1920, 1080);
    EXPECT_EQ(pointer.bus, static_cast<unsigned>(BUS_VIRTUAL));
    EXPECT_NE(pointer.vendor, 0u);
    EXPECT_NE(pointer.product, 0u);
    // BTN_TOUCH or INPUT_PROP_DIRECT would make it a touch screen, which the touch driver
    // would take for itself and hear the injector's own taps from.
    EXPECT_EQ(pointer.keys, std::vector<unsigned>{BTN_LEFT});
    EXPECT_EQ(pointer.properties, std::vector<unsigned>{INPUT_PROP_POINTER});
    EXPECT_EQ(pointer.axes, (std::vector<UinputDescription::Axis>{{ABS_X, 34 * 1920 - 1},
                                                                  {ABS_Y, 60 * 1080 - 1}}));

    const UinputDescription keyboard = platform::UinputInjector::KeyboardDescription();
    EXPECT_EQ(keyboard.bus, static_cast<unsigned>(BUS_VIRTUAL));
    EXPECT_EQ(keyboard.vendor, pointer.vendor);
    EXPECT_NE(keyboard.product, pointer.product);
    const std::span<const unsigned> keys = platform::UinputInjector::Keys();
    EXPECT_EQ(keyboard.keys, std::vector<unsigned>(keys.begin(), keys.end()));
    EXPECT_TRUE(keyboard.axes.empty());
    EXPECT_TRUE(keyboard.properties.empty());
}

// The desktop maps an axis value onto the screen rounding down: libinput as value x size /
// (maximum + 1), the X server through its own 0..65535 range on top of that. A pixel's first
// value would land a pixel short on X; its centre lands on itself on both.
TEST(UinputAxes, EveryPixelLandsOnItselfOnWaylandAndOnX) {
    for (const int size : {240, 320, 1024, 1366, 1920, 3840}) {
        SCOPED_TRACE(size);
        FixedDisplay display(size, 240);
        FakeUinput kernel;
        const auto injector = OpenOnto(kernel);
        const int factor = 65535 / size;
        const std::int64_t range = platform::UinputInjector::AxisMaximum(size) + 1;
        for (int pixel = 0; pixel < size; ++pixel) {
            injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, pixel * factor, 0);
            const std::int64_t value = std::get<3>(kernel.events[kernel.events.size() - 3]);
            ASSERT_EQ(value * size / range, pixel);
            const double onX = static_cast<double>(value) * 65535 / range * size / 65536;
            ASSERT_EQ(static_cast<int>(onX), pixel);
        }
    }
}

// udev as the watch sees it: a folder with its control socket's name and its database, which
// udev writes just before it tells the desktop of a device; here a thread of the test does. A
// plain file stands for the device node, its database entry named by its device number, 0:0.
TEST(UdevAnnouncementWatch, NothingIsReadyBeforeUdevHasRecordedTheNode) {
    alarm(30);
    TempDevice folder;
    const std::string run = folder.Directory() + "/udev";
    const std::string node = folder.Directory() + "/event7";
    std::filesystem::create_directories(run + "/data");
    std::ofstream(run + "/control").flush();
    std::ofstream(node).flush();
    platform::UdevAnnouncement announcement({node}, run);
    std::atomic<bool> recorded = false;
    std::thread udev([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        // udev's own look at the node comes before its record and is no reader.
        close(open(node.c_str(), O_RDONLY));
        recorded = true;
        std::ofstream(run + "/data/c0:0").flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        close(open(node.c_str(), O_RDONLY));
    });
    std::string error;
    EXPECT_TRUE(announcement.Wait(error)) << error;
    EXPECT_TRUE(recorded);
    udev.join();

    // Without a running udev nobody records anything: only the desktop's moment is waited.
    std::filesystem::remove(run + "/control");
    std::filesystem::remove(run + "/data/c0:0");
    EXPECT_TRUE(platform::UdevAnnouncement({node}, run).Wait(error));
    alarm(0);
}

class UinputEvents : public testing::Test {
  protected:
    std::vector<Event> Take() { return std::exchange(kernel.events, {}); }

    // A 240 x 320 screen: factors 273 and 204, axes up to 65519 and 65279, and values at the
    // centre of a pixel, 136 and 102 past its first.
    FixedDisplay display{240, 320};
    FakeUinput kernel;
    std::unique_ptr<platform::UinputInjector> injector = OpenOnto(kernel);
};

constexpr UinputDevice pointer = UinputDevice::Pointer;
constexpr UinputDevice keyboard = UinputDevice::Keyboard;

TEST_F(UinputEvents, DevicesAreMadeAtOnceWrittenOnlyOnceAnnouncedAndRemadeForANewScreenSize) {
    ASSERT_EQ(kernel.pointers.size(), 1u);
    EXPECT_EQ(kernel.pointers[0].axes,
              (std::vector<UinputDescription::Axis>{{ABS_X, 65519}, {ABS_Y, 65279}}));
    EXPECT_TRUE(kernel.awaitedAfter.empty());
    EXPECT_TRUE(kernel.events.empty());

    injector->Key(VK_F1, 0);
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 10 * 273, 10 * 204);
    EXPECT_EQ(kernel.awaitedAfter, std::vector<std::size_t>{0});
    EXPECT_EQ(kernel.pointers.size(), 1u);

    // The new pointer is told first where the old one was, on the same pixel.
    display.screen = {480, 640, DMDO_0};
    injector->Mouse(MOUSEEVENTF_LEFTDOWN, 0, 0);
    injector->Mouse(MOUSEEVENTF_MOVE, 1, 1);
    ASSERT_EQ(kernel.pointers.size(), 2u);
    EXPECT_EQ(kernel.pointers[1].axes, (std::vector<UinputDescription::Axis>{
                                           {ABS_X, 136 * 480 - 1}, {ABS_Y, 102 * 640 - 1}}));
    EXPECT_EQ(kernel.awaitedAfter, (std::vector<std::size_t>{0, 5}));
    EXPECT_EQ(std::vector<Event>(kernel.events.begin() + 5, kernel.events.end()),
              (std::vector<Event>{{pointer, EV_ABS, ABS_X, 10 * 136 + 68},
                                  {pointer, EV_ABS, ABS_Y, 10 * 102 + 51},
                                  {pointer, EV_KEY, BTN_LEFT, 1},
                                  {pointer, EV_SYN, SYN_REPORT, 0},
                                  {pointer, EV_ABS, ABS_X, 11 * 136 + 68},
                                  {pointer, EV_ABS, ABS_Y, 11 * 102 + 51},
                                  {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, RefusalsAreToldOnceAndTheDevicesThereGoOn) {
    kernel.refusing = true;
    testing::internal::CaptureStderr();
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 0, 0);
    injector->Key(VK_F1, 0);
    kernel.refusing = false;
    injector->Key(VK_F1, KEYEVENTF_KEYUP);
    kernel.refusing = true;
    injector->Key(VK_F2, 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(said),
              (std::vector<std::string>(
                  2, "tapweave: cannot write to the uinput pointer: No buffer space available")))
        << said;
    EXPECT_EQ(kernel.events.size(), 2u);

    // No devices for the new screen: the old ones go on within their own axes.
    kernel.refusing = false;
    kernel.refusingDevices = true;
    display.screen = {480, 640, DMDO_0};
    Take();
    testing::internal::CaptureStderr();
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, INT_MAX, INT_MAX);
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, INT_MAX, INT_MAX);
    const std::string remaking = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(remaking).size(), 1u) << remaking;
    EXPECT_NE(remaking.find("480x640"), std::string::npos) << remaking;
    EXPECT_EQ(kernel.pointers.size(), 1u);
    const std::vector<Event> move = {{pointer, EV_ABS, ABS_X, 65247 + 136},
                                     {pointer, EV_ABS, ABS_Y, 65076 + 102},
                                     {pointer, EV_SYN, SYN_REPORT, 0}};
    std::vector<Event> twice = move;
    twice.insert(twice.end(), move.begin(), move.end());
    EXPECT_EQ(Take(), twice);
}

TEST_F(UinputEvents, PressMoveReleaseEachEndWithAReport) {
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 100 * 273, 200 * 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 27300 + 136},
                                          {pointer, EV_ABS, ABS_Y, 40800 + 102},
                                          {pointer, EV_KEY, BTN_LEFT, 1},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 239 * 273, 319 * 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 65247 + 136},
                                          {pointer, EV_ABS, ABS_Y, 65076 + 102},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 239 * 273, 319 * 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 65247 + 136},
                                          {pointer, EV_ABS, ABS_Y, 65076 + 102},
                                          {pointer, EV_KEY, BTN_LEFT, 0},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, CoordinatesOffTheScreenStayOnItsEdgePixels) {
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, -5, 70000);
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, INT_MAX, INT_MIN);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 136},
                                          {pointer, EV_ABS, ABS_Y, 65076 + 102},
                                          {pointer, EV_SYN, SYN_REPORT, 0},
                                          {pointer, EV_ABS, ABS_X, 65247 + 136},
                                          {pointer, EV_ABS, ABS_Y, 102},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, CombinedFlagsMoveThenPressThenRelease) {
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN |
                        MOUSEEVENTF_LEFTUP,
                    273, 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 273 + 136},
                                          {pointer, EV_ABS, ABS_Y, 204 + 102},
                                          {pointer, EV_KEY, BTN_LEFT, 1},
                                          {pointer, EV_SYN, SYN_REPORT, 0},
                                          {pointer, EV_KEY, BTN_LEFT, 0},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, RelativeMovesStartWhereThePointerWasLeft) {
    injector->Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 10 * 273, 10 * 204);
    Take();
    injector->Mouse(MOUSEEVENTF_MOVE, 5, -20);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 15 * 273 + 136},
                                          {pointer, EV_ABS, ABS_Y, 102},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
    // Buttons without a move stay where the pointer is; nothing at all sends nothing.
    injector->Mouse(MOUSEEVENTF_LEFTDOWN, 999, 999);
    injector->Mouse(MOUSEEVENTF_ABSOLUTE, 999, 999);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_KEY, BTN_LEFT, 1},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, KeysGoToTheKeyboardAndUnknownKeysToNowhere) {
    injector->Key(VK_LWIN, KEYEVENTF_SILENT);
    injector->Key(VK_APP5, KEYEVENTF_SILENT);
    injector->Key(VK_APP5, KEYEVENTF_SILENT | KEYEVENTF_KEYUP);
    injector->Key(0, KEYEVENTF_SILENT);
    injector->Key(VK_LWIN, KEYEVENTF_SILENT | KEYEVENTF_KEYUP);
    EXPECT_EQ(Take(), (std::vector<Event>{{keyboard, EV_KEY, KEY_LEFTMETA, 1},
                                          {keyboard, EV_SYN, SYN_REPORT, 0},
                                          {keyboard, EV_KEY, KEY_F14, 1},
                                          {keyboard, EV_SYN, SYN_REPORT, 0},
                                          {keyboard, EV_KEY, KEY_F14, 0},
                                          {keyboard, EV_SYN, SYN_REPORT, 0},
                                          {keyboard, EV_KEY, KEY_LEFTMETA, 0},
                                          {keyboard, EV_SYN, SYN_REPORT, 0}}));
}

} // namespace
