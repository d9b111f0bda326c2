// Modules and the resources inside their files.
#include "platform/resources.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include "ResourceFile.h"
#include "platform/gui.h"

namespace platform {

namespace {

// Where the program's own file is mapped: its lowest loaded segment, page by page, as the
// dynamic linker reports a module's base.
std::uintptr_t ProgramBase() {
    std::uintptr_t base = 0;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            // The program is the first module and the only one without a name.
            if (info->dlpi_name && *info->dlpi_name) {
                return 0;
            }
            std::uintptr_t lowest = UINTPTR_MAX;
            for (ElfW(Half) index = 0; index < info->dlpi_phnum; ++index) {
                if (info->dlpi_phdr[index].p_type == PT_LOAD) {
                    lowest = std::min<std::uintptr_t>(lowest, info->dlpi_phdr[index].p_vaddr);
                }
            }
            const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
            *static_cast<std::uintptr_t*>(data) = (info->dlpi_addr + lowest) & ~(page - 1);
            return 1;
        },
        &base);
    return base;
}

} // namespace

std::string ModuleFile(HMODULE module) {
    if (!module || module == GetModuleHandleW(nullptr)) {
        return "/proc/self/exe";
    }
    Dl_info info{};
    if (!dladdr(module, &info) || info.dli_fbase != module || !info.dli_fname) {
        return {};
    }
    if (reinterpret_cast<std::uintptr_t>(info.dli_fbase) == ProgramBase()) {
        return "/proc/self/exe";
    }
    return info.dli_fname;
}

HMODULE ModuleOf(const void* address) {
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fbase) {
        return nullptr;
    }
    if (reinterpret_cast<std::uintptr_t>(info.dli_fbase) == ProgramBase()) {
        return GetModuleHandleW(nullptr);
    }
    return static_cast<HMODULE>(info.dli_fbase);
}

std::optional<std::vector<BYTE>> ReadResource(const std::string& file, DWORD type, DWORD id) {
    const std::optional<ResourceFile> resources = ResourceFile::Load(file);
    const ResourceFile::Resource* resource = resources ? resources->Find(type, id) : nullptr;
    return resource ? std::optional<std::vector<BYTE>>(resource->data) : std::nullopt;
}

std::optional<std::vector<BYTE>> ReadResourceAt(const std::string& file, DWORD type,
                                                std::size_t index) {
    const std::optional<ResourceFile> resources = ResourceFile::Load(file);
    const ResourceFile::Resource* resource = resources ? resources->At(type, index) : nullptr;
    return resource ? std::optional<std::vector<BYTE>>(resource->data) : std::nullopt;
}

std::size_t ResourceCount(const std::string& file, DWORD type) {
    const std::optional<ResourceFile> resources = ResourceFile::Load(file);
    return resources ? resources->Count(type) : 0;
}

} // namespace platform
