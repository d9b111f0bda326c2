// The "Pause" step: a wait, in whole milliseconds. While recording, the document asks for one
// before every step it stores, and gets one when 10 ms or more have passed since the step before.
#pragma once

#include "Action.h"
#include "CommonApi.h"
#include "platform/types.h"

class Pause : public Action {
  public:
    // A pause as long as the time since the previous measurement, rounded down to 10 ms.
    Pause();
    explicit Pause(DWORD delay);

    // A pause for the time since the previous call, or null when that was under 10 ms.
    static COMMON_EXPORT Pause* Create();
    // Starts the measurement afresh: the next one gives 0.
    static void ResetTimer();

    Action* Parse(const std::string& params) override;
    std::string GetKeyword() override;
    std::string GetParams() override;
    bool Play() override;

  private:
    DWORD delay;
};
