// The backend without a display: nothing is drawn, and a waiting thread sleeps until something
// is posted or sent to it. Windows, their state, their pixels and their messages are all there,
// so a program with a modal dialog runs until a message closes it.
#pragma once

#include "GuiBackend.h"

namespace platform {

class HeadlessBackend : public GuiBackend {
  public:
    void Created(HWND) override {}
    void Destroyed(HWND) override {}
    void Shown(HWND, bool) override {}
    void Moved(HWND, const RECT&) override {}
    void TextChanged(HWND, const std::wstring&) override {}
    void Changed(HWND) override {}
    void Painted(HWND, const RECT&) override {}
    void Raised(HWND) override {}
    void Activated(HWND) override {}
    void ModalLoopEntered(HWND) override {}
    void ModalLoopLeft(HWND) override {}
    void WaitForEvents(int wakeFd, int timeoutMs) override;
};

} // namespace platform
