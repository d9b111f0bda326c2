#include "TempDevice.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "FileContent.h"
#include "platform/Device.h"

TempDevice::TempDevice() {
    const char* old = std::getenv("TAPWEAVE_DEVICE");
    hadPrevious = old != nullptr;
    previous = old ? old : "";
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tapweave-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary device");
    }
    directory = pattern;
    setenv("TAPWEAVE_DEVICE", directory.c_str(), 1);
    platform::Device::Reset();
    platform::Device::Initialise();
}

TempDevice::~TempDevice() {
    platform::Device::Reset();
    std::error_code error;
    std::filesystem::remove_all(directory, error);
    if (hadPrevious) {
        setenv("TAPWEAVE_DEVICE", previous.c_str(), 1);
    } else {
        unsetenv("TAPWEAVE_DEVICE");
    }
}

std::string TempDevice::Host(const std::string& relative) const {
    return directory + "/fs/" + relative;
}

void TempDevice::Write(const std::string& relative, const std::string& content) const {
    std::filesystem::path path = Host(relative);
    std::filesystem::create_directories(path.parent_path());
    // A base file of the device is a link to a build output, which must never be written over.
    if (std::filesystem::is_symlink(path)) {
        std::filesystem::remove(path);
    }
    std::ofstream(path, std::ios::binary) << content;
}

std::string TempDevice::Read(const std::string& relative) const {
    return FileContent(Host(relative));
}
