#include "MouseLeftDown.h"

#include "ActionRegistry.h"
#include "platform/input.h"

namespace {

[[maybe_unused]] const bool registered =
    ActionRegistry::GetInstance().Register(new MouseLeftDown(0, 0));

} // namespace

MouseLeftDown::MouseLeftDown(int x, int y) : Mouse(x, y) {}

Action* MouseLeftDown::Parse(const std::string& params) {
    int px = 0;
    int py = 0;
    if (!ReadPosition(params, px, py)) {
        return nullptr;
    }
    return new MouseLeftDown(px, py);
}

std::string MouseLeftDown::GetKeyword() {
    return "Press";
}

bool MouseLeftDown::Play() {
    InjectHere(MOUSEEVENTF_LEFTDOWN);
    return true;
}
