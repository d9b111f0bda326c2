// A top-level window of the device on the screen: a Qt window that mirrors the core's window
// (place, size, title, visibility, style, shell decorations), shows its content and its
// children's, and turns the person's stylus, keys and closing into the window's messages.
//
// Tap-and-hold, as the device's shell recognises it for a list view: the stylus held still
// (within a few pixels) for half a second on a list view becomes WM_CONTEXTMENU with the screen
// point, and the list hears nothing more of that stroke. A right click is WM_CONTEXTMENU at
// once, to whatever window is under it.
#pragma once

#include <QPoint>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "GuiBackend.h"

namespace platform {

class DeviceWindowWidget : public QWidget {
  public:
    // delivered: called after each message this window has handed to the core.
    DeviceWindowWidget(HWND hwnd, std::function<void()> delivered);

    HWND Handle() const { return hwnd; }
    // Reads the window's state from the core again and follows it: flags, place, title,
    // visibility; then repaints.
    void Follow();
    // The core has new content for this part of a window of this tree (the top-level window
    // or a descendant), in that window's client coordinates; null area: all of it.
    void ShowContent(HWND member, const RECT* area);
    // The window goes on top of the other windows, and with activate takes the keyboard.
    void Raise(bool activate);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    // A dialog shown as a window of the desktop: the window manager's close and Escape are its
    // "ok" button.
    bool ClosesAsDone() const;
    static Qt::WindowFlags FlagsFor(const WindowSnapshot& window);
    // The window under a screen point that takes the stylus: the deepest visible child there
    // (static texts let it through to what lies below, as on the device), else the window.
    // Null when that window is disabled.
    static HWND TargetAt(const WindowSnapshot& window, const QPoint& screen);
    // lParam of a stylus message: the point in the window's client coordinates, x in the low
    // 16 bits and y in the high 16 bits (negative values as 16-bit two's complement).
    static LPARAM ClientPoint(HWND hwnd, const QPoint& screen);
    // Asks the program to repaint what Qt needs painted and the core has not given.
    void InvalidateExposed(const WindowSnapshot& window, const QRegion& exposed);
    void Key(QKeyEvent* event, bool down);
    void Help(HWND focus);
    void Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
    void ContextMenu(HWND target, const QPoint& screen);
    void Held();

    const HWND hwnd;
    const std::function<void()> delivered;
    // The flags last given to Qt for the window.
    Qt::WindowFlags askedFlags = Qt::Window;
    // The parts this backend asked Qt to repaint because the core's content changed; the rest of
    // what Qt repaints comes from the screen (first showing, resizing) and goes to WM_PAINT.
    QRegion contentUpdates;
    // The window that took the stylus down; it keeps it until the stylus is lifted.
    HWND stylusTarget = nullptr;
    // Runs while the stylus may still be held for a context menu, from where it went down.
    QTimer holdTimer;
    QPoint holdPoint;
    // The stylus went down on the "ok" button and is still over it.
    bool donePressed = false;
    bool doneTracking = false;
    // A window of the desktop has been fitted into the free area where the manager first put it.
    bool fitted = false;
};

} // namespace platform
