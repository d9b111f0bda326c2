#include <atomic>

#include "platform/windows.h"

namespace platform {

namespace {

// No display: no windows, so there is nothing in front and nothing to find.
class NoDesktop : public Desktop {
  public:
    HWND Foreground() override { return nullptr; }
    HWND Find(const std::wstring*, const std::wstring*) override { return nullptr; }
    bool Activate(HWND) override { return false; }
    bool Show(HWND, int) override { return false; }
    DWORD ProcessOf(HWND) override { return 0; }
    std::optional<std::wstring> ProgramOf(DWORD) override { return std::nullopt; }
    LRESULT Send(HWND, UINT, WPARAM, LPARAM) override { return 0; }
};

std::atomic<Desktop*>& Override() {
    static std::atomic<Desktop*> desktop{nullptr};
    return desktop;
}

} // namespace

Desktop& Desktop::Current() {
    if (Desktop* desktop = Override().load(std::memory_order_acquire)) {
        return *desktop;
    }
    static NoDesktop real;
    return real;
}

void Desktop::Set(Desktop* desktop) {
    Override().store(desktop, std::memory_order_release);
}

} // namespace platform
