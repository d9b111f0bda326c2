// The window layer's core for this process: its windows, the threads' message queues, the
// delivery of messages between threads, and the backend that shows the windows.
//
// Locking: one mutex guards every Window, and the only way to the windows is the view Lock()
// returns, which holds it. Window procedures, backend calls, sent messages and file writes other
// than the directory's run without it, so a view is kept for a few statements and never across
// such a call.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "GuiBackend.h"
#include "HeadlessBackend.h"
#include "MessageQueue.h"
#include "Window.h"
#include "platform/WindowDirectory.h"

namespace platform {

class WindowManager {
  public:
    static WindowManager& Instance();

    // The windows of this process, seen while the lock is held: the view holds it from Lock()
    // until it is destroyed. The windows it hands out are valid only as long as it lives, so
    // the pointer-giving operations refuse a temporary view.
    class Locked {
      public:
        Locked(Locked&&) = default;

        // A window of this process whose handle is still valid (also while WM_DESTROY is under
        // way); null otherwise.
        Window* Find(HWND hwnd) const&;
        Window* Find(HWND hwnd) const&& = delete;
        // Find for a call that fails on a bad handle: null, with ERROR_INVALID_WINDOW_HANDLE as
        // the thread's last error.
        Window* FindOrFail(HWND hwnd) const&;
        Window* FindOrFail(HWND hwnd) const&& = delete;
        // A child's parent; null for a top-level window (whose parent is its owner).
        Window* Parent(const Window& window) const&;
        Window* Parent(const Window& window) const&& = delete;
        // A child's top-level window; the window itself for a top-level one.
        Window* TopLevel(Window& window) const&;
        Window* TopLevel(Window& window) const&& = delete;
        // Every window of this process, parents before their children.
        std::vector<Window*> All() const&;
        std::vector<Window*> All() const&& = delete;
        void Add(std::shared_ptr<Window> window);
        void Remove(HWND hwnd);

        // Whether window is hwnd or one of its descendants.
        bool Within(HWND window, HWND hwnd) const;
        // Whether the window and every ancestor of it are visible.
        bool Shown(const Window& window) const;
        // The window's outer rectangle and client area on the screen.
        RECT ScreenRect(const Window& window) const;
        RECT ScreenClientRect(const Window& window) const;
        // The window as the device's window directory records a top-level one; a child's
        // rectangle is on the screen too, and it is visible only when its ancestors are.
        WindowDirectory::Entry Describe(const Window& window) const;
        // Records a top-level window's state in the device's window directory.
        void Publish(const Window& window) const;

      private:
        friend class WindowManager;
        explicit Locked(WindowManager& manager);

        std::unique_lock<std::mutex> lock;
        std::map<std::uintptr_t, std::shared_ptr<Window>>* windows;
    };

    // What this process can tell of a window of the device, its own (Locked::Describe) or
    // another process's.
    struct Summary : WindowDirectory::Entry {
        // A window of this process.
        bool own = false;
        // The client area in its own coordinates.
        RECT client{};
    };

    // The view of the windows; waits for the lock, which it then holds until it is destroyed.
    Locked Lock() { return Locked(*this); }
    // A window of this process as the window itself says, or another process's as the device's
    // window directory records it; nullopt when neither knows the handle (a window of this
    // process that is gone included). Takes the lock for a moment, so never while a view is
    // held; the directory is read without it.
    std::optional<Summary> Lookup(HWND hwnd);

    static DWORD CurrentThreadId();
    // The calling thread's queue, made on first use and closed when the thread ends.
    std::shared_ptr<MessageQueue> CurrentQueue();
    std::shared_ptr<MessageQueue> QueueOf(DWORD threadId);

    // Calls the window's procedure on this thread (its own); 0 for a window that is gone.
    LRESULT Call(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Delivers a message to a window of this process and returns its result: a direct call on
    // the window's own thread, otherwise through that thread's queue, waiting at most timeoutMs
    // (-1: as long as it takes) while handling what is sent to this thread meanwhile.
    // answered is false when the window is gone or did not answer in time.
    LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs,
                 bool* answered = nullptr);
    bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs the work on the thread now when it is this one, else from that thread's queue.
    void RunOnThread(DWORD threadId, std::function<void()> work);

    // Tells the backend on the window's thread; nothing before a backend shows windows.
    void Notify(DWORD threadId, std::function<void(GuiBackend&)> what);
    // A top-level window is being shown: the first time, the backend is chosen and loaded.
    void WindowShown();
    // Puts the backend in place of the chosen one (null: headless) and tells it of the windows
    // that exist. Tests use it to watch what a backend is told.
    void Install(GuiBackend* chosen);
    // The backend in place (the headless one until a window is first shown on a display).
    GuiBackend& Backend() { return *backend.load(); }
    // Waits on the thread's behalf (GuiBackend::WaitForEvents).
    void Wait(MessageQueue& queue, int timeoutMs);

    // The thread that owns the queue has ended: its windows go without messages, and what was
    // sent to it is answered with 0.
    void ThreadEnded(const std::shared_ptr<MessageQueue>& queue);

  private:
    WindowManager();
    static void BeforeFork();
    static void AfterForkInParent();
    static void AfterForkInChild();

    mutable std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<Window>> windows;

    std::mutex queuesMutex;
    std::map<DWORD, std::shared_ptr<MessageQueue>> queues;

    HeadlessBackend headless;
    std::mutex backendMutex;
    bool backendChosen = false;
    // The backend in place; the headless one until a window is first shown on a display.
    std::atomic<GuiBackend*> backend;
};

} // namespace platform
