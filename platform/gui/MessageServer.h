// This process's end of the process channel: a thread of its own that accepts one request per
// connection on <device>/run/proc-<pid>.sock and answers it with the handler's reply. It starts
// with the process's first top-level window and follows the device when a test switches it.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "ProcessChannel.h"

namespace platform {

class MessageServer {
  public:
    using Handler = std::function<ProcessChannel::Reply(const ProcessChannel::Request&)>;

    static MessageServer& Instance();
    ~MessageServer();

    // Serves the current device's socket from now on (again, after a fork or a change of
    // device); false when the socket cannot be set up.
    bool Serve(Handler handler);

  private:
    MessageServer() = default;
    void Stop();
    void Run(int listenFd, int stopFd);

    std::mutex mutex;
    Handler handler;
    std::string path;
    int listenFd = -1;
    int stopFd = -1;
    DWORD servingProcess = 0;
    // Allocated so that a forked child, which has no such thread, can drop it unjoined.
    std::thread* thread = nullptr;
};

} // namespace platform
