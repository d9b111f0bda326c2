// The list control of the macro library window and what it does: one item per macro shortcut
// in the product's Start-menu folder, each with the icon of the program its shortcut starts.
// A tap starts the macro's shortcut; tap-and-hold offers "Rename", "Edit" and "Delete"; the
// end of label editing renames the macro.
#pragma once

#include <string>

#include "platform/commctrl.h"
#include "platform/gui.h"

class MacroListView {
  public:
    // The name is the macro to select and open for renaming when the list is first filled.
    explicit MacroListView(const std::wstring& pendingName);
    // The list control goes with the dialog's window; its font and icons go here.
    virtual ~MacroListView();
    MacroListView(const MacroListView&) = delete;
    MacroListView& operator=(const MacroListView&) = delete;

    // Handles a notification of the list; the result is the notification's answer.
    virtual LRESULT OnNotify(HWND dialog, WPARAM wParam, NMHDR* header);

    // Creates the list control filling the parent's client area, and fills it.
    void Create(HWND parent, int id);
    // Fills the list afresh from the shortcut folder. Nothing happens before the list exists,
    // so the pending name waits for the list it is meant for.
    void Refresh();
    // Fits the list to the parent's client area again.
    void Resize();

  private:
    // Adds one item for the shortcut file of that name in the shortcut folder.
    void AddItem(const std::wstring& shortcutFolder, const std::wstring& fileName);
    // The index of the program's first large icon in the image list; 0 when it has none.
    int IconOf(const std::wstring& shortcutPath);
    void ShowContextMenu(const NMRGINFO& info);
    // Renames the macro to the edited label's new text; false keeps the old label, and a name
    // that was refused is said in a message box.
    bool Rename(const NMLVDISPINFOW& info);
    // Starts the selected macro's shortcut, and steps aside while the macro plays.
    void StartSelected();
    void StepAside(HANDLE player);
    // The first selected item; -1 when none is.
    int FindSelected() const;
    std::wstring LabelOf(int item) const;

    std::wstring pendingName;
    HWND listHwnd;
    HWND parentHwnd;
    // The hint an empty library shows.
    HWND hintHwnd;
    HIMAGELIST imageList;
    HFONT font;
};
