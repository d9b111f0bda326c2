#include "ImageButton.h"

#include "ButtonListener.h"
#include "RecorderWindow.h"

ImageButton::ImageButton(HINSTANCE instance, RecorderWindow* owner, ButtonListener* listener,
                         int offId, int onId)
    : owner(owner), listener(listener), width(0), height(0), state(0) {
    offDC = CreateCompatibleDC(nullptr);
    offBitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(offId));
    onDC = CreateCompatibleDC(nullptr);
    onBitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(onId));
    // A missing image leaves the button 0 x 0: it draws nothing and is never hit.
    BITMAP size{};
    if (GetObjectW(offBitmap, sizeof(size), &size) != 0) {
        width = size.bmWidth;
        height = size.bmHeight;
        SelectObject(offDC, offBitmap);
        SelectObject(onDC, onBitmap);
    }
}

ImageButton::~ImageButton() {
    DeleteDC(onDC);
    DeleteDC(offDC);
}

bool ImageButton::Draw(HDC dc, int x, int y) {
    return BitBlt(dc, x, y, width, height, state != 0 ? onDC : offDC, 0, 0, SRCCOPY) != FALSE;
}

bool ImageButton::HitTest(int x, int y) const {
    return 0 < x && x < width && 0 < y && y < height;
}

bool ImageButton::Click(int x, int y) {
    if (!HitTest(x, y)) {
        return false;
    }
    state = state == 0 ? 1 : 0;
    if (owner != nullptr) {
        owner->Redraw();
    }
    if (listener != nullptr) {
        listener->OnButtonClick(*this, state);
    }
    return true;
}

void ImageButton::SetState(int newState) {
    state = newState;
    if (owner != nullptr) {
        owner->Redraw();
    }
}
