#include "MessageServer.h"

#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "RunFiles.h"
#include "platform/Device.h"

namespace platform {

namespace {

// A client that connects and sends nothing is dropped after this long.
constexpr int requestTimeoutMs = 1000;

bool ReadRequest(int fd, ProcessChannel::Request& request) {
    auto* bytes = reinterpret_cast<char*>(&request);
    std::size_t done = 0;
    while (done < sizeof request) {
        pollfd watch{fd, POLLIN, 0};
        if (poll(&watch, 1, requestTimeoutMs) <= 0) {
            return false;
        }
        const ssize_t got = recv(fd, bytes + done, sizeof request - done, 0);
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return request.magic == ProcessChannel::requestMagic;
}

} // namespace

MessageServer& MessageServer::Instance() {
    static MessageServer server;
    return server;
}

MessageServer::~MessageServer() {
    std::lock_guard lock(mutex);
    Stop();
}

bool MessageServer::Serve(Handler newHandler) {
    std::lock_guard lock(mutex);
    const auto self = static_cast<DWORD>(getpid());
    if (servingProcess != self) {
        // Forked: the socket and the thread are the parent's.
        if (listenFd >= 0) {
            close(listenFd);
            close(stopFd);
        }
        listenFd = stopFd = -1;
        thread = nullptr;
        path.clear();
        servingProcess = self;
    }
    handler = std::move(newHandler);
    // The socket goes only into the device's own run directory, never where a link leads.
    if (!Device::Initialise() || !RunFiles::Folder()) {
        return false;
    }
    const std::string wanted = ProcessChannel::SocketPath(self);
    if (thread && wanted == path) {
        return true;
    }
    Stop();

    int directoryFd = -1;
    const std::string address = ProcessChannel::Address(wanted, directoryFd);
    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool ready = fd >= 0 && address.size() < sizeof local.sun_path;
    if (ready) {
        std::memcpy(local.sun_path, address.c_str(), address.size() + 1);
        // A socket left behind by an earlier process with this identifier.
        unlink(wanted.c_str());
        ready = bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                listen(fd, 16) == 0;
    }
    if (directoryFd >= 0) {
        close(directoryFd);
    }
    const int stop = ready ? eventfd(0, EFD_CLOEXEC) : -1;
    if (!ready || stop < 0) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    listenFd = fd;
    stopFd = stop;
    path = wanted;
    thread = new std::thread(&MessageServer::Run, this, listenFd, stopFd);
    return true;
}

void MessageServer::Stop() {
    if (!thread) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stopFd, &one, sizeof one);
    // The handler may be waiting for a window's thread; it gives up within the channel's
    // timeout.
    mutex.unlock();
    thread->join();
    mutex.lock();
    delete thread;
    thread = nullptr;
    close(listenFd);
    close(stopFd);
    listenFd = stopFd = -1;
    unlink(path.c_str());
    path.clear();
}

void MessageServer::Run(int listenFd, int stopFd) {
    for (;;) {
        pollfd watch[2] = {{listenFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(watch, 2, -1) < 0) {
            continue;
        }
        if (watch[1].revents) {
            return;
        }
        const int client = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        ProcessChannel::Request request;
        if (ReadRequest(client, request)) {
            Handler serve;
            {
                std::lock_guard lock(mutex);
                serve = handler;
            }
            const ProcessChannel::Reply reply = serve ? serve(request) : ProcessChannel::Reply{};
            [[maybe_unused]] const ssize_t sent = send(client, &reply, sizeof reply, MSG_NOSIGNAL);
        }
        close(client);
    }
}

} // namespace platform
