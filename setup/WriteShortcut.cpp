#include "WriteShortcut.h"

#include <cstdlib>

#include "platform/files.h"

namespace {

// The installation directory in the device's multibyte code page, as the installer gave it: at
// most MAX_PATH - 1 bytes, empty when it has no multibyte form.
std::string InstallDirText(const std::wstring& installDir) {
    char buffer[MAX_PATH] = {};
    const std::size_t length = std::wcstombs(buffer, installDir.c_str(), MAX_PATH - 1);
    return length == static_cast<std::size_t>(-1) ? std::string() : std::string(buffer, length);
}

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (const wchar_t character : text) {
        const auto c = static_cast<char32_t>(character);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
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
    const std::string body = "#\"" + InstallDirText(installDir) + "\\Player.exe\" \"" + Utf8(name) +
                             "\" ?\\windows\\Tapweave Setup.dll," + std::to_string(iconIndex);
    const std::string text = std::to_string(body.size()) + body;
    DWORD written = 0;
    const bool wrote =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(file);
    return wrote ? 0 : 1;
}
