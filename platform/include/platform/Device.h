// The device: a directory holding fs/ (the device's files), registry.db and run/.
#pragma once

#include <string>

namespace platform {

class Device {
  public:
    // TAPWEAVE_DEVICE, else $XDG_DATA_HOME/tapweave/device, else ~/.local/share/tapweave/device.
    static std::string Directory();
    // <device>/fs, <device>/run, <device>/registry.db.
    static std::string FileSystemRoot();
    static std::string RunDirectory();
    static std::string RegistryFile();
    // The folder of the build outputs that the device's programs are (links to); empty when
    // it cannot be told.
    static std::string ProgramFolder();
    // Creates the device's folders on first use; every program calls it through the functions
    // that touch the device, so calling it is never required. Returns false when the device
    // directory cannot be created.
    static bool Initialise();
    // Forgets the cached directory, registry connection and backends, so that the next call
    // reads TAPWEAVE_DEVICE anew. For tests that make a fresh device.
    static void Reset();
};

} // namespace platform
