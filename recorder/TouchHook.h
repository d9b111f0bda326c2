// The recorder's touch capture: the driver loaded into this process with the sample callback
// registered, whether the stored calibration took, the display's rotation, and the screen
// rectangle of the recorder's own window, whose samples are played but not recorded.
//
// The window thread writes the rotation and the rectangle while the driver's thread reads them
// for every sample, so each is an atomic of its own.
#pragma once

#include <atomic>

#include "platform/types.h"

class TouchHook {
  public:
    static TouchHook& GetInstance();

    virtual ~TouchHook() = default;
    TouchHook(const TouchHook&) = delete;
    TouchHook& operator=(const TouchHook&) = delete;

    // Loads the driver, registers the callback and hands it the stored calibration; does
    // nothing once a calibration has been applied.
    void Calibrate();
    bool UpdateOrientation();
    void SetRect(int x, int y, int width, int height);
    void SetPosition(int x, int y);
    // Whether a screen point lies outside the window; both edges count as inside, so the
    // rectangle reaches one pixel past the window on the right and at the bottom.
    bool IsOutside(int x, int y) const;

    bool IsCalibrated() const { return calibrated.load(std::memory_order_acquire); }
    // Whether the driver took the callback: without a source of samples it refuses it.
    bool IsCapturing() const { return capturing.load(std::memory_order_acquire); }
    DWORD Orientation() const { return orientation.load(std::memory_order_relaxed); }

  private:
    TouchHook();

    std::atomic<bool> calibrated;
    std::atomic<bool> capturing;
    std::atomic<DWORD> orientation;
    std::atomic<int> rectX;
    std::atomic<int> rectY;
    std::atomic<int> rectWidth;
    std::atomic<int> rectHeight;
};
