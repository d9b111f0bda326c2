// Desktop windows made up by a test: the Today screen, program windows and the one in front.
// Records what is brought to the front and what is sent. In place while the object lives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows.h"

class FakeDesktop : public platform::Desktop {
  public:
    struct Message {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool operator==(const Message&) const = default;
    };

    FakeDesktop() { Set(this); }
    ~FakeDesktop() override { Set(nullptr); }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    static HWND Window(std::uintptr_t id) { return reinterpret_cast<HWND>(id); }

    // A window of a process running the program.
    HWND AddWindow(std::uintptr_t id, DWORD processId, const std::wstring& program) {
        owners[Window(id)] = processId;
        programs[processId] = program;
        return Window(id);
    }
    // The Today screen, as the shell's window "DesktopExplorerWindow" / "Desktop".
    HWND AddToday(std::uintptr_t id) {
        today = AddWindow(id, shellProcessId, L"\\Windows\\shell32.exe");
        return today;
    }

    HWND Foreground() override { return front; }
    HWND Find(const std::wstring* className, const std::wstring* title) override {
        const bool isToday =
            className && *className == L"DesktopExplorerWindow" && title && *title == L"Desktop";
        return isToday ? today : nullptr;
    }
    bool Activate(HWND hwnd) override {
        activated.push_back(hwnd);
        front = hwnd;
        return true;
    }
    bool Show(HWND, int) override { return true; }
    DWORD ProcessOf(HWND hwnd) override {
        const auto found = owners.find(hwnd);
        return found == owners.end() ? 0 : found->second;
    }
    std::optional<std::wstring> ProgramOf(DWORD processId) override {
        const auto found = programs.find(processId);
        if (found == programs.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        sent.push_back({hwnd, message, wParam, lParam});
        return 0;
    }

    HWND front = nullptr;
    HWND today = nullptr;
    std::map<HWND, DWORD> owners;
    std::map<DWORD, std::wstring> programs;
    std::vector<HWND> activated;
    std::vector<Message> sent;
};
