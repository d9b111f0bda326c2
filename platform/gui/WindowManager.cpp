#include "WindowManager.h"

#include <algorithm>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "BackendLoader.h"
#include "MessagePump.h"
#include "platform/WindowDirectory.h"
#include "platform/clock.h"

namespace platform {

namespace {

// Ends the thread's part in the window layer when the thread ends.
class ThreadQueueHolder {
  public:
    ~ThreadQueueHolder() {
        if (queue && queue->ThreadId() == WindowManager::CurrentThreadId()) {
            WindowManager::Instance().ThreadEnded(queue);
        }
    }
    std::shared_ptr<MessageQueue> queue;
};

thread_local ThreadQueueHolder threadQueue;

} // namespace

WindowManager& WindowManager::Instance() {
    // Never destroyed: threads may still end, and their windows go, while the process exits.
    static WindowManager* instance = new WindowManager;
    return *instance;
}

WindowManager::WindowManager() : backend(&headless) {
    pthread_atfork(&WindowManager::BeforeFork, &WindowManager::AfterForkInParent,
                   &WindowManager::AfterForkInChild);
}

void WindowManager::BeforeFork() {
    WindowManager& self = Instance();
    self.mutex.lock();
    self.queuesMutex.lock();
}

void WindowManager::AfterForkInParent() {
    WindowManager& self = Instance();
    self.queuesMutex.unlock();
    self.mutex.unlock();
}

// The child is a new process with one thread: the parent's windows and queues are not its own,
// and it chooses its own backend when it shows a window.
void WindowManager::AfterForkInChild() {
    WindowManager& self = Instance();
    self.windows.clear();
    self.queues.clear();
    self.backend = &self.headless;
    self.backendChosen = false;
    self.queuesMutex.unlock();
    self.mutex.unlock();
}

WindowManager::Locked::Locked(WindowManager& manager)
    : lock(manager.mutex), windows(&manager.windows) {}

Window* WindowManager::Locked::Find(HWND hwnd) const& {
    const auto found = windows->find(reinterpret_cast<std::uintptr_t>(hwnd));
    return found == windows->end() ? nullptr : found->second.get();
}

Window* WindowManager::Locked::FindOrFail(HWND hwnd) const& {
    Window* window = Find(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    return window;
}

Window* WindowManager::Locked::Parent(const Window& window) const& {
    return window.IsChild() ? Find(window.parent) : nullptr;
}

Window* WindowManager::Locked::TopLevel(Window& window) const& {
    Window* current = &window;
    while (Window* parent = Parent(*current)) {
        current = parent;
    }
    return current;
}

std::vector<Window*> WindowManager::Locked::All() const& {
    // Handles grow with every window made, so a parent comes before its children.
    std::vector<Window*> all;
    all.reserve(windows->size());
    for (const auto& [handle, window] : *windows) {
        all.push_back(window.get());
    }
    return all;
}

void WindowManager::Locked::Add(std::shared_ptr<Window> window) {
    (*windows)[reinterpret_cast<std::uintptr_t>(window->handle)] = std::move(window);
}

void WindowManager::Locked::Remove(HWND hwnd) {
    windows->erase(reinterpret_cast<std::uintptr_t>(hwnd));
}

bool WindowManager::Locked::Within(HWND window, HWND hwnd) const {
    for (const Window* current = Find(window); current; current = Parent(*current)) {
        if (current->handle == hwnd) {
            return true;
        }
    }
    return false;
}

bool WindowManager::Locked::Shown(const Window& window) const {
    for (const Window* current = &window; current; current = Parent(*current)) {
        if (!current->IsVisible()) {
            return false;
        }
    }
    return true;
}

RECT WindowManager::Locked::ScreenRect(const Window& window) const {
    const Window* parent = Parent(window);
    if (!parent) {
        return window.rect;
    }
    const RECT origin = ScreenClientRect(*parent);
    return {origin.left + window.rect.left, origin.top + window.rect.top,
            origin.left + window.rect.right, origin.top + window.rect.bottom};
}

RECT WindowManager::Locked::ScreenClientRect(const Window& window) const {
    const RECT outer = ScreenRect(window);
    const int border = window.Border();
    return {outer.left + border, outer.top + border, outer.left + border + window.ClientWidth(),
            outer.top + border + window.ClientHeight()};
}

WindowDirectory::Entry WindowManager::Locked::Describe(const Window& window) const {
    WindowDirectory::Entry entry;
    entry.hwnd = window.handle;
    entry.processId = static_cast<DWORD>(getpid());
    entry.threadId = window.threadId;
    entry.visible = Shown(window);
    entry.rect = ScreenRect(window);
    entry.raised = window.raised;
    entry.className = window.windowClass->name;
    entry.title = window.title;
    return entry;
}

void WindowManager::Locked::Publish(const Window& window) const {
    if (!window.IsChild()) {
        WindowDirectory::Put(Describe(window));
    }
}

std::optional<WindowManager::Summary> WindowManager::Lookup(HWND hwnd) {
    {
        auto windows = Lock();
        if (const Window* window = windows.Find(hwnd)) {
            return Summary{windows.Describe(*window),
                           true,
                           {0, 0, window->ClientWidth(), window->ClientHeight()}};
        }
    }
    const std::optional<WindowDirectory::Entry> entry = WindowDirectory::Get(hwnd);
    // An entry of this process is a window that has gone since.
    if (!entry || entry->processId == static_cast<DWORD>(getpid())) {
        return std::nullopt;
    }
    const RECT& rect = entry->rect;
    return Summary{*entry, false, {0, 0, rect.right - rect.left, rect.bottom - rect.top}};
}

DWORD WindowManager::CurrentThreadId() {
    return static_cast<DWORD>(syscall(SYS_gettid));
}

std::shared_ptr<MessageQueue> WindowManager::CurrentQueue() {
    const DWORD self = CurrentThreadId();
    // After a fork the inherited queue belongs to the parent's thread.
    if (!threadQueue.queue || threadQueue.queue->ThreadId() != self) {
        threadQueue.queue = std::make_shared<MessageQueue>(self);
        std::lock_guard lock(queuesMutex);
        queues[self] = threadQueue.queue;
    }
    return threadQueue.queue;
}

std::shared_ptr<MessageQueue> WindowManager::QueueOf(DWORD threadId) {
    std::lock_guard lock(queuesMutex);
    const auto found = queues.find(threadId);
    return found == queues.end() ? nullptr : found->second;
}

LRESULT WindowManager::Call(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = nullptr;
    {
        auto windows = Lock();
        if (const Window* window = windows.Find(hwnd)) {
            procedure = window->procedure;
        }
    }
    return procedure ? procedure(hwnd, message, wParam, lParam) : 0;
}

LRESULT WindowManager::Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs,
                            bool* answered) {
    DWORD owner = 0;
    {
        auto windows = Lock();
        if (const Window* window = windows.Find(hwnd)) {
            owner = window->threadId;
        }
    }
    if (answered) {
        *answered = false;
    }
    if (owner == 0) {
        return 0;
    }
    if (owner == CurrentThreadId()) {
        if (answered) {
            *answered = true;
        }
        return Call(hwnd, message, wParam, lParam);
    }
    const std::shared_ptr<MessageQueue> target = QueueOf(owner);
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->replyTo = CurrentQueue();
    if (!target || !target->Send(sent) || !MessagePump::AwaitReply(*sent, timeoutMs)) {
        return 0;
    }
    if (answered) {
        *answered = true;
    }
    return sent->result;
}

bool WindowManager::Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD owner = 0;
    {
        auto windows = Lock();
        if (const Window* window = windows.Find(hwnd)) {
            owner = window->threadId;
        }
    }
    const std::shared_ptr<MessageQueue> target = owner ? QueueOf(owner) : nullptr;
    if (!target) {
        return false;
    }
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return target->Post(msg);
}

void WindowManager::RunOnThread(DWORD threadId, std::function<void()> work) {
    if (threadId == CurrentThreadId()) {
        work();
        return;
    }
    if (const std::shared_ptr<MessageQueue> target = QueueOf(threadId)) {
        auto sent = std::make_shared<SentMessage>();
        sent->task = std::move(work);
        target->Send(std::move(sent));
    }
}

void WindowManager::Notify(DWORD threadId, std::function<void(GuiBackend&)> what) {
    GuiBackend* shown = backend.load();
    if (shown == &headless) {
        return;
    }
    RunOnThread(threadId, [shown, what = std::move(what)] { what(*shown); });
}

void WindowManager::WindowShown() {
    {
        std::lock_guard lock(backendMutex);
        if (backendChosen) {
            return;
        }
        backendChosen = true;
    }
    if (GuiBackend* loaded = BackendLoader::Load()) {
        Install(loaded);
    }
}

void WindowManager::Install(GuiBackend* chosen) {
    {
        std::lock_guard lock(backendMutex);
        backendChosen = true;
    }
    backend = chosen ? chosen : &headless;
    // The backend learns of the windows made before it.
    struct Known {
        HWND hwnd;
        DWORD threadId;
        bool visible;
    };
    std::vector<Known> known;
    {
        auto windows = Lock();
        for (const Window* window : windows.All()) {
            known.push_back({window->handle, window->threadId, window->IsVisible()});
        }
    }
    for (const Known& window : known) {
        Notify(window.threadId, [hwnd = window.hwnd](GuiBackend& b) { b.Created(hwnd); });
        if (window.visible) {
            Notify(window.threadId, [hwnd = window.hwnd](GuiBackend& b) { b.Shown(hwnd, true); });
        }
    }
}

void WindowManager::Wait(MessageQueue& queue, int timeoutMs) {
    backend.load()->WaitForEvents(queue.WakeFd(), timeoutMs);
}

void WindowManager::ThreadEnded(const std::shared_ptr<MessageQueue>& queue) {
    queue->Close();
    {
        std::lock_guard lock(queuesMutex);
        const auto found = queues.find(queue->ThreadId());
        if (found != queues.end() && found->second == queue) {
            queues.erase(found);
        }
    }
    std::vector<HWND> gone;
    {
        auto windows = Lock();
        for (const Window* window : windows.All()) {
            if (window->threadId == queue->ThreadId()) {
                gone.push_back(window->handle);
            }
        }
        // Children first, as when they are destroyed.
        std::reverse(gone.begin(), gone.end());
        const HWND front = WindowDirectory::Foreground();
        for (const HWND hwnd : gone) {
            if (!windows.Find(hwnd)->IsChild()) {
                WindowDirectory::Remove(hwnd);
            }
            if (hwnd == front) {
                WindowDirectory::SetForeground(nullptr);
            }
        }
    }
    {
        auto windows = Lock();
        for (const HWND hwnd : gone) {
            windows.Remove(hwnd);
        }
    }
    if (GuiBackend* shown = backend.load(); shown != &headless) {
        for (const HWND hwnd : gone) {
            shown->Destroyed(hwnd);
        }
    }
}

} // namespace platform
