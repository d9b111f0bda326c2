#include "platform/Device.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <sys/auxv.h>
#include <system_error>

#include "DeviceReset.h"

namespace platform {

namespace {

std::mutex& DeviceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& CachedDirectory() {
    static std::string directory;
    return directory;
}

bool& Initialised() {
    static bool initialised = false;
    return initialised;
}

std::string ChooseDirectory() {
    if (const char* device = std::getenv("TAPWEAVE_DEVICE"); device && *device) {
        return device;
    }
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        return std::string(data) + "/tapweave/device";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/tapweave/device";
}

// The folders every Pocket PC has.
constexpr const char* baseFolders[] = {"Windows", "Windows/Start Menu/Programs", "Program Files",
                                       "My Documents"};

// The device's own programs and files in \Windows, and the build outputs beside this library
// that stand for them.
struct BaseFile {
    const char* devicePath;
    const char* besideLibrary;
};
constexpr BaseFile baseFiles[] = {
    {"Windows/peghelp.exe", "tapweave-help"},
    {"Windows/Tapweave Help.htm", "Tapweave Help.htm"},
    {"Windows/touch.dll", "libtapweave-touch.so"},
};

// Links each base file the device lacks to its build output. A file the user or the installer
// put there is kept.
void PlaceBaseFiles(const std::string& fileSystemRoot) {
    namespace fs = std::filesystem;
    const std::string folder = Device::ProgramFolder();
    if (folder.empty()) {
        return;
    }
    for (const BaseFile& file : baseFiles) {
        const fs::path target = fs::path(folder) / file.besideLibrary;
        const fs::path link = fs::path(fileSystemRoot) / file.devicePath;
        std::error_code error;
        if (fs::exists(target, error) && !fs::exists(fs::symlink_status(link, error))) {
            fs::create_symlink(fs::absolute(target, error), link, error);
        }
    }
}

} // namespace

std::string Device::Directory() {
    std::lock_guard lock(DeviceMutex());
    if (CachedDirectory().empty()) {
        CachedDirectory() = ChooseDirectory();
    }
    return CachedDirectory();
}

std::string Device::FileSystemRoot() {
    return Directory() + "/fs";
}
std::string Device::RunDirectory() {
    return Directory() + "/run";
}
std::string Device::RegistryFile() {
    return Directory() + "/registry.db";
}

// The build puts the programs beside this library, or beside the program that has it built in.
// The dynamic linker names a program by the argv[0] it was started with, so its own file is
// taken from the kernel instead.
std::string Device::ProgramFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&Device::ProgramFolder), &info) || !info.dli_fname) {
        return {};
    }
    Dl_info program{};
    std::error_code error;
    const std::filesystem::path file =
        dladdr(reinterpret_cast<void*>(getauxval(AT_PHDR)), &program) &&
                program.dli_fbase == info.dli_fbase
            ? std::filesystem::read_symlink("/proc/self/exe", error)
            : std::filesystem::path(info.dli_fname);
    return file.parent_path().string();
}

bool Device::Initialise() {
    const std::string directory = Directory();
    std::lock_guard lock(DeviceMutex());
    if (Initialised()) {
        return true;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(directory + "/run", error);
    for (const char* folder : baseFolders) {
        fs::create_directories(directory + "/fs/" + folder, error);
    }
    Initialised() = fs::is_directory(directory + "/fs/Windows", error);
    if (Initialised()) {
        PlaceBaseFiles(directory + "/fs");
    }
    return Initialised();
}

void Device::Reset() {
    DeviceReset::ForgetAll();
    std::lock_guard lock(DeviceMutex());
    CachedDirectory().clear();
    Initialised() = false;
}

} // namespace platform
