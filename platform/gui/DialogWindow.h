// The window procedure of the dialog class "Dialog": it runs the dialog procedure given to
// DialogBoxIndirectParamW and falls back to the default handling when that returns 0.
#pragma once

#include "platform/gui.h"

namespace platform {

class DialogWindow {
  public:
    // A dialog procedure that handles a message (nonzero) answers DWL_MSGRESULT, except for
    // WM_INITDIALOG, whose answer is the procedure's own. Unhandled, WM_CLOSE does nothing:
    // the device's dialogs close with their "ok" button.
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Dialog units of a template in pixels, for the system font of the device (6 x 13 pixels
    // for 4 x 8 dialog units).
    static int PixelsAcross(int dialogUnits) { return dialogUnits * 6 / 4; }
    static int PixelsDown(int dialogUnits) { return dialogUnits * 13 / 8; }
};

} // namespace platform
