#include "MessageQueue.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

MessageQueue::MessageQueue(DWORD threadId)
    : threadId(threadId), wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

MessageQueue::~MessageQueue() {
    if (wakeFd >= 0) {
        close(wakeFd);
    }
}

bool MessageQueue::Post(const MSG& msg) {
    {
        std::lock_guard lock(mutex);
        if (closed) {
            return false;
        }
        // A stylus move that the window has not taken yet is replaced by the newer one, as the
        // device coalesces them: a window that moves itself while dragged (the recorder's
        // toolbar) then never reads a point measured against where it was before.
        if (msg.message == WM_MOUSEMOVE && !posted.empty() &&
            posted.back().message == WM_MOUSEMOVE && posted.back().hwnd == msg.hwnd) {
            posted.back() = msg;
        } else {
            posted.push_back(msg);
        }
    }
    Wake();
    return true;
}

bool MessageQueue::Send(std::shared_ptr<SentMessage> message) {
    {
        std::lock_guard lock(mutex);
        if (closed) {
            return false;
        }
        sent.push_back(std::move(message));
    }
    Wake();
    return true;
}

void MessageQueue::Quit(int exitCode) {
    {
        std::lock_guard lock(mutex);
        quit = true;
        quitCode = exitCode;
    }
    Wake();
}

void MessageQueue::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wakeFd, &one, sizeof one);
}

void MessageQueue::Drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(wakeFd, &count, sizeof count);
}

std::shared_ptr<SentMessage> MessageQueue::TakeSent() {
    std::lock_guard lock(mutex);
    if (sent.empty()) {
        return nullptr;
    }
    std::shared_ptr<SentMessage> first = std::move(sent.front());
    sent.pop_front();
    return first;
}

bool MessageQueue::HasSent() {
    std::lock_guard lock(mutex);
    return !sent.empty();
}

bool MessageQueue::TakePosted(MSG& msg, const std::function<bool(const MSG&)>& filter,
                              bool remove) {
    std::lock_guard lock(mutex);
    for (auto it = posted.begin(); it != posted.end(); ++it) {
        if (filter(*it)) {
            msg = *it;
            if (remove) {
                posted.erase(it);
            }
            return true;
        }
    }
    return false;
}

bool MessageQueue::TakeQuit(int& exitCode, bool remove) {
    std::lock_guard lock(mutex);
    if (!quit) {
        return false;
    }
    exitCode = quitCode;
    if (remove) {
        quit = false;
    }
    return true;
}

void MessageQueue::Close() {
    std::deque<std::shared_ptr<SentMessage>> abandoned;
    {
        std::lock_guard lock(mutex);
        closed = true;
        abandoned.swap(sent);
        posted.clear();
    }
    for (const auto& message : abandoned) {
        message->done = true;
        if (message->replyTo) {
            message->replyTo->Wake();
        }
    }
}

} // namespace platform
