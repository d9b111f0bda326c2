// The process's connection to the X display that DISPLAY names, through libxcb: the screen's
// size and rotation (Display), injection through XTest (X11Injector) and the stop key share it,
// so that a program connects once however many of them it uses and a playback loads no Xlib.
// XTest's presence is asked as the connection opens, and answered while the program goes on.
//
// Every use holds Lock(). Events are read only through Drain, which keeps the screen's size and
// rotation and the keymap current and counts the keymap's changes, so that each user sees a change
// whoever read it; a watched key's press is handed on by whichever Drain reads it. The errors of
// requests that wait for no answer are read and dropped: a window may go at any moment. A server
// that goes away leaves the process running; the connection is then lost, and the next Shared()
// opens a new one.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace platform {

struct Xcb;

class XConnection {
  public:
    // The open connection when it is to the current DISPLAY and not lost, else a new one; null
    // without DISPLAY, without libxcb, or when the display refuses.
    static std::shared_ptr<XConnection> Shared();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    std::mutex& Lock() { return mutex; }

    // The rest under the lock.

    bool Lost() const;
    // The connection's socket, readable when the server has sent something.
    int Descriptor() const;
    // The screen's size: the one the connection's set-up reported, followed through the root
    // window's changes of size, which need no extension and no round trip.
    int Width() const { return width; }
    int Height() const { return height; }
    // Asks the server, once, for the screen's rotation and to report its changes; without RandR
    // the screen is taken as never rotated.
    void WatchScreen();
    // The screen's rotation as RandR names it (1, 2, 4, 8 for 0, 90, 180, 270 degrees), as last
    // asked or reported; 1 until WatchScreen.
    unsigned Rotation() const { return rotation; }
    // Whether the server has XTest.
    bool HasXTest();
    // Sends one request of XTest that fakes an event of type (KeyPress, ButtonRelease,
    // MotionNotify...) at once; a motion goes to x, y of the screen, or by x, y when detail is
    // true. Sent with the next Drain.
    void FakeInput(int type, int detail, int x, int y);
    // The first keycode the keymap gives keysym, 0 when none does. The keymap is fetched by the
    // first look-up and again after the server reports a change.
    unsigned KeycodeOf(std::uint32_t keysym);
    // Binds keysym to the highest keycode the keymap leaves empty (the low ones are the ones
    // keyboards have); that keycode, 0 when none is empty.
    unsigned BindSpareKeycode(std::uint32_t keysym);
    // Grabs key (a keycode) with any modifiers on the root window; false when the server refuses,
    // as when another program holds it.
    bool GrabKey(unsigned key);
    void UngrabKey(unsigned key);
    // From now on Drain calls pressed for each press of key that it reads; 0 and null end that.
    // The key reaches the connection only while it is grabbed.
    void WatchKey(unsigned key, void (*pressed)());
    // Reads whatever the server has sent, sending what is queued.
    void Drain();
    // Waits until the server has handled every request sent so far.
    void Sync();
    // How many keymap changes Drain has read so far.
    unsigned KeymapChanges() const { return keymapChanges; }

  private:
    XConnection(const Xcb& x, xcb_connection_t* connection, int screen, std::string name);
    // How many keycodes the keymap has, fetching it when it is not at hand; 0 without one.
    std::size_t Keycodes();

    const Xcb& x;
    xcb_connection_t* const connection;
    const std::string name;
    std::mutex mutex;
    std::uint32_t root = 0;
    int width = 0;
    int height = 0;
    unsigned minKeycode = 0;
    unsigned maxKeycode = 0;
    // The core keymap, keysymsPerKeycode for each keycode from minKeycode; empty until read.
    std::vector<std::uint32_t> keymap;
    unsigned keysymsPerKeycode = 0;
    bool watching = false;
    int screenEventBase = -1;
    unsigned rotation = 1;
    unsigned watchedKey = 0;
    void (*keyPressed)() = nullptr;
    unsigned keymapChanges = 0;
};

} // namespace platform
