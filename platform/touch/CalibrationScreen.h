// The calibration screen: full screen, a cross at each calibration point in turn, and a line
// saying what to do. Samples reach it from the driver's thread through Qt's event queue.
#pragma once

#include <QWidget>

#include "CalibrationCollector.h"

class CalibrationScreen : public QWidget {
  public:
    // The screen the points are placed on, in pixels; the window covers it from (0, 0).
    CalibrationScreen(int width, int height);

    // What the application's loop ends with besides 0 (every point read).
    static constexpr int cancelled = 1;
    static constexpr int sourceEnded = 2;

    // Called on the GUI thread with each uncalibrated sample; quits the application with 0 once
    // all points are read and stored.
    void Take(DWORD flags, int x, int y);
    // Called on the GUI thread when the driver's source has no more samples: quits the
    // application with sourceEnded unless every point was read.
    void SourceEnded();
    const CalibrationCollector& Readings() const { return collector; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int width;
    int height;
    CalibrationCollector collector;
};
