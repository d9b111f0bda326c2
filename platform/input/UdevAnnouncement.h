// The moment new input devices can be used: udev has announced them to the desktop, and the
// desktop has had its moment to open them. Events written to a device before its reader has
// it open reach nobody, and a reader that misses a press also drops its release.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace platform {

class UdevAnnouncement {
  public:
    // How long udev may take to announce the devices, and how long the desktop is given to
    // open them once announced when no opening is seen sooner.
    static constexpr auto announceLimit = std::chrono::seconds(2);
    static constexpr auto settleLimit = std::chrono::milliseconds(100);

    // Watches the device nodes (/dev/input/eventN) from now on; udevRun is udev's own folder,
    // with its control socket and its database of the devices it has announced.
    explicit UdevAnnouncement(const std::vector<std::string>& nodes,
                              std::string udevRun = "/run/udev");
    ~UdevAnnouncement();
    UdevAnnouncement(const UdevAnnouncement&) = delete;
    UdevAnnouncement& operator=(const UdevAnnouncement&) = delete;

    // Returns once udev has recorded every node in its database, which it does just before it
    // tells its listeners, and then a node has been opened or settleLimit has passed. Without
    // a running udev only the settle is waited. False with a message in error when udev has
    // not announced them within announceLimit.
    bool Wait(std::string& error);

  private:
    // Reads what the watch has seen; whether a node was opened.
    bool Opened();
    // Whether udev's database lacks one of the nodes.
    bool Missing() const;

    // udev's database entries of the nodes.
    std::vector<std::string> entries;
    std::string udevRun;
    int watch;
};

} // namespace platform
