// A two-state button drawn from two bitmaps of the recorder's own resources, each selected into
// its own memory device context so that painting is one BitBlt.
#pragma once

#include "platform/gdi.h"
#include "platform/gui.h"

class ButtonListener;
class RecorderWindow;

class ImageButton {
  public:
    ImageButton(HINSTANCE instance, RecorderWindow* owner, ButtonListener* listener, int offId,
                int onId);
    virtual ~ImageButton();
    ImageButton(const ImageButton&) = delete;
    ImageButton& operator=(const ImageButton&) = delete;

    // Copies the image of the current state to (x, y); false when nothing could be drawn.
    bool Draw(HDC dc, int x, int y);
    // Whether a point in button coordinates lies strictly inside the image: the first row and
    // column never count.
    bool HitTest(int x, int y) const;
    // A tap lifted at (x, y): toggles the state, redraws the owner and tells the listener.
    // False, with nothing changed, when the tap missed.
    bool Click(int x, int y);
    // Shows the state's image without telling the listener.
    void SetState(int newState);
    int State() const { return state; }

  private:
    RecorderWindow* owner;
    ButtonListener* listener;
    int width;
    int height;
    int state;
    HDC offDC;
    HBITMAP offBitmap;
    HDC onDC;
    HBITMAP onBitmap;
};
