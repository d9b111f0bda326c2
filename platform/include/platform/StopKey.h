// The key a person presses to stop a playback: Pause (Break). While an object lives, and only
// when input goes to the X display through XTest, the key is grabbed on the root window, so it
// reaches no program, and its press raises the StopRequest. Pause is a key no macro step sends
// (they send the cursor keys, Enter, F1, F2 and the application keys) and that programs rarely
// use; Escape, the other candidate, would be taken away from the dialogs the macro drives.
//
// The key is read on the process's shared X connection by the clock's waits (the request's
// source), with no thread of its own. It is grabbed when the playback first reads the source, as
// it first waits or ends a play: a press can only matter then, and so the grab's round trips never
// hold up the first tap.
#pragma once

#include <memory>

namespace platform {

class XConnection;

class StopKey {
  public:
    StopKey();
    ~StopKey();
    StopKey(const StopKey&) = delete;
    StopKey& operator=(const StopKey&) = delete;

  private:
    // The request's source: grabs the key the first time, then reads what the display sent.
    static int Read(void* self);
    // Under the connection's lock.
    void Grab();

    std::shared_ptr<XConnection> connection;
    bool tried = false;
    unsigned key = 0;
};

} // namespace platform
