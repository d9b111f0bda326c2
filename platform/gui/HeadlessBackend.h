// The backend without a display: nothing is drawn, and a waiting thread sleeps until something
// is posted or sent to it. Windows, their state, their pixels and their messages are all there,
// so a program with a modal dialog runs until a message closes it. A pop-up menu returns the
// choice a test queued, or is dismissed.
#pragma once

#include <deque>
#include <mutex>

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
    UINT TrackPopupMenu(HWND, const std::vector<MenuItem>&, POINT) override;
    void WaitForEvents(int wakeFd, int timeoutMs) override;

    static void QueueMenuChoice(UINT id);
    static void ForgetMenuChoices();

  private:
    static std::mutex choicesMutex;
    static std::deque<UINT> choices;
};

} // namespace platform
