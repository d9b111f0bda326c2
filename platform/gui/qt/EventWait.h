// How a message loop waits on the GUI thread: Qt's events are handled (painting, the person's
// input, which becomes messages) until one has been handed to the core, the thread's queue is
// woken (a message posted or sent from another thread or process), or the time is up. Waits
// nest: a window procedure run from a Qt event may run a message loop of its own (a modal
// dialog), and anything delivered ends every wait under way, so each loop looks at its queue.
#pragma once

#include <QEventLoop>
#include <QSocketNotifier>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class EventWait {
  public:
    // wakeFd becomes readable when the queue is woken; it is watched, never read.
    void Run(int wakeFd, int timeoutMs);
    // A message has been handed to the core.
    void Delivered();

  private:
    void WatchQueue(int wakeFd);

    std::vector<QEventLoop*> loops;
    std::unique_ptr<QSocketNotifier> queueWatch;
    std::uint64_t deliveries = 0;
};

} // namespace platform
