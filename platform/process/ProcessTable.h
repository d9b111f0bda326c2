// The device's process table: which running processes are programs of the device, and the
// program path of any process.
//
// A program of the device is installed as a symbolic link into the build or as a copy, so the
// host cannot tell its device path from the executable it runs. The launcher therefore records
// every device program it starts: a file <device>/run/processes/<pid> holding the process's
// start time (from /proc/<pid>/stat) and its device path, and TAPWEAVE_IMAGE=<device path> in
// the program's own environment. A record whose start time no longer matches belongs to a
// process that has ended and whose identifier was handed out again; it is ignored.
#pragma once

#include <optional>
#include <string>

#include "platform/types.h"

namespace platform {

class ProcessTable {
  public:
    // Enters a device program the launcher has just started. Returns the record's file, for
    // Remove once the program has ended; empty when it could not be written (the program runs,
    // but is then seen under its host path).
    static std::string Add(DWORD processId, const std::wstring& devicePath);
    static void Remove(const std::string& record);

    // "\Windows\shell32.exe" for the desktop's shell; the recorded device path of a device
    // program; the device path of an executable below the device's fs/ folder; else the
    // executable's host path. Nullopt for a process that has gone or cannot be inspected.
    static std::optional<std::wstring> ProgramOf(DWORD processId);
    // The same for this process, whose TAPWEAVE_IMAGE counts when it names the very file
    // this process runs (an inherited variable of another program does not).
    static std::wstring OwnProgram();

    // Whether the process runs a program below the device's fs/ folder or one of the build's
    // programs that the device's are; false for the desktop's programs and for a process that
    // has ended.
    static bool RunsDeviceProgram(DWORD processId);
    // Whether the process is provably one of the device's: still the one that started at the
    // recorded time, running a program below the device's fs/ folder or one of the build's
    // programs that the device's are, and neither the first process, this one nor its parent.
    static bool IsDeviceProcess(DWORD processId, unsigned long long startTime);

    // The process's start time, which with its identifier names it for good; nullopt for a
    // process that has gone.
    static std::optional<unsigned long long> StartTime(DWORD processId);
};

} // namespace platform
