// The key a person presses to stop a playback: Pause (Break). While an object lives, and only
// when input goes to the X display through XTest, the key is grabbed on the root window, so it
// reaches no program, and its press raises the StopRequest. Pause is a key no macro step sends
// (they send the cursor keys, Enter, F1, F2 and the application keys) and that programs rarely
// use; Escape, the other candidate, would be taken away from the dialogs the macro drives.
//
// The grab is made on the process's shared X connection by a thread of its own, which hands the
// press on whichever thread reads it, so that the player's first tap waits for no second
// connection.
#pragma once

#include <thread>

namespace platform {

class StopKey {
  public:
    StopKey();
    ~StopKey();
    StopKey(const StopKey&) = delete;
    StopKey& operator=(const StopKey&) = delete;

  private:
    void Watch();

    // Readable when the object goes: the watching thread ungrabs the key and ends.
    int finished;
    std::thread watcher;
};

} // namespace platform
