// The "Keyboard" step: one press and release of a hardware key (cursor keys, action key, soft
// keys, application buttons), named in the macro file by a short lower-case name. It comes only
// from macro files edited by hand; the recorder never makes one.
#pragma once

#include "Action.h"
#include "platform/types.h"

class Keyboard : public Action {
  public:
    // The key of that name (exact, case-sensitive); key code 0 for a name not in the table.
    explicit Keyboard(const std::string& name);

    Action* Parse(const std::string& params) override;
    std::string GetKeyword() override;
    std::string GetParams() override;
    // Presses the key, holds it 200 ms and releases it; application keys travel with VK_LWIN.
    bool Play() override;

  private:
    BYTE key;
};
