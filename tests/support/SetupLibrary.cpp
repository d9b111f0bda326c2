#include "SetupLibrary.h"

#include <dlfcn.h>
#include <filesystem>

#include "platform/files.h"

SetupLibrary::SetupLibrary(const std::string& binDir) {
    const std::wstring devicePath = L"\\Windows\\Tapweave Setup.dll";
    const std::filesystem::path host = platform::HostPath(devicePath);
    std::error_code error;
    std::filesystem::create_directories(host.parent_path(), error);
    std::filesystem::remove(host, error);
    std::filesystem::create_symlink(binDir + "/libtapweave-setup.so", host, error);
    module = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        return;
    }
    installInit = reinterpret_cast<pfnInstall_Init>(dlsym(module, "Install_Init"));
    installExit = reinterpret_cast<pfnInstall_Exit>(dlsym(module, "Install_Exit"));
    uninstallInit = reinterpret_cast<pfnUninstall_Init>(dlsym(module, "Uninstall_Init"));
    uninstallExit = reinterpret_cast<pfnUninstall_Exit>(dlsym(module, "Uninstall_Exit"));
}

SetupLibrary::~SetupLibrary() {
    if (module) {
        dlclose(module);
    }
}
