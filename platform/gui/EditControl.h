// The edit control ("Edit") that a list view puts over a label while it is being edited. Its
// text is its window text; the on-screen backend lets the person type it. Return commits the
// edit, Escape cancels it, and losing the keyboard focus commits it: the list view hears of
// each and tells its parent.
#pragma once

#include "platform/gui.h"

namespace platform {

class EditControl {
  public:
    static constexpr const wchar_t* className = L"Edit";

    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace platform
