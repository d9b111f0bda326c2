#include "EvdevKind.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <libevdev/libevdev.h>
#include <vector>

namespace {

bool Has(const libevdev* device, unsigned type, unsigned code) {
    return libevdev_has_event_code(device, type, code);
}

// The bits of one capability file: hexadecimal words of a long each, the highest first.
std::vector<unsigned> Bits(const std::string& path) {
    std::ifstream file(path);
    std::vector<unsigned long> words;
    std::string word;
    while (file >> word) {
        char* end = nullptr;
        words.push_back(std::strtoul(word.c_str(), &end, 16));
        if (*end) {
            return {};
        }
    }
    std::vector<unsigned> bits;
    constexpr unsigned wordBits = sizeof(unsigned long) * CHAR_BIT;
    for (std::size_t index = 0; index < words.size(); ++index) {
        const unsigned long value = words[words.size() - 1 - index];
        for (unsigned bit = 0; bit < wordBits; ++bit) {
            if (value & (1ul << bit)) {
                bits.push_back(static_cast<unsigned>(index) * wordBits + bit);
            }
        }
    }
    return bits;
}

} // namespace

EvdevKind ClassifyEvdev(const libevdev* device) {
    const bool absolute = Has(device, EV_ABS, ABS_X) && Has(device, EV_ABS, ABS_Y);
    const bool accelerometer =
        libevdev_has_property(device, INPUT_PROP_ACCELEROMETER) ||
        (!libevdev_has_event_type(device, EV_KEY) && absolute && Has(device, EV_ABS, ABS_Z));
    if (accelerometer) {
        return EvdevKind::Other;
    }
    const bool pen = Has(device, EV_KEY, BTN_STYLUS) || Has(device, EV_KEY, BTN_TOOL_PEN);
    const bool fingerButNoPen =
        Has(device, EV_KEY, BTN_TOOL_FINGER) && !Has(device, EV_KEY, BTN_TOOL_PEN);
    bool mouseButton = false;
    for (unsigned button = BTN_MOUSE; button < BTN_JOYSTICK && !mouseButton; ++button) {
        mouseButton = Has(device, EV_KEY, button);
    }
    const bool relative = Has(device, EV_REL, REL_X) && Has(device, EV_REL, REL_Y);
    // A device that claims every absolute axis (some gamepads) has no real multi-touch ones.
    const bool multiTouch =
        Has(device, EV_ABS, ABS_MT_POSITION_X) && Has(device, EV_ABS, ABS_MT_POSITION_Y) &&
        !(Has(device, EV_ABS, ABS_MT_SLOT) && Has(device, EV_ABS, ABS_MT_SLOT - 1));
    const bool direct = libevdev_has_property(device, INPUT_PROP_DIRECT);
    const bool touch = Has(device, EV_KEY, BTN_TOUCH);
    // udev gives a device every tag that fits; the first that fits here names it. Its absolute
    // axes make a pointer with mouse buttons an absolute mouse (a virtual machine's tablet, or a
    // uinput pointer, ours among them) rather than a touch screen; its multi-touch ones do not.
    if (absolute || multiTouch) {
        if (pen) {
            return EvdevKind::Tablet;
        }
        if (fingerButNoPen && !direct) {
            return EvdevKind::Touchpad;
        }
        if ((touch || direct) && (multiTouch || !mouseButton)) {
            return EvdevKind::TouchScreen;
        }
    }
    if (mouseButton && (relative || !absolute)) {
        return EvdevKind::Mouse;
    }
    return absolute && mouseButton ? EvdevKind::AbsoluteMouse : EvdevKind::Other;
}

bool FollowsTouch(const libevdev* device) {
    // A multi-touch device without slots (protocol A) mixes its contacts.
    const bool slots = libevdev_get_num_slots(device) > 0 &&
                       Has(device, EV_ABS, ABS_MT_POSITION_X) &&
                       Has(device, EV_ABS, ABS_MT_POSITION_Y);
    const bool single =
        Has(device, EV_ABS, ABS_X) && Has(device, EV_ABS, ABS_Y) && Has(device, EV_KEY, BTN_TOUCH);
    return slots || single;
}

bool RecordsTouch(const libevdev* device) {
    const EvdevKind kind = ClassifyEvdev(device);
    const bool screen =
        kind == EvdevKind::TouchScreen ||
        (kind == EvdevKind::Tablet && libevdev_has_property(device, INPUT_PROP_DIRECT));
    return screen && FollowsTouch(device);
}

bool RecordsPointer(const libevdev* device) {
    const EvdevKind kind = ClassifyEvdev(device);
    const bool moves =
        (kind == EvdevKind::Mouse && Has(device, EV_REL, REL_X) && Has(device, EV_REL, REL_Y)) ||
        (kind == EvdevKind::Touchpad && Has(device, EV_ABS, ABS_X));
    return moves && Has(device, EV_KEY, BTN_LEFT);
}

libevdev* DescribeFromSysfs(const std::string& directory) {
    const std::string capabilities = directory + "/capabilities/";
    const std::vector<unsigned> types = Bits(capabilities + "ev");
    if (types.empty()) {
        return nullptr;
    }
    libevdev* device = libevdev_new();
    // Ranges are not listed; one of two values (two slots, for ABS_MT_SLOT) will do.
    const input_absinfo axis{0, 0, 1, 0, 0, 0};
    for (const unsigned type : types) {
        libevdev_enable_event_type(device, type);
    }
    for (const unsigned code : Bits(capabilities + "key")) {
        libevdev_enable_event_code(device, EV_KEY, code, nullptr);
    }
    for (const unsigned code : Bits(capabilities + "rel")) {
        libevdev_enable_event_code(device, EV_REL, code, nullptr);
    }
    for (const unsigned code : Bits(capabilities + "abs")) {
        libevdev_enable_event_code(device, EV_ABS, code, &axis);
    }
    for (const unsigned property : Bits(directory + "/properties")) {
        libevdev_enable_property(device, property);
    }
    return device;
}
