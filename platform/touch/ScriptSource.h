// Samples from a touch script, each delivered at its time after the source was opened (when
// the driver was enabled). Times are deadlines from that moment, so delivery never drifts; a
// time earlier than the one before it is delivered at once. Raw positions are quarter pixels.
#pragma once

#include <ctime>

#include "TouchScript.h"
#include "TouchSource.h"

class ScriptSource : public TouchSource {
  public:
    // Null with the reason in error when the script cannot be opened.
    static std::unique_ptr<ScriptSource> Open(const std::string& path, std::string& error);

    void Run(const Deliver& deliver, const StopSignal& stop) override;
    bool TakesInput() const override { return true; }
    AffineMap Uncalibrated() const override { return AffineMap::Identity(); }

  private:
    TouchScript script;
    timespec start{};
};
