// The Pocket PC shell's decorations of a window, drawn outside its rectangle: the caption bar
// above it (the title and, with SHIDIF_DONEBUTTON, the "ok" button) and the menu bar below it
// (SHCreateMenuBar; an empty one is a plain bar). A window with neither is just itself.
#pragma once

#include <QPainter>
#include <QRect>
#include <QString>

#include "GuiBackend.h"

namespace platform {

class ShellFrame {
  public:
    explicit ShellFrame(const WindowSnapshot& window);

    bool HasCaption() const { return caption; }
    bool HasDoneButton() const { return doneButton; }
    bool HasMenuBar() const { return menuBar; }

    // Where the whole frame lies on the screen: the window's outer rectangle and its bars.
    QRect Outer() const;
    // The window's outer top-left corner within the frame.
    QPoint WindowOrigin() const;
    // Parts of the frame, in its own coordinates; empty when the frame has no such part.
    QRect Caption() const;
    QRect DoneButton() const;
    QRect MenuBar() const;

    // The bars; the window itself is painted by WindowPainter.
    void Paint(QPainter& painter, const QString& title, bool donePressed) const;

  private:
    RECT windowRect;
    bool caption;
    bool doneButton;
    bool menuBar;
};

} // namespace platform
