// The device's common controls as the system uses them: the list view ("SysListView32") in
// icon view, and image lists.
//
// The list view shows one icon per item from its normal image list, with the item's label
// below it, in a grid of the icon spacing, row by row. Its state (items, selection, label
// editing) lives in the window layer, so a program drives it with messages and no display.
//
// The person's gestures reach the list as messages, which the on-screen backend sends and tests
// send themselves: WM_LBUTTONDOWN and WM_LBUTTONUP (a tap: the item under the stylus is
// selected on the way down, NM_CLICK goes to the parent on the way up), WM_CONTEXTMENU with the
// screen point (tap-and-hold: the item there is selected and GN_CONTEXTMENU goes to the parent;
// the tap it began sends no NM_CLICK).
//
// Label editing (LVM_EDITLABELW) puts an edit control (class "Edit", a child of the list) over
// the label. Return commits the edit, Escape cancels it, and so does losing the keyboard focus
// commit it; a test sets the new text with WM_SETTEXT and sends the edit control WM_KEYDOWN.
//
// Differences from the device, where the system does not rely on them: only icon view; no
// scrolling; a tap on a selected label does not start editing (LVS_EDITLABELS is accepted and
// has no effect); no keyboard navigation; no LVN_ITEMCHANGED notifications.
#pragma once

#include <cstdint>

#include "platform/gdi.h"
#include "platform/gui.h"

struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;

#define WC_LISTVIEWW L"SysListView32"

// List view styles (icon view is 0).
#define LVS_ICON 0x0000u
#define LVS_SINGLESEL 0x0004u
#define LVS_SHOWSELALWAYS 0x0008u
#define LVS_SORTASCENDING 0x0010u
#define LVS_EDITLABELS 0x0200u

#define LVM_FIRST 0x1000u
#define LVM_GETIMAGELIST (LVM_FIRST + 2)
#define LVM_SETIMAGELIST (LVM_FIRST + 3)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_GETEDITCONTROL (LVM_FIRST + 24)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETICONSPACING (LVM_FIRST + 53)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_EDITLABELW (LVM_FIRST + 118)
#define LVM_CANCELEDITLABEL (LVM_FIRST + 179)

// LVM_SETIMAGELIST's wParam.
#define LVSIL_NORMAL 0

// LVM_GETITEMRECT: the part of the item asked for, in the RECT's left member.
#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2

#define LVIF_TEXT 0x0001u
#define LVIF_IMAGE 0x0002u
#define LVIF_PARAM 0x0004u
#define LVIF_STATE 0x0008u

#define LVIS_FOCUSED 0x0001u
#define LVIS_SELECTED 0x0002u

// Notifications (WM_NOTIFY: wParam the control identifier, lParam the header).
#define NM_FIRST 0u
#define NM_CLICK (NM_FIRST - 2u)
#define LVN_FIRST (0u - 100u)
#define LVN_BEGINLABELEDITW (LVN_FIRST - 75u)
#define LVN_ENDLABELEDITW (LVN_FIRST - 76u)

// A pszText that asks the parent for the text later: not supported, an insertion with it fails.
#define LPSTR_TEXTCALLBACKW (reinterpret_cast<LPWSTR>(static_cast<std::intptr_t>(-1)))

struct LVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
};
using LPLVITEMW = LVITEMW*;

// LVN_BEGINLABELEDITW: item.pszText is the label; a nonzero answer refuses the edit.
// LVN_ENDLABELEDITW: item.pszText is the new text, null when the edit was cancelled; a nonzero
// answer keeps the new text as the label.
struct NMLVDISPINFOW {
    NMHDR hdr;
    LVITEMW item;
};

// NM_CLICK: the item tapped (-1: none) and the point in the list's client coordinates.
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};

// Image lists hold copies of icons at the list's size (a copy of another size is scaled).
// Every image keeps its transparency; colour depth flags and the initial and growth sizes are
// accepted and not needed.
#define ILC_MASK 0x0001u
#define ILC_COLOR 0x0000u
#define ILC_COLOR32 0x0020u

// The size runs from 1 to 256 pixels each way.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
// index -1 appends a copy of the icon, another index replaces that image; the image's index,
// -1 on failure.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
// index -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST list, int index);
