// The list view control ("SysListView32") in icon view: its items, their selection, their
// sorting by label, label editing, the person's taps, and the notifications to its parent.
//
// Its procedure runs on the list's own thread; its items are also read by the backend
// (Items), so they are guarded by a lock of their own, which is never held while a message
// goes to another window.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Control.h"
#include "GuiBackend.h"
#include "platform/commctrl.h"

namespace platform {

class ListView : public Control {
  public:
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Ends the label edit under way, if any: keep is the person committing the new text (Return,
    // focus lost), otherwise the edit is cancelled (Escape). The parent hears LVN_ENDLABELEDITW.
    static void EndLabelEdit(HWND list, bool keep);
    // What the backend shows of the list's items; empty for a window that is no list view.
    static std::vector<ListItemSnapshot> Items(HWND list);

  private:
    struct Item {
        // Stays with the item while it moves in the list, so that an item is found again after
        // the parent has had its say.
        unsigned long long id = 0;
        std::wstring label;
        int image = 0;
        UINT state = 0;
        LPARAM param = 0;
    };
    struct Geometry {
        int clientWidth = 0;
        int iconWidth = 0;
        int iconHeight = 0;
        int spacingX = 0;
        int spacingY = 0;
    };

    explicit ListView(HWND hwnd);

    static std::shared_ptr<ListView> Of(HWND hwnd);

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    int Insert(const LVITEMW& request);
    bool Delete(int index);
    void DeleteAll();
    bool SetState(int index, UINT state, UINT mask);
    UINT GetState(int index, UINT mask);
    int SelectedCount();
    int GetText(int index, LVITEMW& request);
    bool GetRect(int index, RECT& rect);
    HIMAGELIST SetImageList(HIMAGELIST list);
    LRESULT SetIconSpacing(LPARAM spacing);
    HWND EditLabel(int index);
    void EndEdit(bool keep);
    // Puts the label editor over its item's label again, after items have moved or the grid
    // has changed.
    void PlaceEditor();
    void Press(POINT client);
    void Release(POINT client);
    void Hold(LPARAM screenPoint);
    void Paint();

    // Takes the lock itself.
    Geometry Measure() const;
    // Under the lock.
    int IndexOf(unsigned long long itemId) const;
    // Where a label goes among the sorted labels: after the labels equal to it.
    int SortedPlace(const std::wstring& label) const;
    // Selecting one item deselects the others in a single-selection list; one item at most has
    // the focus.
    void ApplyState(std::size_t index, UINT state, UINT mask, bool singleSelection);
    RECT CellRect(const Geometry& geometry, int index) const;
    RECT IconRect(const Geometry& geometry, int index) const;
    RECT LabelRect(const Geometry& geometry, int index) const;
    int HitTest(const Geometry& geometry, POINT client) const;

    DWORD Style() const;
    // Sends the notification to the parent as WM_NOTIFY, filling in the header's sender.
    LRESULT Notify(NMHDR& header, UINT code) const;
    void Redraw() const;

    const HWND hwnd;
    mutable std::mutex mutex;
    std::vector<Item> items;
    unsigned long long nextId = 1;
    int spacingX;
    int spacingY;
    HIMAGELIST imageList = nullptr;
    // The label editor and the item it edits.
    HWND editor = nullptr;
    unsigned long long editedId = 0;
    // A tap is under way: the stylus went down on the list and no tap-and-hold has taken it.
    bool pressed = false;
    int pressedIndex = -1;
};

} // namespace platform
