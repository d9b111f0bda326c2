// The window classes of the process: those the program registers and the system's own
// ("Dialog", "STATIC", "menu_worker", "SysListView32" and the "Edit" of its label editor). Class
// names compare without regard to case.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "WindowClass.h"

namespace platform {

class WindowClasses {
  public:
    static WindowClasses& Instance();

    // False when the name is taken.
    bool Register(const WindowClass& windowClass);
    // A predefined class cannot be unregistered; the caller checks that no window uses it.
    bool Unregister(const std::wstring& name);
    std::shared_ptr<const WindowClass> Find(const std::wstring& name) const;

    // The system's own classes; the dialog class's procedure runs dialog procedures.
    static constexpr const wchar_t* dialogClass = L"Dialog";
    static constexpr const wchar_t* staticClass = L"STATIC";
    static constexpr const wchar_t* menuBarClass = L"menu_worker";
    static constexpr const wchar_t* listViewClass = L"SysListView32";

  private:
    WindowClasses();

    mutable std::mutex mutex;
    std::vector<std::shared_ptr<const WindowClass>> classes;
};

} // namespace platform
