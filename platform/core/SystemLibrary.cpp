#include "SystemLibrary.h"

#include <cstdio>
#include <dlfcn.h>

namespace platform {

SystemLibrary::SystemLibrary(const char* fileName)
    : handle(dlopen(fileName, RTLD_LAZY | RTLD_LOCAL)) {
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : std::string(fileName) + " cannot be loaded";
    }
}

void* SystemLibrary::Symbol(const char* name) {
    if (!handle) {
        return nullptr;
    }
    void* symbol = dlsym(handle, name);
    if (!symbol && error.empty()) {
        error = std::string("no ") + name;
    }
    return symbol;
}

bool SystemLibrary::Usable(const char* user) const {
    if (error.empty()) {
        return true;
    }
    std::fprintf(stderr, "tapweave: %s cannot work: %s\n", user, error.c_str());
    return false;
}

} // namespace platform
