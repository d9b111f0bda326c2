#include "TouchSource.h"

#include <cstdio>
#include <cstdlib>

#include "EvdevSource.h"
#include "ScriptSource.h"
#include "X11Source.h"

namespace {

constexpr std::string_view scriptPrefix = "script:";
constexpr std::string_view evdevPrefix = "evdev:";
constexpr std::string_view pointerPrefix = "evdev-pointer:";

bool HasDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

} // namespace

std::unique_ptr<TouchSource> TouchSource::Open(const std::string& spec, std::string& error) {
    if (spec.starts_with(scriptPrefix) && spec.size() > scriptPrefix.size()) {
        return ScriptSource::Open(spec.substr(scriptPrefix.size()), error);
    }
    if (spec == "evdev") {
        return EvdevSource::Open({}, error);
    }
    if (spec.starts_with(evdevPrefix) && spec.size() > evdevPrefix.size()) {
        return EvdevSource::Open(spec.substr(evdevPrefix.size()), error);
    }
    if (spec == "evdev-pointer") {
        return EvdevSource::OpenPointer({}, error);
    }
    if (spec.starts_with(pointerPrefix) && spec.size() > pointerPrefix.size()) {
        return EvdevSource::OpenPointer(spec.substr(pointerPrefix.size()), error);
    }
    if (spec == "x11") {
        return X11Source::Open(error);
    }
    if (!spec.empty()) {
        error = "TAPWEAVE_TOUCH is not one of evdev, evdev:PATH, evdev-pointer, "
                "evdev-pointer:PATH, x11 or script:PATH";
        return nullptr;
    }
    if (EvdevSource::Present()) {
        return EvdevSource::Open({}, error);
    }
    // A touch screen the user may not read is named, with the fix, rather than passed over.
    const std::string unreadable = EvdevSource::Unreadable();
    if (HasDisplay()) {
        if (!unreadable.empty()) {
            std::fprintf(stderr, "touch: %s; taking the X pointer instead\n", unreadable.c_str());
        }
        return X11Source::Open(error);
    }
    error =
        unreadable.empty() ? "no touch screen and no X display to take samples from" : unreadable;
    return nullptr;
}
