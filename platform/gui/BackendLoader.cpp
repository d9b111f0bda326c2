#include "BackendLoader.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace platform {

namespace {

bool WantQt() {
    const char* choice = std::getenv("TAPWEAVE_GUI");
    if (choice && *choice) {
        const std::string wanted = choice;
        if (wanted == "qt") {
            return true;
        }
        if (wanted != "headless") {
            std::fprintf(stderr,
                         "tapweave: TAPWEAVE_GUI=%s is neither qt nor headless; windows are "
                         "not shown\n",
                         choice);
        }
        return false;
    }
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

// The library beside this one (the build's bin/ or the device's installation), else whatever
// the dynamic loader finds by name.
void* OpenLibrary(std::string& error) {
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&BackendLoader::Load), &self) && self.dli_fname) {
        std::string beside = self.dli_fname;
        const std::size_t slash = beside.rfind('/');
        beside = (slash == std::string::npos ? std::string() : beside.substr(0, slash + 1)) +
                 BackendLoader::libraryName;
        if (void* library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return library;
        }
    }
    void* library = dlopen(BackendLoader::libraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        error = reason ? reason : "not found";
    }
    return library;
}

} // namespace

GuiBackend* BackendLoader::Load() {
    if (!WantQt()) {
        return nullptr;
    }
    std::string error;
    void* library = OpenLibrary(error);
    if (library) {
        using Create = GuiBackend* (*)();
        auto create = reinterpret_cast<Create>(dlsym(library, entryPoint));
        if (!create) {
            error = std::string("no ") + entryPoint;
        } else if (GuiBackend* backend = create()) {
            return backend;
        } else {
            error = "it cannot open the display";
        }
    }
    std::fprintf(stderr, "tapweave: windows are not shown: cannot use %s (%s)\n", libraryName,
                 error.c_str());
    return nullptr;
}

} // namespace platform
