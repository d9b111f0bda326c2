#include "QtBackend.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <poll.h>
#include <unistd.h>

#include "QtApplication.h"
#include "ShellFrame.h"
#include "WindowPainter.h"

namespace platform {

QtBackend* QtBackend::Instance() {
    static QtBackend* instance = nullptr;
    static pid_t creator = 0;
    if (instance) {
        return creator == getpid() ? instance : nullptr;
    }
    if (!QtApplication::Start()) {
        return nullptr;
    }
    // Kept for the life of the process, as the core keeps it.
    instance = new QtBackend;
    creator = getpid();
    return instance;
}

QtBackend::QtBackend() : guiThread(std::this_thread::get_id()) {
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp,
                     [this](QWindow* now) { FocusMoved(now); });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenGeometry = screen->geometry();
        screenOrientation = screen->orientation();
    }
    WatchScreen();
    QObject::connect(qApp, &QGuiApplication::primaryScreenChanged, qApp, [this] {
        WatchScreen();
        ScreenMayHaveChanged();
    });
}

DeviceWindowWidget* QtBackend::WidgetOf(HWND hwnd) const {
    const auto top = topLevelOf.find(hwnd);
    if (top == topLevelOf.end()) {
        return nullptr;
    }
    const auto widget = widgets.find(top->second);
    return widget == widgets.end() ? nullptr : widget->second;
}

void QtBackend::Created(HWND hwnd) {
    if (!OnGuiThread()) {
        return;
    }
    const std::optional<WindowSnapshot> window = Describe(hwnd);
    if (!window) {
        return;
    }
    if (window->parent) {
        if (const auto top = topLevelOf.find(window->parent); top != topLevelOf.end()) {
            topLevelOf[hwnd] = top->second;
            if (WindowPainter::IsEdit(*window)) {
                editors[hwnd] = new LabelEditor(hwnd, WidgetOf(hwnd), [this] { wait.Delivered(); });
                FollowEditor(hwnd);
            }
        }
        return;
    }
    auto* widget = new DeviceWindowWidget(hwnd, [this] { wait.Delivered(); });
    widgets[hwnd] = widget;
    topLevelOf[hwnd] = hwnd;
    widget->Follow();
}

void QtBackend::Destroyed(HWND hwnd) {
    const auto member = topLevelOf.find(hwnd);
    if (!OnGuiThread() || member == topLevelOf.end()) {
        return;
    }
    const HWND top = member->second;
    topLevelOf.erase(member);
    if (const auto editor = editors.find(hwnd); editor != editors.end()) {
        editor->second->hide();
        editor->second->deleteLater();
        editors.erase(editor);
    }
    if (top != hwnd) {
        if (DeviceWindowWidget* widget = WidgetOf(top)) {
            widget->ShowContent(top, nullptr);
        }
        return;
    }
    const auto found = widgets.find(hwnd);
    DeviceWindowWidget* widget = found->second;
    widgets.erase(found);
    if (focused == hwnd) {
        focused = nullptr;
    }
    widget->hide();
    // Not at once: the window may go while one of the widget's own events is being handled.
    widget->deleteLater();
}

void QtBackend::Shown(HWND hwnd, bool visible) {
    DeviceWindowWidget* widget = OnGuiThread() ? WidgetOf(hwnd) : nullptr;
    if (!widget) {
        return;
    }
    if (widget->Handle() != hwnd) {
        FollowEditor(hwnd);
        widget->ShowContent(hwnd, nullptr);
        return;
    }
    widget->Follow();
    if (visible) {
        Raise(*widget, false);
    }
}

void QtBackend::Moved(HWND hwnd, const RECT&) {
    // Both where the child was and where it is now.
    FollowChange(hwnd, true);
}

void QtBackend::TextChanged(HWND hwnd, const std::wstring&) {
    FollowChange(hwnd, false);
}

void QtBackend::Changed(HWND hwnd) {
    FollowChange(hwnd, true);
}

void QtBackend::Painted(HWND hwnd, const RECT& area) {
    if (DeviceWindowWidget* widget = OnGuiThread() ? WidgetOf(hwnd) : nullptr) {
        widget->ShowContent(hwnd, &area);
    }
}

void QtBackend::Raised(HWND hwnd) {
    if (DeviceWindowWidget* widget = OnGuiThread() ? WidgetOf(hwnd) : nullptr) {
        Raise(*widget, false);
    }
}

void QtBackend::Activated(HWND hwnd) {
    if (DeviceWindowWidget* widget = OnGuiThread() ? WidgetOf(hwnd) : nullptr) {
        Raise(*widget, true);
    }
}

void QtBackend::ModalLoopEntered(HWND dialog) {
    if (DeviceWindowWidget* widget = OnGuiThread() ? WidgetOf(dialog) : nullptr) {
        Raise(*widget, false);
    }
}

// The dialog is destroyed right after its loop; its owner has kept its input all along.
void QtBackend::ModalLoopLeft(HWND) {}

UINT QtBackend::TrackPopupMenu(HWND owner, const std::vector<MenuItem>& items, POINT screen) {
    if (!OnGuiThread()) {
        return 0;
    }
    QMenu menu(WidgetOf(owner));
    for (const MenuItem& item : items) {
        menu.addAction(QString::fromStdWString(item.text))->setData(item.id);
    }
    const QAction* chosen =
        menu.exec(QPoint(static_cast<int>(screen.x), static_cast<int>(screen.y)));
    return chosen ? chosen->data().toUInt() : 0;
}

void QtBackend::WaitForEvents(int wakeFd, int timeoutMs) {
    if (!OnGuiThread()) {
        pollfd watch{wakeFd, POLLIN, 0};
        poll(&watch, 1, timeoutMs);
        return;
    }
    wait.Run(wakeFd, timeoutMs);
}

void QtBackend::Raise(DeviceWindowWidget& widget, bool activate) {
    widget.Raise(activate);
    if (widget.windowFlags() & Qt::WindowStaysOnTopHint) {
        return;
    }
    for (const auto& [hwnd, other] : widgets) {
        if (other != &widget && other->isVisible() &&
            (other->windowFlags() & Qt::WindowStaysOnTopHint)) {
            other->Raise(false);
        }
    }
}

void QtBackend::FollowEditor(HWND hwnd) {
    const auto editor = editors.find(hwnd);
    const auto top = topLevelOf.find(hwnd);
    if (editor == editors.end() || top == topLevelOf.end()) {
        return;
    }
    if (const std::optional<WindowSnapshot> window = Describe(top->second)) {
        editor->second->Follow(ShellFrame(*window).Outer().topLeft());
    }
}

void QtBackend::FollowChange(HWND hwnd, bool wholeWindow) {
    DeviceWindowWidget* widget = OnGuiThread() ? WidgetOf(hwnd) : nullptr;
    if (!widget) {
        return;
    }
    if (widget->Handle() == hwnd) {
        widget->Follow();
        return;
    }
    FollowEditor(hwnd);
    widget->ShowContent(wholeWindow ? widget->Handle() : hwnd, nullptr);
}

void QtBackend::FocusMoved(QWindow* now) {
    // An open pop-up menu holds the focus while its owner stays in front, as the device's
    // menus take no activation: the owner is neither deactivated nor activated again.
    if (now && now->type() == Qt::Popup) {
        return;
    }
    HWND front = nullptr;
    for (const auto& [hwnd, widget] : widgets) {
        if (now && widget->windowHandle() == now) {
            front = hwnd;
        }
    }
    const HWND before = std::exchange(focused, front);
    if (front == before) {
        return;
    }
    // The core ignores what it knows already: a window it brought to the front itself, a
    // window that is no longer in front.
    if (front) {
        UserActivated(front);
    } else {
        UserDeactivated(before);
    }
    wait.Delivered();
}

void QtBackend::WatchScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // A screen that becomes the primary one again is watched twice: the checks coalesce.
        QObject::connect(screen, &QScreen::geometryChanged, qApp,
                         [this] { ScreenMayHaveChanged(); });
        QObject::connect(screen, &QScreen::orientationChanged, qApp,
                         [this] { ScreenMayHaveChanged(); });
    }
}

void QtBackend::ScreenMayHaveChanged() {
    if (screenCheckPending) {
        return;
    }
    screenCheckPending = true;
    QTimer::singleShot(0, qApp, [this] {
        screenCheckPending = false;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen ||
            (screen->geometry() == screenGeometry && screen->orientation() == screenOrientation)) {
            return;
        }
        screenGeometry = screen->geometry();
        screenOrientation = screen->orientation();
        ScreenChanged();
        wait.Delivered();
    });
}

} // namespace platform

extern "C" __attribute__((visibility("default"))) platform::GuiBackend* TapweaveCreateQtBackend() {
    return platform::QtBackend::Instance();
}
