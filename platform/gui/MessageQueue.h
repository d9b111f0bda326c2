// One thread's message queue: messages posted to its windows, messages sent to them from other
// threads, the quit request, and an eventfd that wakes the thread when any of them arrives.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "SentMessage.h"
#include "platform/gui.h"

namespace platform {

class MessageQueue {
  public:
    explicit MessageQueue(DWORD threadId);
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    DWORD ThreadId() const { return threadId; }
    // Readable while something has arrived since the last Drain.
    int WakeFd() const { return wakeFd; }

    // False once the thread has ended.
    bool Post(const MSG& msg);
    bool Send(std::shared_ptr<SentMessage> sent);
    void Quit(int exitCode);
    // Wakes the thread without giving it anything (a modal loop that has ended, an invalidated
    // window).
    void Wake();
    // Empties the eventfd before the thread looks at its queue.
    void Drain();

    std::shared_ptr<SentMessage> TakeSent();
    bool HasSent();
    // The first posted message that passes the filter; removed when remove is set.
    bool TakePosted(MSG& msg, const std::function<bool(const MSG&)>& filter, bool remove);
    // The quit request, if any; removed when remove is set.
    bool TakeQuit(int& exitCode, bool remove);

    // The thread has ended: nothing more arrives, and senders still waiting get 0.
    void Close();

  private:
    const DWORD threadId;
    const int wakeFd;
    std::mutex mutex;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    int quitCode = 0;
    bool closed = false;
};

} // namespace platform
