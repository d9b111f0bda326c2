#include "MacroList.h"

#include <memory>

#include "Mouse.h"
#include "Pause.h"
#include "PlaybackClock.h"
#include "Separator.h"
#include "Start.h"
#include "platform/StopRequest.h"

namespace {

// The program behind the shell's own windows; a recording started there needs no start step.
const std::string shellProgram = "\\Windows\\shell32.exe";

} // namespace

bool MacroList::Play() {
    // Played from a copy: the steps may take minutes, and the document stays usable meanwhile.
    const std::vector<ActionPtr> steps = Steps();
    PlaybackClock clock;
    bool played = true;
    for (const ActionPtr& step : steps) {
        if (platform::StopRequest::Raised() || !step->Play()) {
            played = false;
            break;
        }
    }
    // A macro stopped or failing half-way, or one cut or edited to end with the stylus down,
    // would leave the button pressed on the desktop.
    Mouse::ReleaseIfPressed();
    return played && !platform::StopRequest::Raised();
}

void MacroList::StartRecording() {
    // Asking the desktop which program is in front may take a round trip to the display.
    std::unique_ptr<Start> start(new Start);
    std::lock_guard lock(mutex);
    Pause::ResetTimer();
    recording = true;
    if (start->GetTarget() != shellProgram) {
        AddLocked(ActionPtr(start.release()), AddBreakAfter);
    }
}

void MacroList::StopRecording() {
    std::lock_guard lock(mutex);
    recording = false;
}

void MacroList::Add(ActionPtr action, int kind) {
    std::lock_guard lock(mutex);
    AddLocked(action, kind);
}

std::vector<ActionPtr> MacroList::Steps() {
    std::lock_guard lock(mutex);
    return {actions.begin(), actions.end()};
}

void MacroList::AddLocked(const ActionPtr& action, int kind) {
    if (!action.Get() || !recording) {
        return;
    }
    if (Pause* pause = Pause::Create()) {
        actions.emplace_back(pause);
    }
    if (kind == AddBreakBefore && !actions.empty()) {
        actions.emplace_back(new Separator);
    }
    actions.push_back(action);
    if (kind == AddBreakAfter) {
        actions.emplace_back(new Separator);
    }
}
