// A pop-up menu: its text items, in order.
#pragma once

#include <vector>

#include "GuiBackend.h"
#include "HandleObject.h"

namespace platform {

class PopupMenu : public HandleObject {
  public:
    const std::vector<MenuItem>& Items() const { return items; }
    void Append(MenuItem item) { items.push_back(std::move(item)); }

  private:
    std::vector<MenuItem> items;
};

} // namespace platform
