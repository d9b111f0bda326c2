// The udev rule that lets the desktop's user write /dev/uinput, put in place and made to take
// effect at once.
#pragma once

#include <string>

class UdevRule {
  public:
    static constexpr const char* fileName = "70-tapweave-uinput.rules";
    static constexpr const char* systemFolder = "/etc/udev/rules.d";

    // Copies the rule from the product's folder into folder (the system's rules by default,
    // which needs root) and has udev read it again and apply it to /dev/uinput. Says what it
    // did or why it could not; the exit code for the program.
    static int Install(const std::string& productFolder, const std::string& folder);
};
