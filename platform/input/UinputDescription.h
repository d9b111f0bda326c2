// What a uinput device is made with: its identity and every key, axis and property it has. The
// injector decides it; the sink makes the kernel device from it.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct UinputDescription {
    // An absolute axis, from 0 to maximum.
    struct Axis {
        unsigned code;
        int maximum;

        bool operator==(const Axis&) const = default;
    };

    std::string name;
    unsigned bus = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    std::vector<unsigned> properties;
    std::vector<unsigned> keys;
    std::vector<Axis> axes;
};

} // namespace platform
