// The Qt backend of the window layer on a private Xvfb, with real processes: a full-screen
// dialog looks like the device's (caption bar with its "ok" button, label text, menu bar),
// the person's stylus, keys, focus and the window manager's close button become the window's
// messages, a pop-up that takes no activation follows drags, and a program that shows no
// window never loads Qt.
//
// This binary doubles as its child programs, chosen by TAPWEAVE_GUI_QT_ROLE before the tests
// start: "dialog" runs a full-screen dialog, "popup" a small pop-up like the recorder's,
// "nowindow" uses the window layer without showing a window. Each reports what its windows
// receive on standard output, one line a message, and ends itself after a minute at most.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "FileContent.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "Xdo.h"
#include "XvfbServer.h"
#include "platform/gui.h"
#include "platform/windows.h"

namespace {

using namespace std::chrono_literals;

constexpr int screenWidth = 240;
constexpr int screenHeight = 320;
// The test pad, a child of the dialog, in the dialog's client coordinates.
constexpr int padX = 20;
constexpr int padY = 120;
constexpr int padWidth = 100;
constexpr int padHeight = 60;
// The pop-up's place and outer size (a one-pixel border around 32 x 16).
constexpr int popupX = 100;
constexpr int popupY = 200;
constexpr int popupWidth = 34;
constexpr int popupHeight = 18;
constexpr int dialogResult = 7;

// --- The child programs ---------------------------------------------------------------------

void Say(const char* format, ...) {
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line - 1, format, arguments);
    va_end(arguments);
    if (length > 0) {
        line[length] = '\n';
        [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, line, length + 1);
    }
}

// The input messages every window of the children reports, under a name.
bool SayInput(const char* who, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        Say("%sdown %d %d %d", who, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
            static_cast<int>(wParam));
        return true;
    case WM_MOUSEMOVE:
        Say("%smove %d %d %d", who, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
            static_cast<int>(wParam));
        return true;
    case WM_LBUTTONUP:
        Say("%sup %d %d %d", who, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
            static_cast<int>(wParam));
        return true;
    case WM_KEYDOWN:
        Say("%skeydown %d", who, static_cast<int>(wParam));
        return true;
    case WM_KEYUP:
        Say("%skeyup %d", who, static_cast<int>(wParam));
        return true;
    case WM_ACTIVATE:
        Say("%sactivate %d", who, static_cast<int>(LOWORD(wParam)));
        return true;
    case WM_SETTINGCHANGE:
        Say("%ssettingchange %d", who, static_cast<int>(wParam));
        return true;
    case WM_PAINT:
        Say("%spaint", who);
        return false;
    default:
        return false;
    }
}

LRESULT PadProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SayInput("pad ", message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Label(HWND dialog, LPCWSTR text, int x, int y, int width, int height, int fontHeight,
           int weight) {
    LOGFONTW description{};
    std::wcscpy(description.lfFaceName, L"Tahoma");
    description.lfHeight = fontHeight;
    description.lfWeight = weight;
    const HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, x, y, width,
                                       height, dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectW(&description)), 1);
}

INT_PTR DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    static SHACTIVATEINFO activateInfo{12, nullptr, 0, 0, 0, 0};
    if (message == WM_SETTINGCHANGE) {
        // A full-screen dialog fits itself to the new screen.
        SHHandleWMSettingChange(hwnd, wParam, lParam, &activateInfo);
    }
    if (SayInput("", message, wParam, lParam)) {
        return FALSE;
    }
    switch (message) {
    case WM_INITDIALOG: {
        SHINITDLGINFO shell{SHIDIM_FLAGS, hwnd,
                            SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG | SHIDIF_SIPDOWN};
        SHInitDialog(&shell);
        SHMENUBARINFO bar{};
        bar.cbSize = 36;
        bar.hwndParent = hwnd;
        bar.dwFlags = SHCMBF_EMPTYBAR;
        SHCreateMenuBar(&bar);
        SetWindowTextW(hwnd, L"About");
        RECT client{};
        GetClientRect(hwnd, &client);
        const int width = static_cast<int>(client.right - client.left);
        Label(hwnd, L"Tapweave", 10, 10, width - 20, 22, 20, FW_BOLD);
        Label(hwnd, L"version: 1.2\nMade under test", 10, 40, width - 20, 60, 18, FW_NORMAL);
        CreateWindowExW(0, L"TestPad", L"", WS_CHILD | WS_VISIBLE, padX, padY, padWidth, padHeight,
                        hwnd, reinterpret_cast<HMENU>(5), nullptr, nullptr);
        Say("hwnd %llu", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(hwnd)));
        SetForegroundWindow(hwnd);
        return TRUE;
    }
    case WM_COMMAND:
        Say("command %d %lld", static_cast<int>(wParam), static_cast<long long>(lParam));
        if (LOWORD(wParam) == IDOK && lParam == 0) {
            EndDialog(hwnd, dialogResult);
            return TRUE;
        }
        return FALSE;
    case WM_HELP: {
        const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
        Say("help %d", info && info->cbSize == sizeof(HELPINFO) ? info->iContextType : -1);
        return TRUE;
    }
    case WM_CLOSE:
        Say("close");
        return TRUE;
    default:
        return FALSE;
    }
}

int RunDialog() {
    WNDCLASSW pad{};
    pad.lpfnWndProc = PadProcedure;
    pad.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    pad.lpszClassName = L"TestPad";
    RegisterClassW(&pad);
    // An empty template, visible, as the system's dialogs build it.
    alignas(4) WORD block[32] = {};
    auto* header = reinterpret_cast<DLGTEMPLATE*>(block);
    header->style = WS_VISIBLE;
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, header, nullptr, DialogProcedure, 0);
    Say("ended %lld", static_cast<long long>(result));
    return 0;
}

// A pop-up as the recorder's: no activation, on top, dragged by the stylus.
LRESULT PopupProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    static POINT anchor{};
    static bool dragging = false;
    SayInput("", message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(hwnd, &paint);
        const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        const HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        const RECT left{0, 0, 16, 16};
        const RECT right{16, 0, 32, 16};
        FillRect(dc, &left, red);
        FillRect(dc, &right, blue);
        DeleteObject(red);
        DeleteObject(blue);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
        anchor = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        dragging = false;
        return 0;
    case WM_MOUSEMOVE: {
        if (std::abs(anchor.x - GET_X_LPARAM(lParam)) > 3 ||
            std::abs(anchor.y - GET_Y_LPARAM(lParam)) > 3) {
            dragging = true;
        }
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        if (dragging) {
            SetWindowPos(hwnd, HWND_TOP, rect.left + GET_X_LPARAM(lParam) - anchor.x,
                         rect.top + GET_Y_LPARAM(lParam) - anchor.y, 0, 0,
                         SWP_NOSIZE | SWP_NOOWNERZORDER);
        }
        return 0;
    }
    case WM_LBUTTONUP:
        dragging = false;
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

int RunPopup() {
    WNDCLASSW popup{};
    popup.style = CS_NOCLOSE;
    popup.lpfnWndProc = PopupProcedure;
    popup.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    popup.lpszClassName = L"TestPopup";
    RegisterClassW(&popup);
    const HWND hwnd =
        CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"TestPopup",
                        L"Test Popup", WS_POPUP | WS_VISIBLE | WS_BORDER, popupX, popupY,
                        popupWidth, popupHeight, nullptr, nullptr, nullptr, nullptr);
    Say("hwnd %llu", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(hwnd)));
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Say("ended %d", static_cast<int>(msg.wParam));
    return 0;
}

// Windows that are made but never shown, and a look at the device's windows.
int RunWithoutWindow() {
    FindWindowW(L"NoSuchClass", nullptr);
    GetForegroundWindow();
    const HWND hidden = CreateWindowExW(0, L"STATIC", L"hidden", WS_POPUP, 0, 0, 10, 10, nullptr,
                                        nullptr, nullptr, nullptr);
    MSG msg{};
    PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    Say("ready %d", hidden != nullptr);
    char ignored;
    while (read(STDIN_FILENO, &ignored, 1) > 0) {
    }
    return 0;
}

[[maybe_unused]] const bool childRole = [] {
    const char* role = std::getenv("TAPWEAVE_GUI_QT_ROLE");
    if (!role) {
        return false;
    }
    alarm(60);
    const std::string which = role;
    _exit(which == "dialog" ? RunDialog() : which == "popup" ? RunPopup() : RunWithoutWindow());
}();

// --- The test side --------------------------------------------------------------------------

// This binary in one of its child roles, with the test's display and device and nothing that
// would choose another backend or screen.
ChildProcess StartChild(const char* role) {
    return ChildProcess({"/proc/self/exe"}, {.environment = {{"TAPWEAVE_GUI_QT_ROLE", role},
                                                             {"WAYLAND_DISPLAY", std::nullopt},
                                                             {"QT_QPA_PLATFORM", std::nullopt},
                                                             {"TAPWEAVE_GUI", std::nullopt},
                                                             {"TAPWEAVE_SCREEN", std::nullopt},
                                                             {"XDG_SESSION_TYPE", std::nullopt}},
                                             .output = ChildProcess::Stream::Capture,
                                             .input = true,
                                             .name = "gui-qt-child"});
}

// The window handle the child reported.
HWND WindowOf(ChildProcess& child) {
    const std::optional<std::string> line = child.WaitForLine("hwnd ");
    return line ? reinterpret_cast<HWND>(std::stoull(line->substr(5))) : nullptr;
}

bool MapsQt(pid_t pid) {
    const std::string maps = FileContent("/proc/" + std::to_string(pid) + "/maps");
    return maps.find("libQt6") != std::string::npos ||
           maps.find("libtapweave-gui-qt") != std::string::npos;
}

// The server's screen made smaller and put back through RandR, which the test reaches at run
// time (it links Xlib only). Xvfb's one output gets a mode of the new size.
class ScreenResizer {
  public:
    explicit ScreenResizer(::Display* x)
        : x(x), root(DefaultRootWindow(x)), library(dlopen("libXrandr.so.2", RTLD_NOW)) {
        if (library) {
            resources = Call<decltype(&XRRGetScreenResources)>("XRRGetScreenResources", x, root);
        }
        if (resources && resources->ncrtc > 0 && resources->noutput > 0) {
            XRRCrtcInfo* crtc = Call<decltype(&XRRGetCrtcInfo)>("XRRGetCrtcInfo", x, resources,
                                                                resources->crtcs[0]);
            if (crtc) {
                original = crtc->mode;
                originalWidth = static_cast<int>(crtc->width);
                originalHeight = static_cast<int>(crtc->height);
                Call<decltype(&XRRFreeCrtcInfo)>("XRRFreeCrtcInfo", crtc);
            }
        }
    }

    ~ScreenResizer() {
        if (created) {
            Apply(original, originalWidth, originalHeight);
            Call<decltype(&XRRDeleteOutputMode)>("XRRDeleteOutputMode", x, resources->outputs[0],
                                                 created);
            Call<decltype(&XRRDestroyMode)>("XRRDestroyMode", x, created);
            XSync(x, False);
        }
        if (resources) {
            Call<decltype(&XRRFreeScreenResources)>("XRRFreeScreenResources", resources);
        }
        if (library) {
            dlclose(library);
        }
    }

    bool Available() const { return original != 0; }

    void Resize(int width, int height) {
        const std::string name = std::to_string(width) + "x" + std::to_string(height);
        XRRModeInfo mode{};
        mode.width = static_cast<unsigned>(width);
        mode.height = static_cast<unsigned>(height);
        mode.hTotal = mode.width;
        mode.vTotal = mode.height;
        mode.dotClock = 60ul * mode.width * mode.height;
        mode.name = const_cast<char*>(name.c_str());
        mode.nameLength = static_cast<unsigned>(name.size());
        created = Call<decltype(&XRRCreateMode)>("XRRCreateMode", x, root, &mode);
        Call<decltype(&XRRAddOutputMode)>("XRRAddOutputMode", x, resources->outputs[0], created);
        Apply(created, width, height);
    }

  private:
    template <class Function, class... Arguments>
    std::invoke_result_t<Function, Arguments...> Call(const char* name, Arguments... arguments) {
        return reinterpret_cast<Function>(dlsym(library, name))(arguments...);
    }

    // The output off, the screen resized, the output on again with the mode.
    void Apply(RRMode mode, int width, int height) {
        Call<decltype(&XRRSetCrtcConfig)>("XRRSetCrtcConfig", x, resources, resources->crtcs[0],
                                          CurrentTime, 0, 0, None, RR_Rotate_0, nullptr, 0);
        Call<decltype(&XRRSetScreenSize)>("XRRSetScreenSize", x, root, width, height, width / 4,
                                          height / 4);
        Call<decltype(&XRRSetCrtcConfig)>("XRRSetCrtcConfig", x, resources, resources->crtcs[0],
                                          CurrentTime, 0, 0, mode, RR_Rotate_0, resources->outputs,
                                          1);
        XSync(x, False);
    }

    ::Display* x;
    ::Window root;
    void* library;
    XRRScreenResources* resources = nullptr;
    RRMode original = 0;
    RRMode created = 0;
    int originalWidth = 0;
    int originalHeight = 0;
};

struct Color {
    int red;
    int green;
    int blue;
};

class GuiQtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        // One server for the whole program, the device's screen: the desktop of this process
        // connects once.
        static XvfbServer server(screenWidth, screenHeight);
        ASSERT_TRUE(server.Running()) << server.Error();
        environment.emplace("DISPLAY", server.Name().c_str());
        static ::Display* held = nullptr;
        WaitUntil([&] { return (held = held ? held : XOpenDisplay(nullptr)) != nullptr; });
        ASSERT_NE(held, nullptr);
        x = held;
        device.emplace();
    }

    void TearDown() override {
        device.reset();
        environment.reset();
    }

    Color Pixel(int px, int py) const {
        XImage* image = XGetImage(x, DefaultRootWindow(x), px, py, 1, 1, AllPlanes, ZPixmap);
        if (!image) {
            return {-1, -1, -1};
        }
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                static_cast<int>(pixel & 0xFF)};
    }

    // How many pixels of the area are near black (dark) or near white (not dark).
    int Pixels(int left, int top, int width, int height, bool dark) const {
        XImage* image =
            XGetImage(x, DefaultRootWindow(x), left, top, width, height, AllPlanes, ZPixmap);
        int count = 0;
        for (int row = 0; image && row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                const unsigned long pixel = XGetPixel(image, column, row);
                const unsigned long sum =
                    ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
                count += dark ? sum < 200 : sum > 600;
            }
        }
        if (image) {
            XDestroyImage(image);
        }
        return count;
    }

    int DarkPixels(int left, int top, int width, int height) const {
        return Pixels(left, top, width, height, true);
    }

    int WhitePixels(int left, int top, int width, int height) const {
        return Pixels(left, top, width, height, false);
    }

    bool CaptionShown() const {
        const Color caption = Pixel(2, 20);
        return caption.blue > 100 && caption.blue > caption.red + 60;
    }

    // The dialog is on the screen with its labels drawn.
    bool DialogShown() const {
        return CaptionShown() && DarkPixels(10, SH_CAPTION_HEIGHT + 10, 120, 22) > 20;
    }

    // The X window that shows the child's window, found by the process that maps it.
    ::Window XWindowOf(pid_t pid) const {
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        ::Window found = 0;
        const Atom pidAtom = XInternAtom(x, "_NET_WM_PID", False);
        if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count && !found; ++i) {
                Atom type = 0;
                int format = 0;
                unsigned long items = 0;
                unsigned long after = 0;
                unsigned char* data = nullptr;
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(x, children[i], &attributes) &&
                    attributes.map_state == IsViewable &&
                    XGetWindowProperty(x, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                                       &format, &items, &after, &data) == Success &&
                    data && items == 1 &&
                    *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid)) {
                    found = children[i];
                }
                if (data) {
                    XFree(data);
                }
            }
            XFree(children);
        }
        return found;
    }

    // A plain X client window of the test itself, given the keyboard.
    ::Window FocusOwnWindow() {
        const ::Window window =
            XCreateSimpleWindow(x, DefaultRootWindow(x), 150, 250, 40, 40, 0, 0, 0);
        XMapWindow(x, window);
        XSync(x, False);
        XSetInputFocus(x, window, RevertToPointerRoot, CurrentTime);
        XSync(x, False);
        return window;
    }

    ::Display* x = nullptr;
    std::optional<ScopedEnvironment> environment;
    std::optional<TempDevice> device;
};

TEST_F(GuiQtTest, DialogHasTheDeviceLookAndItsOkButtonEndsIt) {
    ChildProcess dialog = StartChild("dialog");
    ASSERT_NE(WindowOf(dialog), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return DialogShown(); }));

    // Kept with the build for a person to look at.
    const std::filesystem::path artifacts =
        std::filesystem::path(TAPWEAVE_BIN_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    const std::string screenshot = (artifacts / "gui_qt_dialog.png").string();
    std::filesystem::remove(screenshot);
    EXPECT_EQ(RunTool({"import", "-window", "root", screenshot}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(screenshot));

    // The caption shows the title in white on its left and the white "ok" button on its
    // right; the client area is white, the pad its class's grey, the empty menu bar a lighter
    // grey across the bottom.
    EXPECT_GT(WhitePixels(0, 0, 60, SH_CAPTION_HEIGHT), 30);
    EXPECT_EQ(WhitePixels(60, 0, 120, SH_CAPTION_HEIGHT), 0);
    EXPECT_GT(WhitePixels(screenWidth - SH_CAPTION_HEIGHT, 0, SH_CAPTION_HEIGHT, SH_CAPTION_HEIGHT),
              40);
    const Color client = Pixel(200, 250);
    EXPECT_EQ(client.red + client.green + client.blue, 3 * 255);
    const Color pad = Pixel(padX + 5, SH_CAPTION_HEIGHT + padY + 5);
    EXPECT_EQ(pad.red, 0x80);
    EXPECT_EQ(pad.blue, 0x80);
    const Color menuBar = Pixel(screenWidth / 2, screenHeight - SH_MENUBAR_HEIGHT / 2);
    EXPECT_EQ(menuBar.red, menuBar.blue);
    EXPECT_GT(menuBar.red, 0x90);
    EXPECT_LT(menuBar.red, 0xF0);
    // The second label's two lines: text on the first and on the second line.
    EXPECT_GT(DarkPixels(10, SH_CAPTION_HEIGHT + 40, 120, 20), 20);
    EXPECT_GT(DarkPixels(10, SH_CAPTION_HEIGHT + 60, 120, 20), 20);
    EXPECT_TRUE(MapsQt(dialog.Pid()));
    // Once shown, the windows are not asked to paint again and again.
    dialog.WaitForLine("nothing more", 300ms);
    const std::size_t paints = dialog.Said({"paint", "pad paint"}).size();
    dialog.WaitForLine("nothing more", 500ms);
    EXPECT_EQ(dialog.Said({"paint", "pad paint"}).size(), paints);

    ASSERT_TRUE(Xdo("mousemove " + std::to_string(screenWidth - 13) + " 13 click 1"));
    EXPECT_EQ(dialog.WaitForLine("command "), "command 1 0");
    EXPECT_EQ(dialog.WaitForLine("ended "), "ended " + std::to_string(dialogResult));
    const std::optional<int> status = dialog.WaitStatus(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
}

TEST_F(GuiQtTest, KeysReachTheDialogAndF1AsksForHelp) {
    ChildProcess dialog = StartChild("dialog");
    ASSERT_NE(WindowOf(dialog), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return DialogShown(); }));
    ASSERT_TRUE(dialog.WaitForLine("activate 1"));

    ASSERT_TRUE(Xdo("key F1"));
    EXPECT_EQ(dialog.WaitForLine("help "), "help " + std::to_string(HELPINFO_WINDOW));
    EXPECT_EQ(dialog.WaitForLine("keydown "), "keydown " + std::to_string(VK_F1));
    EXPECT_EQ(dialog.WaitForLine("keyup "), "keyup " + std::to_string(VK_F1));

    ASSERT_TRUE(Xdo("key Left Up Right Down Return Escape F2"));
    for (const int vk : {0x25, 0x26, 0x27, 0x28, 0x0D, 0x1B, 0x71}) {
        EXPECT_EQ(dialog.WaitForLine("keydown "), "keydown " + std::to_string(vk));
        EXPECT_EQ(dialog.WaitForLine("keyup "), "keyup " + std::to_string(vk));
    }
    // Only F1 asks for help.
    EXPECT_EQ(dialog.Said({"help "}).size(), 1u);
}

TEST_F(GuiQtTest, StylusGoesToTheWindowUnderItInClientCoordinates) {
    ChildProcess dialog = StartChild("dialog");
    ASSERT_NE(WindowOf(dialog), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return DialogShown(); }));

    // On the pad, dragged across it: the pad keeps the stylus until it is lifted, even
    // outside its rectangle.
    const int screenY = SH_CAPTION_HEIGHT + padY;
    ASSERT_TRUE(Xdo("mousemove " + std::to_string(padX + 10) + " " + std::to_string(screenY + 5) +
                    " mousedown 1 mousemove " + std::to_string(padX + 30) + " " +
                    std::to_string(screenY + 20) + " mousemove 5 " + std::to_string(screenY - 10) +
                    " mouseup 1"));
    EXPECT_EQ(dialog.WaitForLine("pad down "), "pad down 10 5 1");
    EXPECT_EQ(dialog.WaitForLine("pad up "), "pad up -15 -10 0");
    // Moves may be merged, as the device merges them; the last one is where the stylus went.
    const std::vector<std::string> moves = dialog.Said({"pad move "});
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), "pad move -15 -10 1");

    // On a label: static text lets the stylus through to the dialog.
    ASSERT_TRUE(Xdo("mousemove 50 " + std::to_string(SH_CAPTION_HEIGHT + 15) + " click 1"));
    EXPECT_EQ(dialog.WaitForLine("down "), "down 50 15 1");
    EXPECT_EQ(dialog.WaitForLine("up "), "up 50 15 0");

    // The caption and the menu bar are the shell's, not the dialog's.
    ASSERT_TRUE(Xdo("mousemove 40 10 click 1 mousemove 40 " + std::to_string(screenHeight - 5) +
                    " click 1 mousemove 60 " + std::to_string(SH_CAPTION_HEIGHT + 200) +
                    " click 1"));
    EXPECT_EQ(dialog.WaitForLine("down "), "down 60 200 1");
    EXPECT_EQ(dialog.Said({"down "}).size(), 2u);
    EXPECT_TRUE(dialog.Said({"command "}).empty());
}

TEST_F(GuiQtTest, ClosingFromTheWindowManagerAsksTheWindow) {
    ChildProcess dialog = StartChild("dialog");
    ASSERT_NE(WindowOf(dialog), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return DialogShown(); }));
    const ::Window window = XWindowOf(dialog.Pid());
    ASSERT_NE(window, 0u);

    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &close);
    XSync(x, False);
    EXPECT_TRUE(dialog.WaitForLine("close"));
    // The dialog chose to stay.
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(CaptionShown());
    EXPECT_TRUE(dialog.Said({"ended "}).empty());
}

TEST_F(GuiQtTest, FrontWindowFollowsTheKeyboardFocus) {
    ChildProcess dialog = StartChild("dialog");
    const HWND hwnd = WindowOf(dialog);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return DialogShown(); }));
    ASSERT_TRUE(dialog.WaitForLine("activate 1"));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hwnd; }));

    // Another X client takes the keyboard: the dialog is told, and the desktop's window is
    // the front window.
    const ::Window other = FocusOwnWindow();
    EXPECT_TRUE(dialog.WaitForLine("activate " + std::to_string(WA_INACTIVE)));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() != hwnd; }));
    EXPECT_NE(GetForegroundWindow(), nullptr);

    // A tap on the dialog brings it back before the dialog sees the tap.
    ASSERT_TRUE(Xdo("mousemove 60 " + std::to_string(SH_CAPTION_HEIGHT + 200) + " click 1"));
    ASSERT_TRUE(dialog.WaitForLine("up "));
    const std::vector<std::string> seen = dialog.Said({"activate ", "down "});
    EXPECT_EQ(seen, (std::vector<std::string>{"activate 1", "activate 0", "activate 1",
                                              "down 60 200 1"}));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hwnd; }));
    XDestroyWindow(x, other);
    XSync(x, False);
}

TEST_F(GuiQtTest, ScreenChangeReachesTheWindowsAndTheDialogRefits) {
    ChildProcess dialog = StartChild("dialog");
    ASSERT_NE(WindowOf(dialog), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return DialogShown(); }));
    ScreenResizer screen(x);
    if (!screen.Available()) {
        GTEST_SKIP() << "the X server cannot change its screen size";
    }
    constexpr int shorter = screenHeight - 40;
    screen.Resize(screenWidth, shorter);
    EXPECT_EQ(dialog.WaitForLine("settingchange "),
              "settingchange " + std::to_string(SETTINGCHANGE_RESET));
    // The menu bar follows the dialog to the foot of the smaller screen.
    EXPECT_TRUE(WaitUntil([&] {
        const Color menuBar = Pixel(screenWidth / 2, shorter - SH_MENUBAR_HEIGHT / 2);
        return menuBar.red == menuBar.blue && menuBar.red > 0x90 && menuBar.red < 0xF0;
    }));
    EXPECT_EQ(dialog.Said({"settingchange "}).size(), 1u);
}

TEST_F(GuiQtTest, PopupTakesNoActivationAndFollowsItsDrag) {
    ChildProcess popup = StartChild("popup");
    const HWND hwnd = WindowOf(popup);
    ASSERT_NE(hwnd, nullptr);
    const auto shownAt = [&](int left, int top) {
        const Color border = Pixel(left, top);
        const Color red = Pixel(left + 5, top + 5);
        const Color blue = Pixel(left + 1 + 16 + 5, top + 5);
        return border.red + border.green + border.blue == 0 && red.red == 255 && red.blue == 0 &&
               blue.blue == 255 && blue.red == 0;
    };
    ASSERT_TRUE(WaitUntil([&] { return shownAt(popupX, popupY); }));

    // A tap: stylus messages in client coordinates (inside the border), no activation.
    ASSERT_TRUE(Xdo("mousemove " + std::to_string(popupX + 11) + " " + std::to_string(popupY + 6) +
                    " click 1"));
    EXPECT_EQ(popup.WaitForLine("down "), "down 10 5 1");
    EXPECT_EQ(popup.WaitForLine("up "), "up 10 5 0");
    EXPECT_TRUE(popup.Said({"activate "}).empty());
    EXPECT_NE(GetForegroundWindow(), hwnd);

    // A drag moves the window with the stylus, through the core's SetWindowPos.
    ASSERT_TRUE(Xdo("mousemove " + std::to_string(popupX + 11) + " " + std::to_string(popupY + 6) +
                    " mousedown 1 mousemove " + std::to_string(popupX + 51) + " " +
                    std::to_string(popupY + 46) + " mouseup 1"));
    EXPECT_TRUE(popup.WaitForLine("up "));
    EXPECT_TRUE(WaitUntil([&] { return shownAt(popupX + 40, popupY + 40); }));
    RECT rect{};
    EXPECT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, popupX + 40);
    EXPECT_EQ(rect.top, popupY + 40);
    EXPECT_TRUE(popup.Said({"activate "}).empty());

    // A message from another process wakes the pop-up's thread out of Qt's event loop.
    EXPECT_EQ(SendMessageW(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(popup.WaitForLine("ended "), "ended 0");
}

TEST_F(GuiQtTest, ProgramThatShowsNoWindowNeverLoadsQt) {
    ChildProcess program = StartChild("nowindow");
    ASSERT_EQ(program.WaitForLine("ready "), "ready 1");
    EXPECT_FALSE(MapsQt(program.Pid()));
}

} // namespace
