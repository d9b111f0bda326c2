#include "WriteShortcut.h"

#include <cstdlib>

#include "platform/files.h"
#include "platform/text.h"

namespace {

// The installation directory in the device's multibyte code page, as the installer gave it: at
// most MAX_PATH - 1 bytes, empty when it has no multibyte form.
std::string InstallDirText(const std::wstring& installDir) {
    char buffer[MAX_PATH] = {};
    const std::size_t length = std::wcstombs(buffer, installDir.c_str(), MAX_PATH - 1);
    return length == static_cast<std::size_t>(-1) ? std::string() : std::string(buffer, length);
}

} // namespace

int WriteShortcut(const std::wstring& installDir, const std::wstring& folder,
                  const std::wstring& name, int iconIndex) {
    const std::wstring path = folder + name + L".lnk";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    const std::string body = "#\"" + InstallDirText(installDir) + "\\Player.exe\" \"" +
                             platform::Utf8(name) + "\" ?\\windows\\Tapweave Setup.dll," +
                             std::to_string(iconIndex);
    const std::string text = std::to_string(body.size()) + body;
    DWORD written = 0;
    const bool wrote =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(file);
    return wrote ? 0 : 1;
}
