// A fresh device in a temporary directory for one test: TAPWEAVE_DEVICE points at it while
// the object lives, and the platform forgets the previous device.
#pragma once

#include <string>

class TempDevice {
  public:
    TempDevice();
    ~TempDevice();
    TempDevice(const TempDevice&) = delete;
    TempDevice& operator=(const TempDevice&) = delete;

    const std::string& Directory() const { return directory; }
    // The host path of a file below fs/, from a path with forward slashes ("Windows/a.txt").
    std::string Host(const std::string& relative) const;
    // Writes a file below fs/, creating its folders.
    void Write(const std::string& relative, const std::string& content) const;
    // The whole content of a file below fs/; empty when missing.
    std::string Read(const std::string& relative) const;

  private:
    std::string directory;
    std::string previous;
    bool hadPrevious;
};
