// The process-wide table from keyword to prototype step that turns a macro-file line into a new
// step. Each step type registers one prototype from a static initialiser when Common is loaded.
#pragma once

#include <map>
#include <string>

#include "ActionPtr.h"

class ActionRegistry {
  public:
    virtual ~ActionRegistry();

    static ActionRegistry& GetInstance();

    // Stores the prototype under its keyword, replacing (and releasing) an earlier one; true if
    // a non-null prototype is now registered.
    bool Register(Action* prototype);
    // A new step for the keyword (exact, case-sensitive) built from the parameter text; null when
    // the keyword is unknown or the text does not parse. The caller owns the step.
    Action* Create(const std::string& keyword, const std::string& params) const;

  private:
    std::map<std::string, ActionPtr> prototypes;
};
