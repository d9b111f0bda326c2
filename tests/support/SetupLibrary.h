// The setup library as the device's installer uses it: linked into the device at
// \Windows\Tapweave Setup.dll, loaded from there, its four hooks looked up by name. Each object
// loads it afresh (and unloads it), so its state starts as a freshly loaded library's.
#pragma once

#include <string>

#include "platform/setup.h"

class SetupLibrary {
  public:
    // binDir: the build's folder of programs and libraries. The device must be in place.
    explicit SetupLibrary(const std::string& binDir);
    ~SetupLibrary();
    SetupLibrary(const SetupLibrary&) = delete;
    SetupLibrary& operator=(const SetupLibrary&) = delete;

    bool Loaded() const { return module != nullptr; }

    pfnInstall_Init installInit = nullptr;
    pfnInstall_Exit installExit = nullptr;
    pfnUninstall_Init uninstallInit = nullptr;
    pfnUninstall_Exit uninstallExit = nullptr;

  private:
    void* module = nullptr;
};
