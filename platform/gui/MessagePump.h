// The heart of every message loop: what a thread receives next, in the device's order: first
// the messages other threads send it (handled on the spot), then posted messages, then the quit
// request, then WM_PAINT for a visible window of the thread that needs painting.
#pragma once

#include <functional>

#include "SentMessage.h"
#include "platform/gui.h"

namespace platform {

class MessagePump {
  public:
    // The next message for the calling thread that passes the filter (hwnd: that window and its
    // children; filterMin and filterMax both 0: any message), removed when remove is set. With
    // wait, blocks until there is one or until stop (checked after anything was handled)
    // returns true; without, returns false at once when there is none.
    static bool Next(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool wait,
                     const std::function<bool()>& stop = {});
    // Waits until the sent message has been handled, handling what is sent to this thread
    // meanwhile; false after timeoutMs (-1: no limit).
    static bool AwaitReply(const SentMessage& sent, int timeoutMs);
    // Handles every message sent to this thread so far.
    static void HandleSent();
};

} // namespace platform
