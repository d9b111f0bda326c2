// The driver behind the exports of \Windows\touch.dll: one per process. Enabling opens the
// source TAPWEAVE_TOUCH names and starts the driver's own thread, which maps each raw sample
// (through the calibration once one is set, else the source's own spread) and calls the
// registered callback with it; a mouse's samples go unmapped, marked TouchSampleMouse. When the
// source has no more samples, the callback hears TouchSampleSourceEndedFlag once.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "AffineMap.h"
#include "StopSignal.h"
#include "TouchSource.h"
#include "platform/touch.h"

class TouchDriver {
  public:
    static TouchDriver& Instance();
    ~TouchDriver();

    // Registers the callback; the first call opens the source and starts the thread. A later
    // call only replaces the callback. FALSE, with the reason on standard error, when the
    // source cannot start.
    BOOL Enable(PFN_TOUCH_PANEL_CALLBACK callback);
    // Stops the thread and closes the source; the next Enable opens it anew.
    void Disable();
    // FALSE while the source is a mouse, which no calibration concerns.
    BOOL SetCalibration(int count, const int* screenX, const int* screenY, const int* rawX,
                        const int* rawY);

  private:
    void Deliver(const TouchSample& raw, bool mouse);

    std::mutex mutex;
    std::atomic<PFN_TOUCH_PANEL_CALLBACK> callback{nullptr};
    std::unique_ptr<TouchSource> source;
    std::unique_ptr<StopSignal> stop;
    std::thread thread;
    // The map from raw positions to quarter pixels, read on the driver's thread for every
    // sample and replaced by SetCalibration.
    std::mutex mapMutex;
    std::optional<AffineMap> uncalibrated;
    std::optional<AffineMap> calibration;
};
