#include "TouchDriver.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Injector.h"

TouchDriver& TouchDriver::Instance() {
    static TouchDriver driver;
    return driver;
}

TouchDriver::~TouchDriver() {
    Disable();
}

BOOL TouchDriver::Enable(PFN_TOUCH_PANEL_CALLBACK newCallback) {
    if (!newCallback) {
        return FALSE;
    }
    std::lock_guard lock(mutex);
    callback = newCallback;
    if (source) {
        return TRUE;
    }
    const char* requested = std::getenv("TAPWEAVE_TOUCH");
    std::string error;
    source = TouchSource::Open(requested ? requested : "", error);
    if (!source) {
        std::fprintf(stderr, "touch: %s\n", error.c_str());
        return FALSE;
    }
    {
        std::lock_guard mapLock(mapMutex);
        uncalibrated = source->Uncalibrated();
    }
    stop = std::make_unique<StopSignal>();
    thread = std::thread([this, running = source.get(), signal = stop.get()] {
        // This thread runs only the callback, so the recorder's replay of a sample the desktop
        // has had already is dropped for all of it.
        platform::Injector::DropMouseOnThisThread(!running->TakesInput());
        running->Run(
            [this, mouse = running->IsMouse()](const TouchSample& raw) { Deliver(raw, mouse); },
            *signal);
        if (!signal->Raised()) {
            if (const PFN_TOUCH_PANEL_CALLBACK current = callback.load()) {
                current(TouchSampleSourceEndedFlag, 0, 0);
            }
        }
    });
    return TRUE;
}

void TouchDriver::Disable() {
    std::lock_guard lock(mutex);
    if (!source) {
        return;
    }
    stop->Raise();
    thread.join();
    source.reset();
    stop.reset();
}

BOOL TouchDriver::SetCalibration(int count, const int* screenX, const int* screenY, const int* rawX,
                                 const int* rawY) {
    {
        // A touch screen's calibration would only bend a mouse's exact screen pixels.
        std::lock_guard lock(mutex);
        if (source && source->IsMouse()) {
            return FALSE;
        }
    }
    const std::optional<AffineMap> fitted = AffineMap::Fit(count, screenX, screenY, rawX, rawY);
    if (!fitted) {
        return FALSE;
    }
    std::lock_guard mapLock(mapMutex);
    calibration = fitted;
    return TRUE;
}

// Raw positions pass through the source's spread first, so a calibration relates the positions
// an uncalibrated driver delivers (those a calibration program records) to the screen. A
// mouse's positions are screen pixels already and are marked as such.
void TouchDriver::Deliver(const TouchSample& raw, bool mouse) {
    TouchSample sample = raw;
    if (mouse) {
        sample.flags |= TouchSampleMouse;
    } else {
        std::lock_guard mapLock(mapMutex);
        uncalibrated->Apply(raw.x, raw.y, sample.x, sample.y);
        if (calibration) {
            calibration->Apply(sample.x, sample.y, sample.x, sample.y);
        }
    }
    if (const PFN_TOUCH_PANEL_CALLBACK current = callback.load()) {
        current(sample.flags, sample.x, sample.y);
    }
}
