// The injector: the journal's exact lines, the choice of backend from the environment, the
// XTest coordinate and key mapping, and the event stream the uinput devices would receive.
#include <X11/XF86keysym.h>
#include <X11/keysym.h>
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
#include "RecordingInjector.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "input/UinputInjector.h"
#include "input/X11Injector.h"
#include "platform/Injector.h"
#include "platform/input.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

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
    EXPECT_EQ(ReadFile(path), "mouse_event flags=0x8002 dx=27300 dy=40800 t_us=123456789\n"
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
    EXPECT_EQ(ReadFile(path), "keybd_event vk=0xd flags=0x0 t_us=123456789\n"
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
    EXPECT_EQ(ReadFile(captured), "mouse_event flags=0x8001 dx=5 dy=6 t_us=123456789\n");
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
    const std::vector<std::string> lines = Lines(ReadFile(path));
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
        EXPECT_EQ(Lines(ReadFile(DeviceJournal())).size(), 4u);
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
    EXPECT_NE(ReadFile(DeviceJournal()).find("flags=0x8002 dx=1 dy=2 "), std::string::npos);

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
    EXPECT_EQ(ReadFile(outside), "");
    std::remove(outside.c_str());
    alarm(0);
}

TEST_F(InjectorChoice, WithoutDisplayOrUinputTheDefaultIsTheDeviceJournal) {
    if (access("/dev/uinput", W_OK) == 0) {
        GTEST_SKIP() << "uinput is writable here, so it would be chosen";
    }
    ScopedEnvironment noDisplay("DISPLAY", nullptr);
    Use(nullptr);
    EXPECT_EQ(platform::Injector::ChosenSpec(), "journal:" + DeviceJournal());
    testing::internal::CaptureStderr();
    keybd_event(VK_LWIN, 0, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(ReadFile(DeviceJournal()).find("vk=0x5b flags=0x0"), std::string::npos);
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
    EXPECT_EQ(ReadFile(path), "");
    recorder.reset();
    keybd_event(VK_UP, 0, 0, 0);
    EXPECT_NE(ReadFile(path).find("vk=0x26"), std::string::npos);
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

using platform::UinputDevice;
using Event = std::tuple<UinputDevice, unsigned, unsigned, int>;

class RecordingSink : public platform::UinputSink {
  public:
    explicit RecordingSink(std::vector<Event>& events) : events(events) {}
    void Write(UinputDevice device, unsigned type, unsigned code, int value) override {
        events.emplace_back(device, type, code, value);
    }

  private:
    std::vector<Event>& events;
};

class UinputEvents : public testing::Test {
  protected:
    // A 240 x 320 screen: factors 273 and 204, axes up to 65519 and 65279.
    std::vector<Event> Take() { return std::exchange(events, {}); }

    std::vector<Event> events;
    platform::UinputInjector injector{std::make_unique<RecordingSink>(events), 240, 320};
};

constexpr UinputDevice pointer = UinputDevice::Pointer;
constexpr UinputDevice keyboard = UinputDevice::Keyboard;

TEST_F(UinputEvents, PressMoveReleaseEachEndWithAReport) {
    injector.Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 100 * 273, 200 * 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 27300},
                                          {pointer, EV_ABS, ABS_Y, 40800},
                                          {pointer, EV_KEY, BTN_LEFT, 1},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
    injector.Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 239 * 273, 319 * 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 65247},
                                          {pointer, EV_ABS, ABS_Y, 65076},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
    injector.Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 239 * 273, 319 * 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 65247},
                                          {pointer, EV_ABS, ABS_Y, 65076},
                                          {pointer, EV_KEY, BTN_LEFT, 0},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, CoordinatesOffTheScreenAreClampedToTheAxes) {
    injector.Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, -5, 70000);
    injector.Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, INT_MAX, INT_MIN);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 0},
                                          {pointer, EV_ABS, ABS_Y, 65279},
                                          {pointer, EV_SYN, SYN_REPORT, 0},
                                          {pointer, EV_ABS, ABS_X, 65519},
                                          {pointer, EV_ABS, ABS_Y, 0},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, CombinedFlagsMoveThenPressThenRelease) {
    injector.Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN |
                       MOUSEEVENTF_LEFTUP,
                   273, 204);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 273},
                                          {pointer, EV_ABS, ABS_Y, 204},
                                          {pointer, EV_KEY, BTN_LEFT, 1},
                                          {pointer, EV_SYN, SYN_REPORT, 0},
                                          {pointer, EV_KEY, BTN_LEFT, 0},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, RelativeMovesStartWhereThePointerWasLeft) {
    injector.Mouse(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 10 * 273, 10 * 204);
    Take();
    injector.Mouse(MOUSEEVENTF_MOVE, 5, -20);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_ABS, ABS_X, 15 * 273},
                                          {pointer, EV_ABS, ABS_Y, 0},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
    // Buttons without a move stay where the pointer is; nothing at all sends nothing.
    injector.Mouse(MOUSEEVENTF_LEFTDOWN, 999, 999);
    injector.Mouse(MOUSEEVENTF_ABSOLUTE, 999, 999);
    EXPECT_EQ(Take(), (std::vector<Event>{{pointer, EV_KEY, BTN_LEFT, 1},
                                          {pointer, EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(UinputEvents, KeysGoToTheKeyboardAndUnknownKeysToNowhere) {
    injector.Key(VK_LWIN, KEYEVENTF_SILENT);
    injector.Key(VK_APP5, KEYEVENTF_SILENT);
    injector.Key(VK_APP5, KEYEVENTF_SILENT | KEYEVENTF_KEYUP);
    injector.Key(0, KEYEVENTF_SILENT);
    injector.Key(VK_LWIN, KEYEVENTF_SILENT | KEYEVENTF_KEYUP);
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
