// Injection into the X display through XTest: the desktop's own pointer and keyboard, on the
// process's shared X connection.
#pragma once

#include <X11/X.h>
#include <map>
#include <memory>
#include <string>

#include "platform/Injector.h"

namespace platform {

class XConnection;

class X11Injector : public Injector {
  public:
    // Takes its share of the connection to $DISPLAY; null with a message in error when there is
    // no display or it lacks XTest.
    static std::unique_ptr<X11Injector> Open(std::string& error);
    // Whether Open would succeed now.
    static bool Available();
    ~X11Injector() override;
    X11Injector(const X11Injector&) = delete;
    X11Injector& operator=(const X11Injector&) = delete;

    void Mouse(DWORD flags, LONG dx, LONG dy) override;
    void Key(BYTE vk, DWORD flags) override;

    // The pixel an absolute coordinate names on a screen side of size pixels: the coordinate
    // divided by the programs' factor 65535 / size, rounded to nearest, kept on the screen.
    static int PixelFromAbsolute(LONG value, int size);
    // The keysym a virtual key stands for; NoSymbol for a key the device does not have.
    static KeySym KeysymFor(BYTE vk);

  private:
    explicit X11Injector(std::shared_ptr<XConnection> connection);
    void Send();
    KeyCode KeycodeFor(KeySym keysym);
    Injector& Fallback();

    // Everything below under the connection's lock.
    const std::shared_ptr<XConnection> connection;
    std::map<KeySym, KeyCode> keycodes;
    // The connection's count of keymap changes when the keycodes above were looked up.
    unsigned keymapSeen;
    std::unique_ptr<Injector> fallback;
};

} // namespace platform
