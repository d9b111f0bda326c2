// A message sent to a window of another thread (SendMessageW), or a piece of work for that
// thread, waiting in its queue. The sender keeps its share and waits for done.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "platform/gui.h"

namespace platform {

class MessageQueue;

class SentMessage {
  public:
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    // Work to run on the receiving thread instead of a message.
    std::function<void()> task;

    // Set by the receiving thread when handled, then replyTo is woken.
    std::atomic<LRESULT> result{0};
    std::atomic<bool> done{false};
    std::shared_ptr<MessageQueue> replyTo;
};

} // namespace platform
