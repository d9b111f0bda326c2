#include "platform/modules.h"

#include <cwchar>
#include <dlfcn.h>
#include <link.h>
#include <map>
#include <mutex>
#include <string>

#include "PathResolver.h"

namespace {

// A module's handle is its load address, the handle the library's own code finds for itself;
// the loader's handle for it is kept here, with the number of loads not yet freed.
struct LoadedModule {
    void* loaderHandle;
    int loads;
};

std::mutex& ModulesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<HMODULE, LoadedModule>& Loaded() {
    static std::map<HMODULE, LoadedModule> loaded;
    return loaded;
}

void* LoaderHandle(HMODULE module) {
    std::lock_guard lock(ModulesMutex());
    const auto found = Loaded().find(module);
    return found == Loaded().end() ? nullptr : found->second.loaderHandle;
}

} // namespace

HMODULE LoadLibraryW(LPCWSTR libraryPath) {
    if (!libraryPath || !*libraryPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::optional<std::string> host = platform::PathResolver::Resolve(libraryPath);
    if (!host) {
        return nullptr;
    }
    void* handle = dlopen(host->c_str(), RTLD_NOW | RTLD_LOCAL);
    link_map* map = nullptr;
    if (!handle || dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) {
        if (handle) {
            dlclose(handle);
        }
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const auto module = reinterpret_cast<HMODULE>(map->l_addr);
    std::lock_guard lock(ModulesMutex());
    auto [entry, added] = Loaded().try_emplace(module, LoadedModule{handle, 0});
    ++entry->second.loads;
    return module;
}

void* GetProcAddressW(HMODULE module, const char* procName) {
    void* handle = LoaderHandle(module);
    if (!handle || !procName) {
        SetLastError(handle ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* address = dlsym(handle, procName);
    if (!address) {
        SetLastError(ERROR_PROC_NOT_FOUND);
    }
    return address;
}

void* GetProcAddressW(HMODULE module, LPCWSTR procName) {
    if (!procName) {
        return GetProcAddressW(module, static_cast<const char*>(nullptr));
    }
    // Export names are plain ASCII; any other character names no export.
    std::string name;
    for (const wchar_t* c = procName; *c; ++c) {
        if (*c <= 0 || *c > 0x7f) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        name += static_cast<char>(*c);
    }
    return GetProcAddressW(module, name.c_str());
}

BOOL FreeLibrary(HMODULE module) {
    void* handle = nullptr;
    {
        std::lock_guard lock(ModulesMutex());
        const auto found = Loaded().find(module);
        if (found == Loaded().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        handle = found->second.loaderHandle;
        if (--found->second.loads == 0) {
            Loaded().erase(found);
        }
    }
    dlclose(handle);
    return TRUE;
}
