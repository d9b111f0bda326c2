// The window layer as the desktop sees it (platform::DeviceWindows): the device's own windows,
// of this process and of every other process on the device, found through the window directory
// and reached through the process channel. Put in place when the platform library loads.
#pragma once

#include "ProcessChannel.h"
#include "platform/DeviceWindows.h"

namespace platform {

class DeviceWindowService : public DeviceWindows {
  public:
    static DeviceWindowService& Instance();

    // Front-to-back, the first window whose class and title match exactly.
    HWND Find(const std::wstring* className, const std::wstring* title) override;
    bool Activate(HWND hwnd) override;
    bool Show(HWND hwnd, int command) override;
    DWORD ProcessOf(HWND hwnd) override;
    // Another process's window gets integer parameters only, and gives up after the channel's
    // timeout (0 then).
    LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND Foreground() override;
    void Deactivate() override;

    // Makes this process reachable on the process channel (its first top-level window).
    static void Serve();

  private:
    DeviceWindowService() = default;
    static ProcessChannel::Reply Answer(const ProcessChannel::Request& request);
};

} // namespace platform
