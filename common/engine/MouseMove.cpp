#include "MouseMove.h"

#include "ActionRegistry.h"
#include "platform/input.h"

namespace {

[[maybe_unused]] const bool registered =
    ActionRegistry::GetInstance().Register(new MouseMove(0, 0));

} // namespace

MouseMove::MouseMove(int x, int y) : Mouse(x, y) {}

Action* MouseMove::Parse(const std::string& params) {
    int px = 0;
    int py = 0;
    if (!ReadPosition(params, px, py)) {
        return nullptr;
    }
    return new MouseMove(px, py);
}

std::string MouseMove::GetKeyword() {
    return "Move";
}

bool MouseMove::Play() {
    InjectHere(MOUSEEVENTF_MOVE);
    return true;
}
