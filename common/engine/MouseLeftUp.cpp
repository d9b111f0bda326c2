#include "MouseLeftUp.h"

#include "ActionRegistry.h"
#include "platform/input.h"

namespace {

[[maybe_unused]] const bool registered =
    ActionRegistry::GetInstance().Register(new MouseLeftUp(0, 0));

} // namespace

MouseLeftUp::MouseLeftUp(int x, int y) : Mouse(x, y) {}

Action* MouseLeftUp::Parse(const std::string&) {
    return new MouseLeftUp(0, 0);
}

std::string MouseLeftUp::GetKeyword() {
    return "Release";
}

std::string MouseLeftUp::GetParams() {
    return {};
}

bool MouseLeftUp::Play() {
    InjectAtLast(MOUSEEVENTF_LEFTUP);
    return true;
}

bool MouseLeftUp::NotEqual(int a, int b) const {
    return a != x || b != y;
}
