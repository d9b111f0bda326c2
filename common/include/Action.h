// A step of a macro: a stylus event, a key press, a pause or the start of a program. Every step
// type derives from Action; the programs and Common share its virtual table in this slot order.
#pragma once

#include <string>

#include "CommonApi.h"

class COMMON_EXPORT Action {
  public:
    Action();
    virtual ~Action();

    // Called on a registered prototype: a new step of the prototype's own type built from the
    // parameter text of a macro-file line, or null when the text does not parse.
    virtual Action* Parse(const std::string& params) = 0;
    // The keyword that starts the step's line in a macro file; the same for every instance.
    virtual std::string GetKeyword() = 0;
    // The text written after the keyword; Parse of the same type reads it back.
    virtual std::string GetParams() = 0;
    // Performs the step now; false stops the macro being played.
    virtual bool Play() = 0;
};
