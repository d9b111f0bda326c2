// The resources of one program or library file on disk: its ".tapweave.rsrc" ELF section, found
// through the file's section headers and read as ResourceFormat.h describes. Every offset and
// size is checked against the file, so a damaged or foreign file gives no resources rather than
// a fault.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace platform {

class ResourceFile {
  public:
    struct Resource {
        DWORD type;
        DWORD id;
        std::vector<BYTE> data;
    };

    // nullopt when the file cannot be read, is not an ELF file or has no resource section, or
    // when the section is damaged.
    static std::optional<ResourceFile> Load(const std::string& hostPath);
    // The resources of a section's bytes, ordered by kind, then number; nullopt when damaged.
    static std::optional<std::vector<Resource>> Parse(const std::vector<BYTE>& section);

    const Resource* Find(DWORD type, DWORD id) const;
    const Resource* At(DWORD type, std::size_t index) const;
    std::size_t Count(DWORD type) const;

  private:
    explicit ResourceFile(std::vector<Resource> resources) : resources(std::move(resources)) {}

    std::vector<Resource> resources;
};

} // namespace platform
