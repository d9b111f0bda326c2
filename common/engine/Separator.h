// The step with the empty keyword that a recording puts between strokes, so the saved macro
// shows its grouping as lines holding a single space. It does nothing when played and is never
// registered, so reading a macro file skips those lines.
#pragma once

#include "Action.h"

class Separator : public Action {
  public:
    Action* Parse(const std::string& params) override;
    std::string GetKeyword() override;
    std::string GetParams() override;
    bool Play() override;
};
