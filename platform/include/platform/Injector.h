// Where mouse_event and keybd_event go: a backend chosen by TAPWEAVE_INPUT or by what the
// machine offers. In a Wayland session uinput when /dev/uinput opens, else x11 (XWayland);
// elsewhere x11 when a display with XTest is there, else uinput; else the journal
// <device>/run/input.log. A choice that reaches less than the session's programs is said once
// on standard error.
#pragma once

#include <memory>
#include <string>

#include "platform/types.h"

namespace platform {

class Injector {
  public:
    virtual ~Injector() = default;
    virtual void Mouse(DWORD flags, LONG dx, LONG dy) = 0;
    virtual void Key(BYTE vk, DWORD flags) = 0;

    // The backend in use, made on first use.
    static Injector& Current();
    // Puts a backend in place for this process (null: choose again on next use). Unit tests
    // use it for a recording fake; the caller keeps ownership.
    static void Set(Injector* injector);
    // Makes the backend a TAPWEAVE_INPUT value names ("uinput", "x11", "journal:PATH");
    // null with a message in error when the value is malformed or the backend cannot start.
    static std::unique_ptr<Injector> Make(const std::string& spec, std::string& error);
    // The TAPWEAVE_INPUT value that would be used now (for tapweave-device info).
    static std::string ChosenSpec();
    // Which programs a backend (a ChosenSpec value) reaches in this session, and how to reach
    // more when it falls short.
    static std::string Reach(const std::string& spec);
    // While set, mouse_event calls made on this thread are dropped (keybd_event never is).
    static void DropMouseOnThisThread(bool drop);
};

} // namespace platform
