// The process's connection to the X display that DISPLAY names. The screen's size (Display),
// injection through XTest (X11Injector) and the desktop's windows (XWindows) share it, so that a
// program connects once however many of them it uses; anything else of the platform that needs
// the display takes its share here too.
//
// Every use of the display holds Lock(). Events are read only through Drain, which keeps the
// screen's size and Xlib's keymap current and counts their changes, so that each user sees a
// change whoever read it; a watched key's press is handed on by whichever Drain reads it. Errors on
// the connection are counted, never fatal: a window may go at any moment. A server that goes away
// leaves the process running; the connection is then lost, Xlib sends nothing more on it, and the
// next Shared() opens a new one.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

struct _XDisplay;

namespace platform {

struct Xlib;
struct XRandr;

class XConnection {
  public:
    // The open connection when it is to the current DISPLAY and not lost, else a new one; null
    // without DISPLAY, without Xlib, or when the display refuses.
    static std::shared_ptr<XConnection> Shared();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    _XDisplay* Handle() const { return display; }
    const Xlib& Calls() const { return x; }
    std::mutex& Lock() { return mutex; }
    bool Lost() const { return lost.load(); }

    // The rest under the lock.

    // The screen's size: the one the connection's set-up reported, followed through the root
    // window's changes of size, which need no extension and no round trip.
    int Width() const { return width; }
    int Height() const { return height; }
    // Asks the server, once, to report the screen's rotations too; the RandR calls, null
    // without RandR (the screen is then taken as never rotated).
    const XRandr* WatchScreen();
    // Writes one request of XTest (request code xtest) that fakes an event of type (KeyPress,
    // ButtonRelease, MotionNotify...) at once; a motion goes to x, y of the screen, or by x, y
    // when detail is true. Sent with the next Drain.
    void FakeInput(int xtest, int type, int detail, int x, int y);
    // From now on Drain calls pressed for each press of key (a keycode) that it reads; 0 and
    // null end that. The key reaches the connection only while it is grabbed.
    void WatchKey(unsigned key, void (*pressed)());
    // Reads whatever the server has sent, sending what is queued.
    void Drain();
    // How many screen and keymap changes Drain has read so far.
    unsigned ScreenChanges() const { return screenChanges; }
    unsigned KeymapChanges() const { return keymapChanges; }
    // Errors the server has reported since the last ClearErrors.
    int Errors() const { return errors; }
    void ClearErrors() { errors = 0; }

  private:
    // Xlib's handlers of errors and of a broken connection.
    struct Handlers;

    XConnection(const Xlib& x, _XDisplay* display, std::string name);

    const Xlib& x;
    _XDisplay* const display;
    const std::string name;
    std::mutex mutex;
    std::atomic<bool> lost{false};
    bool watching = false;
    const XRandr* randr = nullptr;
    int screenEventBase = 0;
    int width;
    int height;
    unsigned watchedKey = 0;
    void (*keyPressed)() = nullptr;
    unsigned screenChanges = 0;
    unsigned keymapChanges = 0;
    int errors = 0;
};

} // namespace platform
