#include "RecordSample.h"

#include <new>

#include "ActionPtr.h"
#include "Macros.h"
#include "Mouse.h"
#include "MouseLeftDown.h"
#include "MouseLeftUp.h"
#include "MouseMove.h"
#include "TouchHook.h"

namespace {

// An empty handle to copy from: emptying a handle by copying it allocates nothing.
const ActionPtr& Nothing() {
    static const ActionPtr nothing;
    return nothing;
}

// The press or move the stroke under way reached last; empty between strokes.
ActionPtr& CurrentAction() {
    static ActionPtr current = Nothing();
    return current;
}

// The release of the last stroke, until the next down sample: later up samples are ignored.
ActionPtr& ReleaseAction() {
    static ActionPtr release = Nothing();
    return release;
}

// Takes a new step into the handle; false, with the handle emptied, when there was no memory.
bool Hold(ActionPtr& handle, Mouse* step) {
    if (step == nullptr) {
        handle = Nothing();
        return false;
    }
    handle = ActionPtr(step);
    return true;
}

void Hand(const ActionPtr& step, int kind, int x, int y) {
    if (TouchHook::GetInstance().IsOutside(x, y)) {
        Macros::GetInstance().Add(step, kind);
    }
}

} // namespace

void RecordSample(bool down, int x, int y) {
    ActionPtr& current = CurrentAction();
    ActionPtr& release = ReleaseAction();
    if (down) {
        if (current.Get() == nullptr) {
            if (!Hold(current, new (std::nothrow) MouseLeftDown(x, y))) {
                return;
            }
            Hand(current, Macros::AddBreakBefore, x, y);
        } else if (static_cast<const Mouse*>(current.Get())->NotEqual(x, y)) {
            if (!Hold(current, new (std::nothrow) MouseMove(x, y))) {
                return;
            }
            Hand(current, Macros::AddPlain, x, y);
        }
        // Without a new step the last press or move is played again, at its own place.
        current->Play();
        release = Nothing();
        return;
    }
    if (release.Get() != nullptr) {
        return;
    }
    if (!Hold(release, new (std::nothrow) MouseLeftUp(x, y))) {
        current = Nothing();
        return;
    }
    current = release;
    Hand(current, Macros::AddBreakAfter, x, y);
    current->Play();
    current = Nothing();
}
