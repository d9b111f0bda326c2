// How a process reaches the windows of another process on the device: each process with
// windows serves a Unix domain socket, <device>/run/proc-<pid>.sock, and answers one request
// per connection. A request and its reply are fixed-size records in the machine's own byte
// order (the peers run on one machine).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/gui.h"

namespace platform {

class ProcessChannel {
  public:
    enum class Operation : std::uint32_t {
        Send = 1,     // SendMessageW: waits for the window's thread, answers its result
        Post = 2,     // PostMessageW
        Show = 3,     // ShowWindow with command: answers whether it was visible
        Activate = 4, // SetForegroundWindow
    };

    struct Request {
        std::uint32_t magic = requestMagic;
        std::uint32_t operation = 0;
        std::uint64_t hwnd = 0;
        std::uint32_t message = 0;
        std::int32_t command = 0;
        std::uint64_t wParam = 0;
        std::int64_t lParam = 0;
    };

    struct Reply {
        std::uint32_t magic = replyMagic;
        // 0 when the window is unknown or the request was refused.
        std::uint32_t ok = 0;
        std::int64_t result = 0;
    };

    // How long a peer is given to answer, including the time its window's thread takes to
    // handle a sent message; a hung peer costs the caller this long and no more.
    static constexpr int timeoutMs = 5000;

    // Asks the process; nullopt when it has no socket, refuses, or does not answer in time.
    static std::optional<Reply> Call(DWORD processId, const Request& request);
    // Call with a request about one of the process's windows; the reply's result.
    static std::optional<std::int64_t> Ask(DWORD processId, Operation operation, HWND hwnd,
                                           UINT message = 0, WPARAM wParam = 0, LPARAM lParam = 0,
                                           int command = 0);

    // The socket's address: the path in the run directory, or, when that is longer than a
    // socket address holds, the same file reached through /proc/self/fd and an open
    // descriptor of the run directory (directoryFd, which the caller closes; -1 when unused).
    static std::string SocketPath(DWORD processId);
    static std::string Address(const std::string& path, int& directoryFd);

    // Whether a message's parameters mean the same in another process: system messages whose
    // wParam or lParam is a pointer (text, structures) are refused; WM_SETTINGCHANGE and
    // WM_HELP pass with lParam 0 only; the program's own messages (WM_USER and above) pass.
    static bool CarriesIntegersOnly(UINT message, LPARAM lParam);

    static constexpr std::uint32_t requestMagic = 0x54575231; // "TWR1"
    static constexpr std::uint32_t replyMagic = 0x54574131;   // "TWA1"
};

} // namespace platform
