#include "EventWait.h"

#include <QCoreApplication>
#include <QTimer>
#include <poll.h>

namespace platform {

namespace {

bool Readable(int fd) {
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, 0) > 0;
}

} // namespace

void EventWait::Run(int wakeFd, int timeoutMs) {
    const std::uint64_t before = deliveries;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (deliveries != before || timeoutMs == 0 || Readable(wakeFd)) {
        return;
    }
    WatchQueue(wakeFd);
    QEventLoop loop;
    QTimer timer;
    if (timeoutMs > 0) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(timeoutMs);
    }
    loops.push_back(&loop);
    loop.exec();
    loops.pop_back();
    if (loops.empty()) {
        // Between waits the queue is the core's: a readable descriptor must not keep Qt busy.
        queueWatch->setEnabled(false);
    }
}

void EventWait::Delivered() {
    ++deliveries;
    for (QEventLoop* loop : loops) {
        loop->quit();
    }
}

void EventWait::WatchQueue(int wakeFd) {
    if (!queueWatch || queueWatch->socket() != wakeFd) {
        queueWatch = std::make_unique<QSocketNotifier>(wakeFd, QSocketNotifier::Read);
        QObject::connect(queueWatch.get(), &QSocketNotifier::activated, [this] { Delivered(); });
    }
    queueWatch->setEnabled(true);
}

} // namespace platform
