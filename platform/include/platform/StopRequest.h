// A request that this process end what it is doing (a playback): made by SIGINT or SIGTERM once
// CatchSignals has run, or by Raise from any thread. While it is raised the clock's waits end at
// once, so neither a long pause nor a key hold keeps the request waiting.
#pragma once

namespace platform {

class StopRequest {
  public:
    // From now on SIGINT and SIGTERM raise the request instead of ending the process. The
    // handler only raises it; the program notices at its next wait or check and ends itself.
    static void CatchSignals();
    // Raises the request; safe in a signal handler.
    static void Raise();
    static bool Raised();
    // Readable while the request is raised; -1 until CatchSignals has run (nothing can raise
    // it by a signal then, and waits need not watch it).
    static int Descriptor();
    // A source of requests without a thread of its own, such as a key read from the display:
    // while one is set, each of the clock's waits calls read(context) before it sleeps and
    // whenever the descriptor read returned (-1 for none) becomes readable. read takes what has
    // arrived, raising the request when it must. Null sets none.
    static void SetSource(int (*read)(void*), void* context);
    // Calls the source; -1 without one.
    static int ReadSource();
};

} // namespace platform
