// Device paths to host paths below the device's fs/ folder.
//
// A device path's components are separated by backslashes or slashes, and every path starts at
// the device root whether or not it begins with a separator. "." is ignored and ".." goes up
// one component, never above the root. Each component is looked up in the folder resolved so
// far: the exact name when it exists, else an entry equal to it without regard to case, else
// the name as given (so that files can be created). The check that a path stays inside the
// device is lexical: links the installer puts into the device (a program linked to a build's
// binary) still open and run.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

class PathResolver {
  public:
    using Components = std::vector<std::wstring>;

    // The device's fs/ folder, created on first use.
    static std::string Root();

    // The components of a device path after "." and "..". nullopt, with ERROR_INVALID_NAME as
    // the last error, when a component holds a character a device file name cannot hold; with
    // wildcards, "*" and "?" are allowed in the last component.
    static std::optional<Components> Split(const std::wstring& devicePath, bool wildcards = false);

    // The host path of the components (the root for none). nullopt, with ERROR_INVALID_NAME as
    // the last error, when a name has no multibyte form.
    static std::optional<std::string> Resolve(const Components& components);
    static std::optional<std::string> Resolve(const std::wstring& devicePath);

    // The host names of the entries of a host folder that equal name without regard to case,
    // in byte order; empty when there are none or the folder cannot be read.
    static std::vector<std::string> EntriesNamed(const std::string& folder,
                                                 const std::wstring& name);
};

} // namespace platform
