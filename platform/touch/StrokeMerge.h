// The samples of several devices over one screen (a pen display's pen and touch devices) as
// one stream of strokes: a stroke begun on one device holds the stream until it lifts; what
// the others send meanwhile is dropped, and so is the rest of a stroke begun during it.
#pragma once

#include <cstddef>
#include <vector>

#include "TouchSample.h"

class StrokeMerge {
  public:
    explicit StrokeMerge(std::size_t devices);

    // Whether device's sample goes on into the stream.
    bool Take(std::size_t device, const TouchSample& sample);

  private:
    // Whether each device's last sample was down.
    std::vector<bool> down;
    // The device whose stroke holds the stream, or none.
    std::size_t holder;
};
