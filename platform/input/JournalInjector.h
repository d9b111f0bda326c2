// The dry-run backend: every injection becomes one line of text, so that tools and tests can
// read what a program would have done to the screen.
#pragma once

#include <memory>
#include <string>

#include "platform/Injector.h"

namespace platform {

class JournalInjector : public Injector {
  public:
    // Appends to the file at path, creating it and its folder; "-" is standard output.
    // Null with a message in error when the file cannot be opened.
    static std::unique_ptr<JournalInjector> Open(const std::string& path, std::string& error);
    // Writes to a descriptor the caller keeps open (standard output or standard error).
    explicit JournalInjector(int fd);
    ~JournalInjector() override;
    JournalInjector(const JournalInjector&) = delete;
    JournalInjector& operator=(const JournalInjector&) = delete;

    void Mouse(DWORD flags, LONG dx, LONG dy) override;
    void Key(BYTE vk, DWORD flags) override;

    // The lines as they are written, with their line feed.
    static std::string MouseLine(DWORD flags, LONG dx, LONG dy, std::int64_t micros);
    static std::string KeyLine(BYTE vk, DWORD flags, std::int64_t micros);

  private:
    JournalInjector(int fd, bool owned);
    void Append(const std::string& line);

    int fd;
    bool owned;
};

} // namespace platform
