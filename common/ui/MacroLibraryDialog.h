// The macro library window: a full-screen dialog titled with the product's name, filled by its
// list of macros. The list is rebuilt whenever the window comes back to the front, so it shows
// what playing, editing or another program has changed meanwhile.
#pragma once

#include "Dialog.h"
#include "MacroListView.h"

class MacroLibraryDialog : public Dialog {
  public:
    // The name is the macro to select with its label open for renaming; empty for none.
    explicit MacroLibraryDialog(const std::wstring& pendingName);

  protected:
    // Sets the dialog up and creates the list in it.
    int OnInitDialog(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
    // Fits the list to the window and, when the window comes to the front, refills it.
    int OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
    // Fits the list to the window's new work area.
    int OnSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
    int OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Hands the list's notifications to the list and answers with its result.
    virtual int OnNotify(HWND hwnd, WPARAM wParam, LPARAM lParam);

    int listId;
    MacroListView listView;
};
