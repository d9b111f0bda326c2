// What the player is asked to do, read from its arguments. The device's shell (a shortcut, the
// library window, the Start menu) always gives one macro name or none, and its command line is
// read by the device's rules alone: whatever the name, it is a name. Options exist only for a
// person at a Linux shell, whose arguments arrive as argv.
#pragma once

#include <string>
#include <vector>

struct Request {
    enum Action {
        ShowLibrary, // no name: the macro library window
        PlayMacro,
        DoNothing,  // more than one name, as the device's player
        PrintUsage, // --help or -h
        PrintVersion,
        StopPlaybacks,
        Refuse, // a malformed option: error says why
    };

    Action action = ShowLibrary;
    std::wstring name;
    // How many times to play the macro; 0 until stopped.
    unsigned long repeat = 1;
    // Every pause lasts its length divided by this.
    double speed = 1;
    std::string error;

    // The arguments after the module path; with options, as a Linux shell gave them: "--repeat
    // N", "--speed F" (also written "--repeat=N"), "--stop", "--help", "-h", "--version", and
    // "--" after which every argument is a name.
    static Request Read(const std::vector<std::wstring>& arguments, bool withOptions);
};
