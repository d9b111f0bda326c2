// The window layer's backend on a Qt display. It serves the windows of the thread that made it
// (the program's GUI thread, which shows the first window): each top-level window is a
// DeviceWindowWidget, its children are drawn inside it. Windows of other threads are not
// shown, and those threads' message loops just wait for their queues.
#pragma once

#include <QRect>
#include <QWindow>
#include <map>
#include <thread>

#include "DeviceWindowWidget.h"
#include "EventWait.h"
#include "GuiBackend.h"
#include "LabelEditor.h"

namespace platform {

class QtBackend : public GuiBackend {
  public:
    // The process's backend, made on the first call (with the QApplication, on the calling
    // thread); null when no display can be opened, or in a child forked from the process that
    // made it (its connection to the display is the parent's).
    static QtBackend* Instance();

    void Created(HWND hwnd) override;
    void Destroyed(HWND hwnd) override;
    void Shown(HWND hwnd, bool visible) override;
    void Moved(HWND hwnd, const RECT& windowRect) override;
    void TextChanged(HWND hwnd, const std::wstring& text) override;
    void Changed(HWND hwnd) override;
    void Painted(HWND hwnd, const RECT& area) override;
    void Raised(HWND hwnd) override;
    void Activated(HWND hwnd) override;
    void ModalLoopEntered(HWND dialog) override;
    void ModalLoopLeft(HWND dialog) override;
    // A QMenu at the point, run until the person chooses or dismisses it.
    UINT TrackPopupMenu(HWND owner, const std::vector<MenuItem>& items, POINT screen) override;
    void WaitForEvents(int wakeFd, int timeoutMs) override;

  private:
    QtBackend();

    bool OnGuiThread() const { return std::this_thread::get_id() == guiThread; }
    // The widget that shows the window (a top-level one) or the window's top-level window.
    DeviceWindowWidget* WidgetOf(HWND hwnd) const;
    // Brings the window up; windows that stay on top go above it again, since without a
    // window manager nothing else keeps them there.
    void Raise(DeviceWindowWidget& widget, bool activate);
    // A list view's label editor follows its edit window, if the window is one.
    void FollowEditor(HWND hwnd);
    // A top-level window's widget follows it. A child's label editor follows the child, and the
    // widget shows the child again, or the whole window when the child may have left its place.
    void FollowChange(HWND hwnd, bool wholeWindow);
    // The person moved the keyboard to another window: the device's front window follows.
    void FocusMoved(QWindow* now);
    // Screen size or rotation changes arrive as several Qt signals; one WM_SETTINGCHANGE goes
    // out once they have all come in, if the screen is really different.
    void ScreenMayHaveChanged();
    void WatchScreen();

    const std::thread::id guiThread;
    EventWait wait;
    std::map<HWND, DeviceWindowWidget*> widgets;
    // Every window shown through a widget, children included, with its top-level window.
    std::map<HWND, HWND> topLevelOf;
    // The label editors, by their edit windows.
    std::map<HWND, LabelEditor*> editors;
    HWND focused = nullptr;
    QRect screenGeometry;
    Qt::ScreenOrientation screenOrientation = Qt::PrimaryOrientation;
    bool screenCheckPending = false;
};

} // namespace platform
