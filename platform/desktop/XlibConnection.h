// The process's Xlib connection to the X display that DISPLAY names, on which the desktop's
// windows are read and brought up (XWindows). It is opened by the first use that needs it, so a
// program that only reads the screen and injects (the player) never loads Xlib: that goes on
// the connection of XConnection.
//
// Every use holds Lock(). Errors on the connection are counted, never fatal: a window may go at
// any moment. A server that goes away leaves the process running; the connection is then lost,
// Xlib sends nothing more on it, and the next Shared() opens a new one.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

struct _XDisplay;

namespace platform {

struct Xlib;

class XlibConnection {
  public:
    // The open connection when it is to the current DISPLAY and not lost, else a new one; null
    // without DISPLAY, without Xlib, or when the display refuses.
    static std::shared_ptr<XlibConnection> Shared();
    ~XlibConnection();
    XlibConnection(const XlibConnection&) = delete;
    XlibConnection& operator=(const XlibConnection&) = delete;

    _XDisplay* Handle() const { return display; }
    const Xlib& Calls() const { return x; }
    std::mutex& Lock() { return mutex; }
    bool Lost() const { return lost.load(); }

    // Under the lock: errors the server has reported since the last ClearErrors.
    int Errors() const { return errors; }
    void ClearErrors() { errors = 0; }

  private:
    // Xlib's handlers of errors and of a broken connection.
    struct Handlers;

    XlibConnection(const Xlib& x, _XDisplay* display, std::string name);

    const Xlib& x;
    _XDisplay* const display;
    const std::string name;
    std::mutex mutex;
    std::atomic<bool> lost{false};
    int errors = 0;
};

} // namespace platform
