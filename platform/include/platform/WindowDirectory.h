// The device's window directory: every top-level window of every process on the device, in
// <device>/run/windows/, one file per window named by its handle (eight hex digits):
//
//   <pid> <process start> <thread> <visible 0|1> <left> <top> <right> <bottom> <raised>
//   <class>
//   <title>
//
// (UTF-8; backslash, line feed and carriage return written as \\, \n and \r). <process start>
// is the process's start time from /proc, so an entry of an ended process whose identifier has
// been handed out again is recognised; such entries are skipped and removed by whoever meets
// them. <raised> orders the windows: the most recently raised is in front.
//
// Window handles are numbered device-wide from <device>/run/window-counter under flock, below
// 2^32; the device's front window is recorded in <device>/run/foreground-window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/gui.h"

namespace platform {

class WindowDirectory {
  public:
    struct Entry {
        HWND hwnd = nullptr;
        DWORD processId = 0;
        // The process's start time, as its entry records it (Put writes this process's own).
        unsigned long long startTime = 0;
        DWORD threadId = 0;
        bool visible = false;
        RECT rect{};
        unsigned long long raised = 0;
        std::wstring className;
        std::wstring title;
    };

    // A handle no process on the device has had since the counter last went round; null when
    // the device's run directory cannot be used.
    static HWND NewHandle();
    // A stamp for Entry::raised, later than every earlier one on this machine.
    static unsigned long long Stamp();

    // Enters or updates a window of this process.
    static void Put(const Entry& entry);
    static void Remove(HWND hwnd);
    // The entry of a window of a running process.
    static std::optional<Entry> Get(HWND hwnd);
    // The windows of running processes, in front-to-back order.
    static std::vector<Entry> List();

    // The recorded front window (null for none); the caller checks it still exists.
    static HWND Foreground();
    static void SetForeground(HWND hwnd);

    // Whether the process is the one that started at the recorded time.
    static bool ProcessRunning(DWORD processId, unsigned long long startTime);
    // This process's start time, as entries record it.
    static unsigned long long OwnStartTime();
};

} // namespace platform
