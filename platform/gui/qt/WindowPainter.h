// Paints what the window layer's core says is in a window: its client-area pixels (white
// where nothing has been painted), its one-pixel border, the text of STATIC controls and the
// item labels of list views in their fonts, and its visible children, each clipped to its
// parent's client area.
#pragma once

#include <QPainter>
#include <QPoint>
#include <QRect>

#include "GuiBackend.h"

namespace platform {

class WindowPainter {
  public:
    // origin: the screen position of the painter's top-left corner.
    static void Paint(QPainter& painter, const WindowSnapshot& window, const QPoint& origin);

    static QRect ToQRect(const RECT& rect);
    static bool IsStatic(const WindowSnapshot& window);
    static bool IsListView(const WindowSnapshot& window);
    // A list view's label editor.
    static bool IsEdit(const WindowSnapshot& window);

  private:
    static void PaintPixels(QPainter& painter, HWND hwnd, const QRect& client);
    static void PaintStaticText(QPainter& painter, const WindowSnapshot& window,
                                const QRect& client);
    static void PaintListLabels(QPainter& painter, const WindowSnapshot& window,
                                const QRect& client);
    // Class names compare without regard to case.
    static bool IsClass(const WindowSnapshot& window, const char* name);
};

} // namespace platform
