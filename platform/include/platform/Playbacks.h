// The playbacks running on the device, so that one command can stop them all. A player enters
// itself while it plays: a file <device>/run/playback/<pid> holding its start time. Stopping
// signals only a process that is provably still the one entered and a program of the device;
// an entry left by a process that has ended names nobody.
#pragma once

#include <string>

namespace platform {

class Playbacks {
  public:
    // Enters this process as playing until Leave; the entry's file, empty when it could not be
    // written (the playback then runs, but cannot be stopped this way).
    static std::string Enter();
    static void Leave(const std::string& entry);
    // Whether a process of the device is playing now.
    static bool AnyRunning();
    // Sends SIGTERM to every playing process of the device and waits, at most timeoutMs
    // milliseconds, for them to end.
    static void StopAll(int timeoutMs);
};

} // namespace platform
