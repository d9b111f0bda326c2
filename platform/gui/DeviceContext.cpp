#include "DeviceContext.h"

#include "Bitmap.h"
#include "Font.h"
#include "HandleTable.h"

namespace platform {

DeviceContext::DeviceContext() : memory(true) {
    auto first = std::make_unique<Bitmap>(1, 1, 1);
    first->SetSelected(true);
    target = first->Pixels();
    ownBitmap = static_cast<HBITMAP>(HandleTable::Add(std::move(first)));
    bitmap = ownBitmap;
}

DeviceContext::DeviceContext(std::shared_ptr<PixelBuffer> windowSurface)
    : target(std::move(windowSurface)), memory(false) {}

DeviceContext::~DeviceContext() {
    if (auto* selected = HandleTable::Get<Bitmap>(bitmap)) {
        selected->SetSelected(false);
    }
    if (ownBitmap) {
        HandleTable::Close(ownBitmap);
    }
}

HGDIOBJ DeviceContext::Select(HGDIOBJ object) {
    if (HandleTable::Get<Font>(object)) {
        const HFONT previous = font;
        font = static_cast<HFONT>(object);
        // A DC starts with the system font.
        return previous ? previous : GetStockObject(SYSTEM_FONT);
    }
    auto* chosen = HandleTable::Get<Bitmap>(object);
    if (!chosen || !memory) {
        return nullptr;
    }
    if (object == bitmap) {
        return bitmap;
    }
    if (chosen->IsSelected()) {
        // A bitmap is in one DC at a time.
        return nullptr;
    }
    if (auto* previous = HandleTable::Get<Bitmap>(bitmap)) {
        previous->SetSelected(false);
    }
    chosen->SetSelected(true);
    const HBITMAP previous = bitmap;
    bitmap = static_cast<HBITMAP>(object);
    target = chosen->Pixels();
    return previous;
}

} // namespace platform
