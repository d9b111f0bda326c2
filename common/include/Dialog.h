// The base of every dialog of the system: a modal, full-screen dialog without a resource. The
// window is made from an empty template in memory; subclasses create their controls in
// OnInitDialog. One dialog procedure serves every dialog and finds the object of a window in
// the process's list of live dialogs. The programs reach a dialog through this class's virtual
// table only, in this slot order.
#pragma once

#include <list>
#include <string>

#include "CommonApi.h"
#include "platform/gui.h"

class COMMON_EXPORT Dialog {
  public:
    explicit Dialog(const std::wstring& title);
    // Copies the title, window and activation state; the copy is not listed.
    Dialog(const Dialog& other);
    Dialog& operator=(const Dialog&) = delete;
    // Takes the first listed dialog of this window off the list.
    virtual ~Dialog();

    // Shows the dialog modally and returns the value it was ended with. When a dialog with the
    // same title is open anywhere on the device, brings that one up instead and returns 1.
    static int DoModal(Dialog& dialog);

  protected:
    // Each handler returns nonzero when it has handled the message.
    // Sets the window up as a full-screen dialog with the caption's "ok" button and an empty
    // menu bar, titles it and brings it to the front.
    virtual int OnInitDialog(HWND hwnd, WPARAM wParam, LPARAM lParam);
    virtual int OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam);
    virtual int OnSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam);
    // The caption's "ok" button (IDOK with no control) ends the dialog with 0.
    virtual int OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
    // Starts the help viewer on the product's help file.
    virtual int OnHelp(HWND hwnd, WPARAM wParam, LPARAM lParam);
    // Hands each message to its handler above; the rest are not handled.
    virtual int OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetHWND() const;
    std::wstring GetTitle() const;

  private:
    COMMON_HIDDEN static INT_PTR DlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    COMMON_HIDDEN static void OnDestructor(HWND hwnd);

    std::wstring title;
    HWND hwnd;
    SHACTIVATEINFO activateInfo;

    // The live dialogs of this process, in the order their windows were initialised. Only the
    // thread that runs the dialogs uses it.
    static std::list<Dialog*> dialogList;
};
