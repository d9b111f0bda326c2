// What a backend is told, on which thread, and how the core waits through it; and how the
// backend is chosen.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "gui/BackendLoader.h"
#include "gui/WindowManager.h"
#include "platform/gui.h"

namespace {

// Logs every call as "Call title" with the calling thread; waits like the headless backend.
class RecordingBackend : public platform::GuiBackend {
  public:
    struct Call {
        std::string what;
        pid_t thread;
        bool operator==(const Call&) const = default;
        friend void PrintTo(const Call& call, std::ostream* out) {
            *out << call.what << " on " << call.thread;
        }
    };

    void Created(HWND hwnd) override { Log("Created", hwnd); }
    void Destroyed(HWND hwnd) override {
        // The handle is gone by now.
        EXPECT_FALSE(Describe(hwnd));
        Log("Destroyed", hwnd);
    }
    void Shown(HWND hwnd, bool visible) override { Log(visible ? "Shown" : "Hidden", hwnd); }
    void Moved(HWND hwnd, const RECT& rect) override {
        Log("Moved " + std::to_string(rect.left) + "," + std::to_string(rect.top), hwnd);
    }
    void TextChanged(HWND hwnd, const std::wstring&) override { Log("TextChanged", hwnd); }
    void Changed(HWND hwnd) override { Log("Changed", hwnd); }
    void Painted(HWND hwnd, const RECT& area) override {
        Log("Painted " + std::to_string(area.right) + "x" + std::to_string(area.bottom), hwnd);
    }
    void Raised(HWND hwnd) override { Log("Raised", hwnd); }
    void Activated(HWND hwnd) override { Log("Activated", hwnd); }
    void ModalLoopEntered(HWND hwnd) override { Log("ModalLoopEntered", hwnd); }
    void ModalLoopLeft(HWND hwnd) override { Log("ModalLoopLeft", hwnd); }
    void WaitForEvents(int wakeFd, int timeoutMs) override {
        {
            std::lock_guard lock(mutex);
            ++waits;
        }
        pollfd watch{wakeFd, POLLIN, 0};
        poll(&watch, 1, timeoutMs);
    }

    std::vector<Call> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }
    int Waits() {
        std::lock_guard lock(mutex);
        return waits;
    }

  private:
    // Named by the window's title, or by the title it had for a window that is gone.
    void Log(const std::string& what, HWND hwnd) {
        const auto snapshot = Describe(hwnd);
        std::lock_guard lock(mutex);
        if (snapshot) {
            names[hwnd] = std::string(snapshot->title.begin(), snapshot->title.end());
        }
        calls.push_back({what + " " + names[hwnd], gettid()});
    }

    std::mutex mutex;
    std::vector<Call> calls;
    std::map<HWND, std::string> names;
    int waits = 0;
};

LRESULT Painting(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

INT_PTR EndAtOnce(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        EndDialog(hwnd, 3);
        return TRUE;
    }
    return FALSE;
}

class GuiBackendCalls : public ::testing::Test {
  protected:
    void SetUp() override {
        alarm(30);
        platform::WindowManager::Instance().Install(&backend);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Painting;
        windowClass.lpszClassName = L"Painted Class";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
    }
    void TearDown() override {
        platform::WindowManager::Instance().Install(nullptr);
        UnregisterClassW(L"Painted Class", nullptr);
        alarm(0);
    }

    using Calls = std::vector<RecordingBackend::Call>;

    TempDevice device;
    FixedDisplay display{240, 320};
    RecordingBackend backend;
    const pid_t self = gettid();
};

TEST_F(GuiBackendCalls, TheBackendFollowsEveryChangeOnTheWindowsThread) {
    const HWND top = CreateWindowExW(0, L"Painted Class", L"top", WS_POPUP, 0, 0, 20, 10, nullptr,
                                     nullptr, nullptr, nullptr);
    const HWND label = CreateWindowExW(0, L"STATIC", L"label", WS_CHILD | WS_VISIBLE, 1, 1, 5, 5,
                                       top, nullptr, nullptr, nullptr);
    ShowWindow(top, SW_SHOW);
    SetWindowTextW(top, L"top");
    MoveWindow(top, 7, 8, 20, 10, FALSE);
    UpdateWindow(top);
    SetForegroundWindow(top);
    SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(label));
    EXPECT_EQ(backend.Take(), (Calls{{"Created top", self},
                                     {"Created label", self},
                                     {"Shown label", self},
                                     {"Shown top", self},
                                     {"TextChanged top", self},
                                     {"Moved 7,8 top", self},
                                     {"Painted 20x10 top", self},
                                     {"Activated top", self},
                                     {"Raised top", self},
                                     {"Destroyed label", self},
                                     {"Destroyed top", self}}));
}

TEST_F(GuiBackendCalls, ChangesFromAnotherThreadReachTheBackendOnTheWindowsThread) {
    std::promise<HWND> made;
    pid_t owner = 0;
    std::thread worker([&] {
        owner = gettid();
        const HWND hwnd = CreateWindowExW(0, L"Painted Class", L"remote", WS_POPUP, 0, 0, 5, 5,
                                          nullptr, nullptr, nullptr, nullptr);
        made.set_value(hwnd);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageW(&msg);
        }
        DestroyWindow(hwnd);
    });
    const HWND hwnd = made.get_future().get();
    // Once the worker waits in its empty queue, whatever follows has to wake it.
    WaitUntil([&] { return backend.Waits() > 0; }, std::chrono::seconds(10));
    EXPECT_GT(backend.Waits(), 0) << "waiting for messages did not go through the backend";
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    // The show is told when the worker looks at its queue, before this message is answered.
    SendMessageW(hwnd, WM_NULL, 0, 0);
    PostMessageW(hwnd, WM_QUIT, 0, 0);
    worker.join();
    const Calls calls = backend.Take();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], (RecordingBackend::Call{"Created remote", owner}));
    EXPECT_EQ(calls[1], (RecordingBackend::Call{"Shown remote", owner}));
    EXPECT_EQ(calls.back(), (RecordingBackend::Call{"Destroyed remote", owner}));
}

TEST_F(GuiBackendCalls, AModalLoopIsAnnounced) {
    std::vector<BYTE> dialogTemplate(1024, 0);
    reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data())->style = WS_VISIBLE;
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr,
                                      reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
                                      nullptr, EndAtOnce, 0),
              3);
    std::vector<std::string> calls;
    for (const auto& call : backend.Take()) {
        calls.push_back(call.what);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"Created ", "Shown ", "ModalLoopEntered ",
                                               "ModalLoopLeft ", "Destroyed "}));
}

TEST_F(GuiBackendCalls, ABackendPutInPlaceLearnsOfTheWindowsThatExist) {
    platform::WindowManager::Instance().Install(nullptr);
    const HWND hidden = CreateWindowExW(0, L"Painted Class", L"hidden", WS_POPUP, 0, 0, 5, 5,
                                        nullptr, nullptr, nullptr, nullptr);
    const HWND shown = CreateWindowExW(0, L"Painted Class", L"shown", WS_POPUP | WS_VISIBLE, 0, 0,
                                       5, 5, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(backend.Take().empty());
    platform::WindowManager::Instance().Install(&backend);
    EXPECT_EQ(backend.Take(),
              (Calls{{"Created hidden", self}, {"Created shown", self}, {"Shown shown", self}}));
    DestroyWindow(hidden);
    DestroyWindow(shown);
}

TEST(GuiBackendChoice, HeadlessUnlessQtIsAskedForOrADisplayIsThere) {
    {
        ScopedEnvironment gui("TAPWEAVE_GUI", "headless");
        ScopedEnvironment display("DISPLAY", ":99");
        testing::internal::CaptureStderr();
        EXPECT_EQ(platform::BackendLoader::Load(), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    {
        ScopedEnvironment gui("TAPWEAVE_GUI", nullptr);
        ScopedEnvironment display("DISPLAY", nullptr);
        ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
        testing::internal::CaptureStderr();
        EXPECT_EQ(platform::BackendLoader::Load(), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    {
        ScopedEnvironment gui("TAPWEAVE_GUI", "gtk");
        testing::internal::CaptureStderr();
        EXPECT_EQ(platform::BackendLoader::Load(), nullptr);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("TAPWEAVE_GUI=gtk"),
                  std::string::npos);
    }
    if (std::filesystem::exists(TAPWEAVE_BIN_DIR "/libtapweave-gui-qt.so")) {
        GTEST_SKIP() << "the Qt backend is built; its own tests load it";
    }
    ScopedEnvironment gui("TAPWEAVE_GUI", "qt");
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::BackendLoader::Load(), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("windows are not shown: cannot use libtapweave-gui-qt.so"),
              std::string::npos)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
}

// Qt wants a runtime directory; a program run as root or from a service has none.
TEST(GuiBackendChoice, APrivateRuntimeDirectoryIsGivenOnlyWhenTheSessionHasNone) {
    {
        ScopedEnvironment runtime("XDG_RUNTIME_DIR", "/run/user/1000");
        platform::ProvideRuntimeDirectory();
        EXPECT_STREQ(std::getenv("XDG_RUNTIME_DIR"), "/run/user/1000");
    }
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", nullptr);
    platform::ProvideRuntimeDirectory();
    const char* given = std::getenv("XDG_RUNTIME_DIR");
    ASSERT_NE(given, nullptr);
    struct stat status {};
    ASSERT_EQ(lstat(given, &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_uid, getuid());
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

} // namespace
