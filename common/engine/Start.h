// The "Start" step: brings back the program that was in front when a recording began, so the
// stylus steps after it find the same screen. Its target is "Today" for the Today screen, else
// the full path of the program (UTF-8), and may be empty.
#pragma once

#include "Action.h"

class Start : public Action {
  public:
    // Captures the program in front now.
    Start();
    explicit Start(const std::string& target);

    const std::string& GetTarget() const { return target; }

    Action* Parse(const std::string& params) override;
    std::string GetKeyword() override;
    std::string GetParams() override;
    // Brings the Today screen to the front, or has the shell open the target; always true.
    bool Play() override;

  private:
    std::string target;
};
