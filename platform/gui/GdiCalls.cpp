// The GDI calls: fonts, brushes, bitmaps and device contexts, all behind the handle table.
#include <array>
#include <cstring>
#include <memory>

#include "Bitmap.h"
#include "Brush.h"
#include "DeviceContext.h"
#include "Font.h"
#include "HandleTable.h"
#include "platform/gdi.h"

using platform::Bitmap;
using platform::Brush;
using platform::DeviceContext;
using platform::Font;
using platform::GdiObject;
using platform::HandleTable;
using platform::PixelBuffer;

namespace {

// Larger bitmaps are refused rather than risking the process's memory: 16 million pixels is
// far more than any screen the system runs on.
constexpr long long maxBitmapPixels = 16LL * 1024 * 1024;

constexpr int stockCount = SYSTEM_FONT + 1;

HGDIOBJ MakeStock(std::unique_ptr<GdiObject> object) {
    object->MakeStock();
    return HandleTable::Add(std::move(object));
}

std::array<HGDIOBJ, stockCount> MakeStockObjects() {
    std::array<HGDIOBJ, stockCount> objects{};
    objects[WHITE_BRUSH] = MakeStock(std::make_unique<Brush>(RGB(255, 255, 255)));
    objects[LTGRAY_BRUSH] = MakeStock(std::make_unique<Brush>(RGB(192, 192, 192)));
    objects[GRAY_BRUSH] = MakeStock(std::make_unique<Brush>(RGB(128, 128, 128)));
    objects[DKGRAY_BRUSH] = MakeStock(std::make_unique<Brush>(RGB(64, 64, 64)));
    objects[BLACK_BRUSH] = MakeStock(std::make_unique<Brush>(RGB(0, 0, 0)));
    objects[NULL_BRUSH] = MakeStock(std::make_unique<Brush>(std::nullopt));
    // The device's system font: Tahoma, 13 pixels, regular.
    LOGFONTW system{};
    system.lfHeight = 13;
    system.lfWeight = FW_NORMAL;
    std::wcscpy(system.lfFaceName, L"Tahoma");
    objects[SYSTEM_FONT] = MakeStock(std::make_unique<Font>(system));
    return objects;
}

DeviceContext* Context(HDC dc) {
    return HandleTable::Get<DeviceContext>(dc);
}

} // namespace

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (!font) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTW copy = *font;
    // A face name without its terminator is cut to fit.
    copy.lfFaceName[LF_FACESIZE - 1] = L'\0';
    return static_cast<HFONT>(HandleTable::Add(std::make_unique<Font>(copy)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(HandleTable::Add(std::make_unique<Brush>(color & 0x00FFFFFFu)));
}

BOOL DeleteObject(HGDIOBJ object) {
    const auto* found = HandleTable::Get<GdiObject>(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->IsStock()) {
        return TRUE;
    }
    if (const auto* bitmap = dynamic_cast<const Bitmap*>(found); bitmap && bitmap->IsSelected()) {
        return FALSE;
    }
    return HandleTable::Close(object) ? TRUE : FALSE;
}

HGDIOBJ GetStockObject(int index) {
    static const std::array<HGDIOBJ, stockCount> objects = MakeStockObjects();
    if (index < 0 || index >= stockCount) {
        return nullptr;
    }
    return objects[static_cast<std::size_t>(index)];
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    const auto* found = HandleTable::Get<GdiObject>(object);
    if (!found || size < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return found->Describe(size, buffer);
}

HDC CreateCompatibleDC(HDC) {
    return static_cast<HDC>(HandleTable::Add(std::make_unique<DeviceContext>()));
}

BOOL DeleteDC(HDC dc) {
    if (!Context(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return HandleTable::Close(dc) ? TRUE : FALSE;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width < 0 || height < 0 ||
        static_cast<long long>(width) * static_cast<long long>(height) > maxBitmapPixels) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // As on the device, an empty size gives a 1 x 1 bitmap.
    if (width == 0 || height == 0) {
        width = height = 1;
    }
    return static_cast<HBITMAP>(HandleTable::Add(std::make_unique<Bitmap>(width, height, 32)));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* context = Context(dc);
    if (!context) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return context->Select(object);
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop) {
    DeviceContext* to = Context(destination);
    DeviceContext* from = Context(source);
    if (!to || !from) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (rop != SRCCOPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    to->Target().Copy(x, y, width, height, from->Target(), sourceX, sourceY);
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    DeviceContext* context = Context(dc);
    if (!context || !context->Target().Contains(x, y)) {
        return CLR_INVALID;
    }
    context->Target().Set(x, y, PixelBuffer::FromColor(color));
    return color & 0x00FFFFFFu;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    DeviceContext* context = Context(dc);
    if (!context || !context->Target().Contains(x, y)) {
        return CLR_INVALID;
    }
    return PixelBuffer::ToColor(context->Target().At(x, y));
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    DeviceContext* context = Context(dc);
    const auto* fill = HandleTable::Get<Brush>(brush);
    if (!context || !rect || !fill) {
        return 0;
    }
    if (const std::optional<COLORREF> color = fill->Color()) {
        context->Target().Fill(*rect, PixelBuffer::FromColor(*color));
    }
    return 1;
}
