// Icons and bitmaps from the resources inside a module's or a program's file.
#include <cstdint>
#include <optional>
#include <vector>

#include "Bitmap.h"
#include "HandleTable.h"
#include "Icon.h"
#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/gui.h"
#include "platform/resources.h"

using platform::Bitmap;
using platform::HandleTable;
using platform::Icon;

namespace {

using Bytes = std::vector<BYTE>;

// Larger images are taken for damaged data.
constexpr std::uint32_t maxIconSize = 256;
constexpr std::uint32_t maxBitmapSize = 4096;
constexpr int smallIconSize = 16;

// The .bmp headers: the file header, then the information header.
constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t infoHeaderSize = 40;
constexpr std::uint32_t uncompressed = 0;

std::uint32_t Number(const Bytes& bytes, std::size_t offset, std::size_t size = 4) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i) {
        value = value << 8 | bytes[offset + i - 1];
    }
    return value;
}

// An icon resource: its width and height, then its red, green, blue and alpha bytes, rows
// top-down.
std::unique_ptr<Icon> ReadIcon(const Bytes& data) {
    if (data.size() < 8) {
        return nullptr;
    }
    const std::uint32_t width = Number(data, 0);
    const std::uint32_t height = Number(data, 4);
    if (width == 0 || height == 0 || width > maxIconSize || height > maxIconSize ||
        data.size() != 8 + std::size_t{width} * height * 4) {
        return nullptr;
    }
    std::vector<std::uint32_t> pixels(std::size_t{width} * height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const BYTE* rgba = &data[8 + i * 4];
        pixels[i] = std::uint32_t{rgba[3]} << 24 | std::uint32_t{rgba[0]} << 16 |
                    std::uint32_t{rgba[1]} << 8 | rgba[2];
    }
    return std::make_unique<Icon>(static_cast<int>(width), static_cast<int>(height),
                                  std::move(pixels));
}

// A 24-bit uncompressed .bmp, rows bottom-up (a negative height: top-down), each padded to a
// multiple of 4 bytes.
std::unique_ptr<Bitmap> ReadBitmap(const Bytes& data) {
    if (data.size() < fileHeaderSize + infoHeaderSize || data[0] != 'B' || data[1] != 'M' ||
        Number(data, fileHeaderSize) < infoHeaderSize) {
        return nullptr;
    }
    const auto width = static_cast<std::int32_t>(Number(data, 18));
    const auto height = static_cast<std::int32_t>(Number(data, 22));
    const bool topDown = height < 0;
    const std::uint32_t rows =
        topDown ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
    if (width <= 0 || static_cast<std::uint32_t>(width) > maxBitmapSize || rows == 0 ||
        rows > maxBitmapSize || Number(data, 26, 2) != 1 || Number(data, 28, 2) != 24 ||
        Number(data, 30) != uncompressed) {
        return nullptr;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t offset = Number(data, 10);
    if (offset > data.size() || (data.size() - offset) / stride < rows) {
        return nullptr;
    }
    auto bitmap = std::make_unique<Bitmap>(width, static_cast<int>(rows), 24);
    for (std::uint32_t row = 0; row < rows; ++row) {
        const std::uint32_t y = topDown ? row : rows - 1 - row;
        const BYTE* bgr = &data[offset + row * stride];
        for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
            bitmap->Pixels()->Set(x, static_cast<int>(y),
                                  std::uint32_t{bgr[2]} << 16 | std::uint32_t{bgr[1]} << 8 |
                                      bgr[0]);
        }
    }
    return bitmap;
}

// A resource number given as MAKEINTRESOURCEW; nullopt for a name.
std::optional<DWORD> NumberOf(LPCWSTR name) {
    const auto value = reinterpret_cast<std::uintptr_t>(name);
    if (value == 0 || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<DWORD>(value);
}

std::optional<Bytes> Load(HINSTANCE instance, LPCWSTR name, DWORD type) {
    const std::optional<DWORD> id = NumberOf(name);
    const std::string file = platform::ModuleFile(instance);
    std::optional<Bytes> data;
    if (id && !file.empty()) {
        data = platform::ReadResource(file, type, *id);
    }
    if (!data) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    return data;
}

HICON Handle(std::unique_ptr<Icon> icon) {
    return static_cast<HICON>(HandleTable::Add(std::move(icon)));
}

} // namespace

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    const std::optional<Bytes> data = Load(instance, name, RT_GROUP_ICON);
    std::unique_ptr<Icon> icon = data ? ReadIcon(*data) : nullptr;
    if (!icon) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return Handle(std::move(icon));
}

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
    const std::optional<Bytes> data = Load(instance, name, RT_BITMAP);
    std::unique_ptr<Bitmap> bitmap = data ? ReadBitmap(*data) : nullptr;
    if (!bitmap) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HBITMAP>(HandleTable::Add(std::move(bitmap)));
}

UINT ExtractIconExW(LPCWSTR file, int index, HICON* large, HICON* small, UINT count) {
    const std::string hostPath = file ? platform::HostPath(file) : std::string();
    if (hostPath.empty()) {
        return 0;
    }
    if (index == -1 && !large && !small) {
        return static_cast<UINT>(platform::ResourceCount(hostPath, RT_GROUP_ICON));
    }
    // A negative index names one icon by its number.
    if (index < 0) {
        count = std::min(count, 1u);
    }
    UINT extracted = 0;
    for (; extracted < count; ++extracted) {
        const std::optional<Bytes> data =
            index < 0 ? platform::ReadResource(hostPath, RT_GROUP_ICON,
                                               static_cast<DWORD>(-static_cast<long long>(index)))
                      : platform::ReadResourceAt(hostPath, RT_GROUP_ICON,
                                                 static_cast<std::size_t>(index) + extracted);
        std::unique_ptr<Icon> icon = data ? ReadIcon(*data) : nullptr;
        if (!icon) {
            break;
        }
        if (small) {
            small[extracted] = Handle(std::make_unique<Icon>(
                smallIconSize, smallIconSize, icon->Scaled(smallIconSize, smallIconSize)));
        }
        if (large) {
            large[extracted] = Handle(std::move(icon));
        }
    }
    return extracted;
}
