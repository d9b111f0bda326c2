#include "DeviceWindowWidget.h"

#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstdint>

#include "ShellFrame.h"
#include "VirtualKeys.h"
#include "WindowPainter.h"
#include "platform/windows.h"

namespace platform {

namespace {

// WM_KEYDOWN and WM_KEYUP's lParam: a repeat count of 1, the previous key state (bit 30) and
// the transition state (bit 31).
constexpr LPARAM keyRepeatOnce = 1;
constexpr LPARAM keyWasDown = LPARAM{1} << 30;
constexpr LPARAM keyGoingUp = LPARAM{1} << 31;

// Tap-and-hold: how long the stylus stays down, and how far it may wander meanwhile.
constexpr int holdMs = 500;
constexpr int holdSlop = 5;

LPARAM ScreenPoint(const QPoint& screen) {
    return MAKELPARAM(screen.x(), screen.y());
}

// Whether window is hwnd or lies within it.
bool Within(HWND window, HWND hwnd) {
    for (std::optional<WindowSnapshot> current = GuiBackend::Describe(window); current;
         current = current->parent ? GuiBackend::Describe(current->parent) : std::nullopt) {
        if (current->hwnd == hwnd) {
            return true;
        }
    }
    return false;
}

} // namespace

DeviceWindowWidget::DeviceWindowWidget(HWND hwnd, std::function<void()> delivered)
    : QWidget(nullptr, Qt::Window), hwnd(hwnd), delivered(std::move(delivered)) {
    // Every pixel comes from the core: Qt has no background to clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    holdTimer.setSingleShot(true);
    holdTimer.setInterval(holdMs);
    connect(&holdTimer, &QTimer::timeout, this, [this] { Held(); });
}

Qt::WindowFlags DeviceWindowWidget::FlagsFor(const WindowSnapshot& window) {
    Qt::WindowFlags flags = Qt::Window;
    if (window.exStyle & WS_EX_TOOLWINDOW) {
        flags |= Qt::Tool;
    }
    if (window.exStyle & WS_EX_NOACTIVATE) {
        flags |= Qt::Tool | Qt::WindowDoesNotAcceptFocus;
    }
    if (window.exStyle & WS_EX_TOPMOST) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    // A window that stays above all and never takes the keyboard (the recorder's toolbar) is
    // placed by the device alone: a window manager would put a focused window that covers the
    // screen (a full-screen dialog on a handheld's screen) above every managed window.
    if ((window.exStyle & WS_EX_TOPMOST) && (window.exStyle & WS_EX_NOACTIVATE)) {
        flags |= Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint;
    }
    // A pop-up has no frame; the shell draws a dialog's caption itself. A dialog shown as a
    // window of the desktop gets the window manager's frame around the shell's.
    const ShellFrame frame(window);
    if (!window.windowed &&
        ((window.style & WS_POPUP) || frame.HasCaption() || frame.HasMenuBar())) {
        flags |= Qt::FramelessWindowHint;
    }
    return flags;
}

void DeviceWindowWidget::Follow() {
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(hwnd);
    if (!window) {
        return;
    }
    const Qt::WindowFlags flags = FlagsFor(*window);
    // Compared with what was asked, not with windowFlags(): Qt adds the frame's buttons to a
    // framed window's flags, and setting them again would hide and map the window anew each time,
    // which a window manager may take as a window withdrawn for good.
    if (flags != askedFlags) {
        askedFlags = flags;
        // Qt hides a window whose flags change; it is shown again below.
        setWindowFlags(flags);
    }
    setWindowTitle(QString::fromStdWString(window->title));
    const QRect outer = ShellFrame(*window).Outer();
    // A window of the desktop keeps its handheld's size: the person moves it, but the device's
    // layout inside does not stretch.
    if (window->windowed) {
        setFixedSize(outer.size());
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (geometry() != outer) {
        setGeometry(outer);
    }
    const bool wasVisible = isVisible();
    // A window that comes up in front takes the keyboard as the window manager maps it; asking
    // for it afterwards may be refused as focus stealing, and a dialog a person just opened would
    // not hear Escape.
    if (window->visible && !wasVisible) {
        setAttribute(Qt::WA_ShowWithoutActivating, !window->foreground);
    }
    setVisible(window->visible);
    if (!window->visible) {
        fitted = false;
    }
    // Qt cannot give the keyboard to a window that is not on the screen: the device's front
    // window takes it when it comes up.
    if (window->visible && !wasVisible && window->foreground) {
        Raise(true);
    }
    contentUpdates += rect();
    update();
}

void DeviceWindowWidget::ShowContent(HWND member, const RECT* area) {
    const std::optional<WindowSnapshot> top = GuiBackend::Describe(hwnd);
    const std::optional<WindowSnapshot> window =
        member == hwnd ? top : GuiBackend::Describe(member);
    if (!top || !window) {
        contentUpdates += rect();
        update();
        return;
    }
    const QPoint origin = ShellFrame(*top).Outer().topLeft();
    QRect changed = WindowPainter::ToQRect(window->windowRect).translated(-origin);
    if (area) {
        const QRect client = WindowPainter::ToQRect(window->clientRect).translated(-origin);
        changed = WindowPainter::ToQRect(*area).translated(client.topLeft()).intersected(client);
    }
    contentUpdates += changed;
    update(changed);
}

void DeviceWindowWidget::Raise(bool activate) {
    raise();
    if (activate) {
        activateWindow();
    }
}

void DeviceWindowWidget::paintEvent(QPaintEvent* event) {
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(hwnd);
    if (!window) {
        return;
    }
    const ShellFrame frame(*window);
    QPainter painter(this);
    frame.Paint(painter, QString::fromStdWString(window->title), donePressed);
    WindowPainter::Paint(painter, *window, frame.Outer().topLeft());
    const QRegion exposed = event->region() - contentUpdates;
    contentUpdates = QRegion();
    if (!exposed.isEmpty()) {
        InvalidateExposed(*window, exposed.translated(frame.Outer().topLeft()));
    }
}

void DeviceWindowWidget::InvalidateExposed(const WindowSnapshot& window, const QRegion& exposed) {
    const QRect client = WindowPainter::ToQRect(window.clientRect);
    const QRegion part = exposed.intersected(client);
    if (part.isEmpty()) {
        return;
    }
    const QRect area = part.boundingRect().translated(-client.topLeft());
    const RECT invalid{area.left(), area.top(), area.left() + area.width(),
                       area.top() + area.height()};
    InvalidateRect(window.hwnd, &invalid, TRUE);
    for (const HWND child : GuiBackend::Children(window.hwnd)) {
        if (const std::optional<WindowSnapshot> snapshot = GuiBackend::Describe(child);
            snapshot && snapshot->visible) {
            InvalidateExposed(*snapshot, part);
        }
    }
}

HWND DeviceWindowWidget::TargetAt(const WindowSnapshot& window, const QPoint& screen) {
    if (window.style & WS_DISABLED) {
        return nullptr;
    }
    if (!WindowPainter::ToQRect(window.clientRect).contains(screen)) {
        return window.hwnd;
    }
    const std::vector<HWND> children = GuiBackend::Children(window.hwnd);
    // Later children are painted over earlier ones.
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        const std::optional<WindowSnapshot> snapshot = GuiBackend::Describe(*child);
        if (snapshot && snapshot->visible && !WindowPainter::IsStatic(*snapshot) &&
            WindowPainter::ToQRect(snapshot->windowRect).contains(screen)) {
            return TargetAt(*snapshot, screen);
        }
    }
    return window.hwnd;
}

LPARAM DeviceWindowWidget::ClientPoint(HWND target, const QPoint& screen) {
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(target);
    if (!window) {
        return 0;
    }
    return MAKELPARAM(screen.x() - window->clientRect.left, screen.y() - window->clientRect.top);
}

// The stylus is the left button. Points are taken on the screen and measured against the
// core's rectangles, so they stay right while a window is being dragged and the server has
// not yet moved it.
void DeviceWindowWidget::mousePressEvent(QMouseEvent* event) {
    const bool right = event->button() == Qt::RightButton;
    if (event->button() != Qt::LeftButton && !right) {
        return;
    }
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(hwnd);
    if (!window) {
        return;
    }
    const ShellFrame frame(*window);
    const QPoint screen = event->globalPosition().toPoint();
    if (right) {
        if (WindowPainter::ToQRect(window->windowRect).contains(screen)) {
            ContextMenu(TargetAt(*window, screen), screen);
        }
        return;
    }
    const QPoint local = screen - frame.Outer().topLeft();
    if (frame.DoneButton().contains(local)) {
        doneTracking = true;
        donePressed = true;
        contentUpdates += frame.Caption();
        update(frame.Caption());
        return;
    }
    if (!WindowPainter::ToQRect(window->windowRect).contains(screen)) {
        // The caption or the menu bar: nothing of the window's.
        return;
    }
    // A tap brings the window to the front before the window sees the tap.
    if (!window->foreground) {
        GuiBackend::UserActivated(hwnd);
    }
    stylusTarget = TargetAt(*window, screen);
    if (stylusTarget) {
        Post(stylusTarget, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(stylusTarget, screen));
        const std::optional<WindowSnapshot> target = GuiBackend::Describe(stylusTarget);
        if (target && WindowPainter::IsListView(*target)) {
            holdPoint = screen;
            holdTimer.start();
        }
    }
}

void DeviceWindowWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint screen = event->globalPosition().toPoint();
    if (doneTracking) {
        const std::optional<WindowSnapshot> window = GuiBackend::Describe(hwnd);
        if (!window) {
            return;
        }
        const ShellFrame frame(*window);
        const bool over = frame.DoneButton().contains(screen - frame.Outer().topLeft());
        if (over != donePressed) {
            donePressed = over;
            contentUpdates += frame.Caption();
            update(frame.Caption());
        }
        return;
    }
    if (holdTimer.isActive() && (screen - holdPoint).manhattanLength() > holdSlop) {
        holdTimer.stop();
    }
    if (stylusTarget && (event->buttons() & Qt::LeftButton)) {
        Post(stylusTarget, WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(stylusTarget, screen));
    }
}

void DeviceWindowWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    holdTimer.stop();
    if (doneTracking) {
        const bool clicked = donePressed;
        doneTracking = false;
        donePressed = false;
        contentUpdates += rect();
        update();
        if (clicked) {
            // The caption's "ok" button, told from a control with identifier IDOK by lParam 0.
            Post(hwnd, WM_COMMAND, IDOK, 0);
        }
        return;
    }
    if (stylusTarget) {
        const HWND target = std::exchange(stylusTarget, nullptr);
        Post(target, WM_LBUTTONUP, 0, ClientPoint(target, event->globalPosition().toPoint()));
    }
}

void DeviceWindowWidget::keyPressEvent(QKeyEvent* event) {
    Key(event, true);
}

void DeviceWindowWidget::keyReleaseEvent(QKeyEvent* event) {
    Key(event, false);
}

void DeviceWindowWidget::Key(QKeyEvent* event, bool down) {
    // Escape leaves a dialog of the desktop as its "ok" button does.
    if (event->key() == Qt::Key_Escape && ClosesAsDone()) {
        if (down && !event->isAutoRepeat()) {
            Post(hwnd, WM_COMMAND, IDOK, 0);
        }
        return;
    }
    const BYTE vk = VirtualKeys::FromQt(event->key());
    // A held key repeats its WM_KEYDOWN only, as on the device.
    if (vk == 0 || (!down && event->isAutoRepeat())) {
        event->ignore();
        return;
    }
    const HWND focus = GetFocus();
    const HWND target = focus && Within(focus, hwnd) ? focus : hwnd;
    LPARAM lParam = keyRepeatOnce;
    if (!down || event->isAutoRepeat()) {
        lParam |= keyWasDown;
    }
    if (!down) {
        lParam |= keyGoingUp;
    }
    Post(target, down ? WM_KEYDOWN : WM_KEYUP, vk, lParam);
    if (down && vk == VK_F1 && !event->isAutoRepeat()) {
        Help(target);
    }
}

// F1 asks the window for help, as the device's shell does: WM_HELP is sent to the top-level
// window with what had the keyboard.
void DeviceWindowWidget::Help(HWND focus) {
    const std::optional<WindowSnapshot> item = GuiBackend::Describe(focus);
    const QPoint pointer = QCursor::pos();
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = item ? item->controlId : 0;
    info.hItemHandle = focus;
    info.MousePos = {pointer.x(), pointer.y()};
    SendMessageW(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    delivered();
}

// The window manager's close button (or its keyboard shortcut) asks the window; whether it
// closes is the program's choice. On a dialog shown as a window of the desktop it is the
// "ok" button, the one way the device offers to leave it.
void DeviceWindowWidget::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (ClosesAsDone()) {
        Post(hwnd, WM_COMMAND, IDOK, 0);
        return;
    }
    Post(hwnd, WM_CLOSE, 0, 0);
}

bool DeviceWindowWidget::ClosesAsDone() const {
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(hwnd);
    return window && window->windowed && window->doneButton;
}

// The window manager placed or moved a window of the desktop: the device learns where it is,
// since stylus points are measured against its rectangles. Where the manager first puts it, a
// window that does not fit the desktop's free area (panels left out) with its frame is made to
// fit; later the person may move it anywhere.
void DeviceWindowWidget::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(hwnd);
    if (!window || !window->windowed || !isVisible()) {
        return;
    }
    QRect outer = geometry();
    const QScreen* screen = this->screen();
    const QMargins frame = windowHandle()->frameMargins();
    if (!fitted && screen && !frame.isNull()) {
        fitted = true;
        const QRect room = screen->availableGeometry().marginsRemoved(frame);
        outer.setHeight(std::min(outer.height(), room.height()));
        outer.moveLeft(std::clamp(outer.left(), room.left(),
                                  std::max(room.left(), room.right() + 1 - outer.width())));
        outer.moveTop(std::clamp(outer.top(), room.top(),
                                 std::max(room.top(), room.bottom() + 1 - outer.height())));
    }
    const QRect current = WindowPainter::ToQRect(window->windowRect);
    const int bars = height() - current.height();
    const QRect placed(outer.topLeft() + ShellFrame(*window).WindowOrigin(),
                       QSize(outer.width(), outer.height() - bars));
    if (placed != current) {
        MoveWindow(hwnd, placed.left(), placed.top(), placed.width(), placed.height(), TRUE);
        delivered();
    }
}

// The stylus stayed down: the window takes the rest of the stroke as the gesture's.
void DeviceWindowWidget::Held() {
    if (const HWND target = std::exchange(stylusTarget, nullptr)) {
        ContextMenu(target, holdPoint);
    }
}

void DeviceWindowWidget::ContextMenu(HWND target, const QPoint& screen) {
    if (target) {
        Post(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), ScreenPoint(screen));
    }
}

void DeviceWindowWidget::Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageW(target, message, wParam, lParam);
    delivered();
}

} // namespace platform
