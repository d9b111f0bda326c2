#include "MessagePump.h"

#include <poll.h>
#include <time.h>

#include "WindowManager.h"

namespace platform {

namespace {

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void Handle(SentMessage& sent) {
    if (sent.task) {
        sent.task();
    } else {
        sent.result =
            WindowManager::Instance().Call(sent.hwnd, sent.message, sent.wParam, sent.lParam);
    }
    sent.done = true;
    if (sent.replyTo) {
        sent.replyTo->Wake();
    }
}

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

// A visible window of the thread (with visible ancestors) that waits for WM_PAINT.
HWND WindowToPaint(WindowManager& manager, DWORD threadId, HWND hwnd) {
    auto windows = manager.Lock();
    for (const Window* window : windows.All()) {
        if (window->threadId == threadId && window->invalid && windows.Shown(*window) &&
            (!hwnd || windows.Within(window->handle, hwnd))) {
            return window->handle;
        }
    }
    return nullptr;
}

} // namespace

void MessagePump::HandleSent() {
    const std::shared_ptr<MessageQueue> queue = WindowManager::Instance().CurrentQueue();
    while (const std::shared_ptr<SentMessage> sent = queue->TakeSent()) {
        Handle(*sent);
    }
}

bool MessagePump::Next(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool wait,
                       const std::function<bool()>& stop) {
    WindowManager& manager = WindowManager::Instance();
    const std::shared_ptr<MessageQueue> queue = manager.CurrentQueue();
    const auto passes = [&](const MSG& candidate) {
        if (!InRange(candidate.message, filterMin, filterMax)) {
            return false;
        }
        if (!hwnd) {
            return true;
        }
        return manager.Lock().Within(candidate.hwnd, hwnd);
    };
    for (;;) {
        queue->Drain();
        HandleSent();
        if (stop && stop()) {
            return false;
        }
        if (queue->TakePosted(msg, passes, remove)) {
            return true;
        }
        int exitCode = 0;
        if (queue->TakeQuit(exitCode, remove)) {
            msg = MSG{};
            msg.message = WM_QUIT;
            msg.wParam = static_cast<WPARAM>(exitCode);
            return true;
        }
        if (InRange(WM_PAINT, filterMin, filterMax)) {
            const HWND dirty = WindowToPaint(manager, queue->ThreadId(), hwnd);
            // What was sent before the window was invalidated (its move, its showing) comes
            // before its painting.
            if (dirty && queue->HasSent()) {
                continue;
            }
            if (dirty) {
                // WM_PAINT stays until the window is painted (BeginPaint validates it).
                msg = MSG{};
                msg.hwnd = dirty;
                msg.message = WM_PAINT;
                return true;
            }
        }
        manager.Wait(*queue, wait ? -1 : 0);
        if (!wait) {
            // The backend has had its chance to deliver input; look once more.
            queue->Drain();
            HandleSent();
            return queue->TakePosted(msg, passes, remove);
        }
    }
}

bool MessagePump::AwaitReply(const SentMessage& sent, int timeoutMs) {
    const std::shared_ptr<MessageQueue> queue = WindowManager::Instance().CurrentQueue();
    const long long deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
    for (;;) {
        queue->Drain();
        HandleSent();
        if (sent.done) {
            return true;
        }
        int left = -1;
        if (deadline >= 0) {
            const long long remaining = deadline - NowMs();
            if (remaining <= 0) {
                return false;
            }
            left = static_cast<int>(remaining);
        }
        // Only what is sent to this thread is handled while it waits, as on the device: no
        // input, no posted messages.
        pollfd watch{queue->WakeFd(), POLLIN, 0};
        poll(&watch, 1, left);
    }
}

} // namespace platform
