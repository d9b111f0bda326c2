#include "ResourceFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "ResourceFormat.h"

namespace platform {

namespace {

// No deliverable carries more than a few kilobytes of resources; a larger section is damaged.
constexpr std::uint64_t largestSection = 16u << 20;

// An open file, read at offsets with every range checked against its size.
class Reader {
  public:
    explicit Reader(const std::string& path)
        : descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)) {
        struct stat status {};
        if (descriptor >= 0 && ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
            size = static_cast<std::uint64_t>(status.st_size);
        }
    }
    ~Reader() {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool Read(std::uint64_t offset, void* buffer, std::uint64_t length) const {
        if (offset > size || length > size - offset) {
            return false;
        }
        auto* bytes = static_cast<char*>(buffer);
        while (length > 0) {
            const ssize_t result = ::pread(descriptor, bytes, length, static_cast<off_t>(offset));
            if (result < 0 && errno == EINTR) {
                continue;
            }
            if (result <= 0) {
                return false;
            }
            bytes += result;
            offset += static_cast<std::uint64_t>(result);
            length -= static_cast<std::uint64_t>(result);
        }
        return true;
    }

  private:
    int descriptor;
    std::uint64_t size = 0;
};

// The bytes of the named section of an ELF file of one class (32 or 64 bits).
template <typename Header, typename SectionHeader>
std::optional<std::vector<BYTE>> FindSection(const Reader& file, const char* name) {
    Header header{};
    if (!file.Read(0, &header, sizeof header) || header.e_shentsize != sizeof(SectionHeader) ||
        header.e_shoff == 0) {
        return std::nullopt;
    }
    // With many sections, the count and the names' section are kept in the first header.
    SectionHeader first{};
    if (!file.Read(header.e_shoff, &first, sizeof first)) {
        return std::nullopt;
    }
    const std::uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
    const std::uint64_t namesIndex =
        header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : first.sh_link;
    if (count == 0 || count > 0x10000 || namesIndex >= count) {
        return std::nullopt;
    }
    std::vector<SectionHeader> sections(count);
    if (!file.Read(header.e_shoff, sections.data(), count * sizeof(SectionHeader))) {
        return std::nullopt;
    }
    const SectionHeader& names = sections[namesIndex];
    if (names.sh_type != SHT_STRTAB || names.sh_size > largestSection) {
        return std::nullopt;
    }
    std::vector<char> nameBytes(names.sh_size + 1, '\0');
    if (!file.Read(names.sh_offset, nameBytes.data(), names.sh_size)) {
        return std::nullopt;
    }
    for (const SectionHeader& section : sections) {
        if (section.sh_name >= names.sh_size ||
            std::strcmp(nameBytes.data() + section.sh_name, name) != 0) {
            continue;
        }
        if (section.sh_type != SHT_PROGBITS || section.sh_size > largestSection) {
            return std::nullopt;
        }
        std::vector<BYTE> bytes(section.sh_size);
        if (!file.Read(section.sh_offset, bytes.data(), bytes.size())) {
            return std::nullopt;
        }
        return bytes;
    }
    return std::nullopt;
}

std::optional<std::vector<BYTE>> ResourceSection(const std::string& hostPath) {
    const Reader file(hostPath);
    unsigned char identity[EI_NIDENT] = {};
    if (!file.Read(0, identity, sizeof identity) || std::memcmp(identity, ELFMAG, SELFMAG) != 0 ||
        identity[EI_DATA] != ELFDATA2LSB) {
        return std::nullopt;
    }
    switch (identity[EI_CLASS]) {
    case ELFCLASS64:
        return FindSection<Elf64_Ehdr, Elf64_Shdr>(file, resourceSectionName);
    case ELFCLASS32:
        return FindSection<Elf32_Ehdr, Elf32_Shdr>(file, resourceSectionName);
    default:
        return std::nullopt;
    }
}

std::uint32_t Number(const std::vector<BYTE>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

bool IsPadding(const std::vector<BYTE>& bytes, std::size_t offset) {
    const std::size_t end = std::min(bytes.size(), offset + resourceAlignment);
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(end),
                       [](BYTE b) { return b == 0; });
}

// The entries of the table at offset; its size through size. nullopt when damaged.
std::optional<std::vector<ResourceFile::Resource>>
ParseTable(const std::vector<BYTE>& section, std::size_t offset, std::size_t& size) {
    const std::size_t room = section.size() - offset;
    if (room < resourceHeaderSize ||
        std::memcmp(section.data() + offset, resourceMarker, sizeof resourceMarker) != 0) {
        return std::nullopt;
    }
    const std::size_t count = Number(section, offset + 8);
    size = Number(section, offset + 12);
    if (size < resourceHeaderSize || size > room || size % resourceAlignment != 0 ||
        count > (size - resourceHeaderSize) / resourceEntrySize) {
        return std::nullopt;
    }
    std::vector<ResourceFile::Resource> resources;
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t entry = offset + resourceHeaderSize + index * resourceEntrySize;
        const std::size_t dataOffset = Number(section, entry + 8);
        const std::size_t dataSize = Number(section, entry + 12);
        if (dataOffset > size || dataSize > size - dataOffset) {
            return std::nullopt;
        }
        const auto begin = section.begin() + static_cast<std::ptrdiff_t>(offset + dataOffset);
        resources.push_back(
            {Number(section, entry), Number(section, entry + 4),
             std::vector<BYTE>(begin, begin + static_cast<std::ptrdiff_t>(dataSize))});
    }
    return resources;
}

} // namespace

std::optional<ResourceFile> ResourceFile::Load(const std::string& hostPath) {
    const std::optional<std::vector<BYTE>> section = ResourceSection(hostPath);
    if (!section) {
        return std::nullopt;
    }
    std::optional<std::vector<Resource>> resources = Parse(*section);
    if (!resources) {
        return std::nullopt;
    }
    return ResourceFile(std::move(*resources));
}

std::optional<std::vector<ResourceFile::Resource>>
ResourceFile::Parse(const std::vector<BYTE>& section) {
    std::vector<Resource> resources;
    for (std::size_t offset = 0; offset < section.size();) {
        if (IsPadding(section, offset)) {
            offset += resourceAlignment;
            continue;
        }
        std::size_t size = 0;
        std::optional<std::vector<Resource>> table = ParseTable(section, offset, size);
        if (!table) {
            return std::nullopt;
        }
        std::move(table->begin(), table->end(), std::back_inserter(resources));
        offset += size;
    }
    // The first of two resources of the same kind and number is the one found.
    std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        return a.type != b.type ? a.type < b.type : a.id < b.id;
    });
    resources.erase(std::unique(resources.begin(), resources.end(),
                                [](const Resource& a, const Resource& b) {
                                    return a.type == b.type && a.id == b.id;
                                }),
                    resources.end());
    return resources;
}

const ResourceFile::Resource* ResourceFile::Find(DWORD type, DWORD id) const {
    const auto found = std::find_if(resources.begin(), resources.end(), [&](const Resource& r) {
        return r.type == type && r.id == id;
    });
    return found == resources.end() ? nullptr : &*found;
}

const ResourceFile::Resource* ResourceFile::At(DWORD type, std::size_t index) const {
    for (const Resource& resource : resources) {
        if (resource.type == type && index-- == 0) {
            return &resource;
        }
    }
    return nullptr;
}

std::size_t ResourceFile::Count(DWORD type) const {
    return static_cast<std::size_t>(std::count_if(
        resources.begin(), resources.end(), [&](const Resource& r) { return r.type == type; }));
}

} // namespace platform
