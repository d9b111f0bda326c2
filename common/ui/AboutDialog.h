// The About dialog: three labels on the full-screen dialog, each with its own font.
#pragma once

#include "Dialog.h"

class AboutDialog : public Dialog {
  public:
    explicit AboutDialog(const std::wstring& title);

  protected:
    int OnInitDialog(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
    // Hides the recorder's window whenever the dialog comes to the front.
    int OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
    // The caption's "ok" button shows the recorder's window again and ends the dialog.
    int OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
    int OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual int OnNotify(HWND hwnd, WPARAM wParam, LPARAM lParam);

    HWND titleLabel;
    HWND versionLabel;
    HWND addressLabel;

  private:
    // The labels' fonts belong to the dialog: they go with its window.
    void ReleaseFonts();
};
