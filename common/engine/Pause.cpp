#include "Pause.h"

#include <atomic>
#include <cmath>
#include <cstdio>

#include "ActionRegistry.h"
#include "NumberScanner.h"
#include "PlaybackClock.h"
#include "platform/clock.h"

namespace {

// The tick count of the last measurement, 0 while none runs. The recorder measures on its touch
// thread and restarts the measurement on its window thread.
std::atomic<DWORD> lastTick{0};

// The longest pause a file may ask for: the platform's wait takes 32 bits of milliseconds.
constexpr double longestDelay = 4294967295.0;

DWORD Measure() {
    const DWORD last = lastTick.load();
    const DWORD elapsed = last == 0 ? 0 : GetTickCount() - last;
    lastTick.store(GetTickCount());
    return elapsed - elapsed % 10;
}

[[maybe_unused]] const bool registered = ActionRegistry::GetInstance().Register(new Pause);

} // namespace

Pause::Pause() : delay(Measure()) {}

Pause::Pause(DWORD delay) : delay(delay) {}

Pause* Pause::Create() {
    Pause* pause = new Pause;
    if (pause->delay >= 10) {
        return pause;
    }
    delete pause;
    return nullptr;
}

void Pause::ResetTimer() {
    lastTick.store(0);
}

Action* Pause::Parse(const std::string& params) {
    double seconds = 0;
    if (!NumberScanner::ReadDouble(params, seconds)) {
        return nullptr;
    }
    // A negative or oversized number would become a wait of weeks: refused like no number.
    const double milliseconds = std::trunc(seconds * 1000.0);
    if (!(seconds >= 0 && milliseconds <= longestDelay)) {
        return nullptr;
    }
    return new Pause(static_cast<DWORD>(milliseconds));
}

std::string Pause::GetKeyword() {
    return "Pause";
}

std::string Pause::GetParams() {
    // "%g" is the default formatting of a double in a stream: six significant digits.
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(delay) * 0.001);
    return text;
}

bool Pause::Play() {
    PlaybackClock::Advance(delay);
    return true;
}
