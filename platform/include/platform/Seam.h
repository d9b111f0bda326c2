// One process-wide service that tests replace, as X::Current() and X::Set() offer it: Set puts
// an instance in place for the whole process (the caller keeps ownership; null takes it away
// again). What is in place is read and written atomically, so a test may swap it while other
// threads call through it, and a call on a hot path (the clock's) costs one load.
#pragma once

#include <atomic>

namespace platform {

template <class Service> class Seam {
  public:
    // What Set put in place; null when nothing is.
    Service* Installed() const { return installed.load(std::memory_order_acquire); }
    void Set(Service* service) { installed.store(service, std::memory_order_release); }

    // What Set put in place, else the process's own instance: made by make() on the first call
    // that needs it (once, whichever threads ask) and kept for the life of the process.
    template <class Make> Service& InstalledOr(Make make) {
        if (Service* service = Installed()) {
            return *service;
        }
        static auto own = make();
        return own;
    }

  private:
    std::atomic<Service*> installed{nullptr};
};

} // namespace platform
