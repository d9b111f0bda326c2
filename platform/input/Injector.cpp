#include "platform/Injector.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

#include "DeviceReset.h"
#include "JournalInjector.h"
#include "UinputInjector.h"
#include "X11Injector.h"
#include "platform/Device.h"
#include "platform/Seam.h"
#include "platform/Session.h"
#include "platform/input.h"

namespace platform {

namespace {

constexpr std::string_view journalPrefix = "journal:";

std::mutex& ChoiceMutex() {
    static std::mutex mutex;
    return mutex;
}

// A backend a test put in place; changed only under the choice lock, with the chosen one.
constinit Seam<Injector> installed;

// The backend chosen for this device. Shared so that a call in progress on one thread keeps
// its backend alive while a test on another thread puts a new one in place.
std::shared_ptr<Injector>& Chosen() {
    static std::shared_ptr<Injector> chosen;
    return chosen;
}

// A touch source that leaves the pointer with the desktop (the X pointer) has already moved the
// applications' pointer, so the recorder's immediate replay of each sample, made inside the
// driver's callback on the driver's thread, would reach them a second time.
thread_local bool mouseDropped = false;

std::string DeviceJournal() {
    Device::Initialise();
    return Device::RunDirectory() + "/input.log";
}

bool WellFormed(const std::string& spec) {
    return spec == "uinput" || spec == "x11" ||
           (spec.starts_with(journalPrefix) && spec.size() > journalPrefix.size());
}

bool UinputWritable() {
    return access("/dev/uinput", W_OK) == 0;
}

const char* Requested() {
    const char* value = std::getenv("TAPWEAVE_INPUT");
    return value && *value ? value : nullptr;
}

// The device's journal; when not even that opens, standard error still shows every call, so
// nothing is lost silently.
std::unique_ptr<Injector> JournalOrStandardError() {
    std::string error;
    if (auto journal = JournalInjector::Open(DeviceJournal(), error)) {
        return journal;
    }
    std::fprintf(stderr, "tapweave: %s; input is written to standard error\n", error.c_str());
    return std::make_unique<JournalInjector>(STDERR_FILENO);
}

std::unique_ptr<Injector> FallBack(const std::string& why) {
    std::fprintf(stderr, "tapweave: %s; input goes to the journal %s\n", why.c_str(),
                 DeviceJournal().c_str());
    return JournalOrStandardError();
}

// In a Wayland session only uinput reaches the desktop's own programs; XTest reaches those
// under XWayland. Elsewhere the X display comes first. Whatever cannot be reached is said once.
std::unique_ptr<Injector> Choose() {
    std::string error;
    if (const char* requested = Requested()) {
        if (auto injector = Injector::Make(requested, error)) {
            return injector;
        }
        return FallBack(std::string("TAPWEAVE_INPUT=\"") + requested + "\": " + error);
    }
    std::string uinputError;
    if (Session::Wayland()) {
        if (auto uinput = UinputInjector::Open(uinputError)) {
            return uinput;
        }
        if (auto x11 = X11Injector::Open(error)) {
            std::fprintf(stderr,
                         "tapweave: this is a Wayland session and %s; input goes through XTest "
                         "and reaches only X programs (XWayland)\n",
                         uinputError.c_str());
            return x11;
        }
        return FallBack(error + " and " + uinputError);
    }
    if (auto x11 = X11Injector::Open(error)) {
        return x11;
    }
    if (auto uinput = UinputInjector::Open(uinputError)) {
        return uinput;
    }
    return FallBack(error + " and " + uinputError);
}

std::shared_ptr<Injector> Acquire() {
    std::lock_guard lock(ChoiceMutex());
    if (Injector* injector = installed.Installed()) {
        // The test's backend stays the test's: shared without being owned.
        return std::shared_ptr<Injector>(std::shared_ptr<Injector>(), injector);
    }
    if (!Chosen()) {
        Chosen() = Choose();
    }
    return Chosen();
}

// A fresh device has a journal of its own, so the backend is chosen again.
const DeviceReset forgetBackend([] { Injector::Set(nullptr); });

} // namespace

Injector& Injector::Current() {
    return *Acquire();
}

void Injector::Set(Injector* injector) {
    std::shared_ptr<Injector> replaced;
    std::lock_guard lock(ChoiceMutex());
    replaced = std::move(Chosen());
    installed.Set(injector);
}

std::unique_ptr<Injector> Injector::Make(const std::string& spec, std::string& error) {
    if (!WellFormed(spec)) {
        error = "not one of uinput, x11 or journal:PATH";
        return nullptr;
    }
    if (spec == "x11") {
        return X11Injector::Open(error);
    }
    if (spec == "uinput") {
        return UinputInjector::Open(error);
    }
    return JournalInjector::Open(spec.substr(journalPrefix.size()), error);
}

// What Current would choose, judged without making the backend: a requested backend that
// cannot start gives way to the journal, as it does there.
std::string Injector::ChosenSpec() {
    const std::string journal = std::string(journalPrefix) + DeviceJournal();
    if (const char* requested = Requested()) {
        const std::string spec = requested;
        const bool starts = WellFormed(spec) && (spec != "x11" || X11Injector::Available()) &&
                            (spec != "uinput" || UinputWritable());
        return starts ? spec : journal;
    }
    if (Session::Wayland() && UinputWritable()) {
        return "uinput";
    }
    if (X11Injector::Available()) {
        return "x11";
    }
    return UinputWritable() ? "uinput" : journal;
}

std::string Injector::Reach(const std::string& spec) {
    if (spec == "uinput") {
        return "every program of the desktop, through /dev/uinput";
    }
    const std::string more =
        Session::Wayland() || spec != "x11"
            ? "; to reach every program, " + std::string(UinputInjector::enableHint)
            : std::string();
    if (spec == "x11") {
        return (Session::Wayland() ? "X programs only (XWayland), not the Wayland ones"
                                   : "every program of the X display") +
               more;
    }
    return "no program: the calls are written to the journal" + more;
}

void Injector::DropMouseOnThisThread(bool drop) {
    mouseDropped = drop;
}

} // namespace platform

// The device's pointer calls take unsigned coordinates; absolute values past the screen arrive
// as their 32-bit two's complement, so they are read back as signed.
void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, std::uintptr_t) {
    if (platform::mouseDropped) {
        return;
    }
    platform::Acquire()->Mouse(flags, static_cast<LONG>(dx), static_cast<LONG>(dy));
}

void keybd_event(BYTE vk, BYTE, DWORD flags, std::uintptr_t) {
    platform::Acquire()->Key(vk, flags);
}
