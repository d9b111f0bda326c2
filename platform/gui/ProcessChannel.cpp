#include "ProcessChannel.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "RunFiles.h"
#include "platform/Device.h"

namespace platform {

namespace {

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Moves the whole record within the deadline; false on error, end of stream or time out.
bool Transfer(int fd, void* data, std::size_t size, bool sending, long long deadline) {
    auto* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const long long left = deadline - NowMs();
        pollfd watch{fd, static_cast<short>(sending ? POLLOUT : POLLIN), 0};
        if (left <= 0 || poll(&watch, 1, static_cast<int>(left)) <= 0) {
            return false;
        }
        const ssize_t moved = sending ? send(fd, bytes + done, size - done, MSG_NOSIGNAL)
                                      : recv(fd, bytes + done, size - done, 0);
        if (moved <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

// A peer that does not accept (stopped, or with its queue full) would hold a plain connect for
// good; the socket's send timeout bounds it by what is left of the call's time.
bool Connect(int fd, const sockaddr_un& peer, long long deadline) {
    for (;;) {
        const long long left = deadline - NowMs();
        if (left <= 0) {
            return false;
        }
        const timeval limit{static_cast<time_t>(left / 1000),
                            static_cast<suseconds_t>(left % 1000 * 1000)};
        if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
            return false;
        }
        if (connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

} // namespace

std::string ProcessChannel::SocketPath(DWORD processId) {
    return Device::RunDirectory() + "/proc-" + std::to_string(processId) + ".sock";
}

std::string ProcessChannel::Address(const std::string& path, int& directoryFd) {
    directoryFd = -1;
    if (path.size() < sizeof(sockaddr_un::sun_path)) {
        return path;
    }
    const std::size_t slash = path.rfind('/');
    directoryFd = open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd < 0) {
        return path;
    }
    return "/proc/self/fd/" + std::to_string(directoryFd) + path.substr(slash);
}

std::optional<ProcessChannel::Reply> ProcessChannel::Call(DWORD processId, const Request& request) {
    const long long deadline = NowMs() + timeoutMs;
    const std::string path = SocketPath(processId);
    // Only the peer's own socket, never one a link leads to.
    if (!RunFiles::IsSocket(path)) {
        return std::nullopt;
    }
    int directoryFd = -1;
    const std::string address = Address(path, directoryFd);
    sockaddr_un peer{};
    peer.sun_family = AF_UNIX;
    std::optional<Reply> answer;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && address.size() < sizeof peer.sun_path) {
        std::memcpy(peer.sun_path, address.c_str(), address.size() + 1);
        Reply reply;
        Request copy = request;
        if (Connect(fd, peer, deadline) && Transfer(fd, &copy, sizeof copy, true, deadline) &&
            Transfer(fd, &reply, sizeof reply, false, deadline) && reply.magic == replyMagic &&
            reply.ok) {
            answer = reply;
        }
    }
    if (fd >= 0) {
        close(fd);
    }
    if (directoryFd >= 0) {
        close(directoryFd);
    }
    return answer;
}

std::optional<std::int64_t> ProcessChannel::Ask(DWORD processId, Operation operation, HWND hwnd,
                                                UINT message, WPARAM wParam, LPARAM lParam,
                                                int command) {
    Request request;
    request.operation = static_cast<std::uint32_t>(operation);
    request.hwnd = reinterpret_cast<std::uintptr_t>(hwnd);
    request.message = message;
    request.wParam = wParam;
    request.lParam = lParam;
    request.command = command;
    const std::optional<Reply> reply = Call(processId, request);
    return reply ? std::optional(reply->result) : std::nullopt;
}

bool ProcessChannel::CarriesIntegersOnly(UINT message, LPARAM lParam) {
    if (message >= WM_USER) {
        return true;
    }
    switch (message) {
    case WM_NULL:
    case WM_ACTIVATE:
    case WM_PAINT:
    case WM_CLOSE:
    case WM_QUIT:
    case WM_SETFONT:
    case WM_GETFONT:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_COMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return true;
    case WM_SETTINGCHANGE:
    case WM_HELP:
        return lParam == 0;
    default:
        return false;
    }
}

} // namespace platform
