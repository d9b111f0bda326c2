#include "Keyboard.h"

#include <array>

#include "ActionRegistry.h"
#include "PlaybackClock.h"
#include "platform/clock.h"
#include "platform/input.h"

namespace {

struct KeyName {
    const char* name;
    BYTE code;
};

const std::array<KeyName, 13> keyTable{{
    {"left", VK_LEFT},
    {"right", VK_RIGHT},
    {"up", VK_UP},
    {"down", VK_DOWN},
    {"enter", VK_RETURN},
    {"softkey1", VK_F1},
    {"softkey2", VK_F2},
    {"app1", VK_APP1},
    {"app2", VK_APP2},
    {"app3", VK_APP3},
    {"app4", VK_APP4},
    {"app5", VK_APP5},
    {"app6", VK_APP6},
}};

constexpr DWORD holdMilliseconds = 200;

bool IsApplicationKey(BYTE key) {
    return key >= VK_APP1 && key <= VK_APP6;
}

void Send(BYTE key, DWORD flags) {
    keybd_event(key, 0, flags, 0);
}

[[maybe_unused]] const bool registered = ActionRegistry::GetInstance().Register(new Keyboard(""));

} // namespace

Keyboard::Keyboard(const std::string& name) : key(0) {
    for (const KeyName& entry : keyTable) {
        if (name == entry.name) {
            key = entry.code;
            return;
        }
    }
}

Action* Keyboard::Parse(const std::string& params) {
    return new Keyboard(params);
}

std::string Keyboard::GetKeyword() {
    return "Keyboard";
}

std::string Keyboard::GetParams() {
    for (const KeyName& entry : keyTable) {
        if (entry.code == key) {
            return entry.name;
        }
    }
    return {};
}

bool Keyboard::Play() {
    const bool application = IsApplicationKey(key);
    if (application) {
        Send(VK_LWIN, KEYEVENTF_SILENT);
    }
    Send(key, KEYEVENTF_SILENT);
    Sleep(holdMilliseconds);
    Send(key, KEYEVENTF_SILENT | KEYEVENTF_KEYUP);
    if (application) {
        Send(VK_LWIN, KEYEVENTF_SILENT | KEYEVENTF_KEYUP);
    }
    // The hold is part of the step, not of the macro's timing.
    PlaybackClock::Restart();
    return true;
}
