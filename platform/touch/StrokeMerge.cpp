#include "StrokeMerge.h"

StrokeMerge::StrokeMerge(std::size_t devices) : down(devices, false), holder(devices) {}

bool StrokeMerge::Take(std::size_t device, const TouchSample& sample) {
    const bool isDown = (sample.flags & TouchSampleDownFlag) != 0;
    const bool starts = isDown && !down[device];
    down[device] = isDown;
    if (holder == device) {
        if (!isDown) {
            holder = down.size();
        }
        return true;
    }
    if (holder == down.size() && starts) {
        holder = device;
        return true;
    }
    return false;
}
