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
#include <string_view>
#include <utility>
#include <vector>

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

    // Whether the text is a process identifier as the run directory's names spell it: decimal
    // digits only.
    static bool IsProcessId(std::string_view text);
    // A process as an entry of the run directory names it: identifier and start time.
    using Entry = std::pair<DWORD, unsigned long long>;
    // Enters the process in a folder of the run directory: a file named by its identifier that
    // holds its start time on a line, then more. The entry's file; empty when it could not be
    // written.
    static std::string Enter(const std::string& folderName, DWORD processId,
                             const std::string& more);
    // The entries of a folder of the run directory ("processes", "playback"): files named by a
    // process identifier whose text starts with the process's start time.
    static std::vector<Entry> Entries(const std::string& folderName);
    // Sends the signal to an entered process when it is provably one of the device's
    // (IsDeviceProcess). The process is held by a descriptor before it is examined, so that the
    // signal reaches the process examined and never one that took over its identifier since.
    // The descriptor, readable once the process has ended, for the caller to close; -1 when
    // nothing was sent.
    static int Signal(const Entry& process, int signal);
};

} // namespace platform
