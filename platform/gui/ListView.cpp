#include "ListView.h"

#include <algorithm>
#include <cwctype>
#include <utility>

#include "DeviceContext.h"
#include "EditControl.h"
#include "HandleTable.h"
#include "ImageList.h"
#include "WindowManager.h"

namespace platform {

namespace {

// The icon spacing of a new list, as the device's system metrics give it.
constexpr int defaultSpacing = 75;
// The icon's place in its cell, and the label's below it.
constexpr int iconTop = 2;
constexpr int labelGap = 2;
constexpr int minimumLabelHeight = 16;
// Icons without an image list.
constexpr int defaultIconSize = 32;
// The editor's height beyond the font's.
constexpr int editorPadding = 6;
constexpr int systemFontHeight = 13;
constexpr std::uint32_t background = 0x00FFFFFFu;

// Labels sort as the device compares them: without regard to case.
int CompareLabels(const std::wstring& a, const std::wstring& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const std::wint_t left = std::towlower(static_cast<std::wint_t>(a[i]));
        const std::wint_t right = std::towlower(static_cast<std::wint_t>(b[i]));
        if (left != right) {
            return left < right ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool Inside(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

std::uint32_t Channel(std::uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFFu;
}

// Half the icon's colour, half the highlight's.
std::uint32_t Tint(std::uint32_t pixel) {
    std::uint32_t tinted = pixel & 0xFF000000u;
    for (const int shift : {0, 8, 16}) {
        tinted |= ((Channel(pixel, shift) + Channel(ListItemSnapshot::highlight, shift)) / 2)
                  << shift;
    }
    return tinted;
}

// Draws an image of 0xAARRGGBB pixels over what is there, by its transparency.
void DrawImage(PixelBuffer& target, const RECT& place, int width, int height,
               const std::vector<std::uint32_t>& pixels, bool selected) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int targetX = place.left + x;
            const int targetY = place.top + y;
            if (!target.Contains(targetX, targetY)) {
                continue;
            }
            std::uint32_t pixel =
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
            if (selected) {
                pixel = Tint(pixel);
            }
            const std::uint32_t alpha = pixel >> 24;
            const std::uint32_t under = target.At(targetX, targetY);
            std::uint32_t blended = 0;
            for (const int shift : {0, 8, 16}) {
                blended |=
                    ((Channel(pixel, shift) * alpha + Channel(under, shift) * (255 - alpha) + 127) /
                     255)
                    << shift;
            }
            target.Set(targetX, targetY, blended);
        }
    }
}

} // namespace

ListView::ListView(HWND hwnd) : hwnd(hwnd), spacingX(defaultSpacing), spacingY(defaultSpacing) {}

std::shared_ptr<ListView> ListView::Of(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.Find(hwnd);
    return window ? std::dynamic_pointer_cast<ListView>(window->control) : nullptr;
}

LRESULT ListView::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        WindowManager& manager = WindowManager::Instance();
        auto windows = manager.Lock();
        if (Window* window = windows.Find(hwnd)) {
            window->control = std::shared_ptr<ListView>(new ListView(hwnd));
        }
        return 0;
    }
    // Held for the whole message: the parent may destroy the list while it is being told.
    const std::shared_ptr<ListView> list = Of(hwnd);
    if (!list) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return list->Handle(message, wParam, lParam);
}

void ListView::EndLabelEdit(HWND list, bool keep) {
    if (const std::shared_ptr<ListView> view = Of(list)) {
        view->EndEdit(keep);
    }
}

std::vector<ListItemSnapshot> ListView::Items(HWND list) {
    const std::shared_ptr<ListView> view = Of(list);
    if (!view) {
        return {};
    }
    std::vector<ListItemSnapshot> snapshot;
    const Geometry geometry = view->Measure();
    std::lock_guard lock(view->mutex);
    for (std::size_t i = 0; i < view->items.size(); ++i) {
        const Item& item = view->items[i];
        ListItemSnapshot shown;
        shown.label = item.label;
        shown.iconRect = view->IconRect(geometry, static_cast<int>(i));
        shown.labelRect = view->LabelRect(geometry, static_cast<int>(i));
        shown.selected = (item.state & LVIS_SELECTED) != 0;
        shown.editing = view->editor && item.id == view->editedId;
        snapshot.push_back(std::move(shown));
    }
    return snapshot;
}

LRESULT ListView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = static_cast<int>(wParam);
    switch (message) {
    case LVM_GETIMAGELIST: {
        std::lock_guard lock(mutex);
        return wParam == LVSIL_NORMAL ? reinterpret_cast<LRESULT>(imageList) : 0;
    }
    case LVM_SETIMAGELIST:
        return wParam == LVSIL_NORMAL
                   ? reinterpret_cast<LRESULT>(SetImageList(reinterpret_cast<HIMAGELIST>(lParam)))
                   : 0;
    case LVM_GETITEMCOUNT: {
        std::lock_guard lock(mutex);
        return static_cast<LRESULT>(items.size());
    }
    case LVM_DELETEITEM:
        return Delete(index) ? TRUE : FALSE;
    case LVM_DELETEALLITEMS:
        DeleteAll();
        return TRUE;
    case LVM_GETITEMRECT:
        return lParam && GetRect(index, *reinterpret_cast<RECT*>(lParam)) ? TRUE : FALSE;
    case LVM_GETEDITCONTROL: {
        std::lock_guard lock(mutex);
        return reinterpret_cast<LRESULT>(editor);
    }
    case LVM_SETITEMSTATE: {
        const auto* request = reinterpret_cast<const LVITEMW*>(lParam);
        return request && SetState(index, request->state, request->stateMask) ? TRUE : FALSE;
    }
    case LVM_GETITEMSTATE:
        return static_cast<LRESULT>(GetState(index, static_cast<UINT>(lParam)));
    case LVM_GETSELECTEDCOUNT:
        return SelectedCount();
    case LVM_SETICONSPACING:
        return SetIconSpacing(lParam);
    case LVM_INSERTITEMW:
        return lParam ? Insert(*reinterpret_cast<const LVITEMW*>(lParam)) : -1;
    case LVM_GETITEMTEXTW:
        return lParam ? GetText(index, *reinterpret_cast<LVITEMW*>(lParam)) : 0;
    case LVM_EDITLABELW:
        return reinterpret_cast<LRESULT>(EditLabel(index));
    case LVM_CANCELEDITLABEL:
        EndEdit(false);
        return 0;
    case WM_LBUTTONDOWN:
        Press({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONUP:
        Release({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_CONTEXTMENU:
        Hold(lParam);
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_DESTROY: {
        // The editor goes with the list, as its child; nobody is told.
        std::lock_guard lock(mutex);
        editor = nullptr;
        editedId = 0;
        pressed = false;
        return 0;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

int ListView::Insert(const LVITEMW& request) {
    if (request.iItem < 0 || request.iSubItem != 0 ||
        ((request.mask & LVIF_TEXT) && request.pszText == LPSTR_TEXTCALLBACKW)) {
        return -1;
    }
    Item item;
    if ((request.mask & LVIF_TEXT) && request.pszText) {
        item.label = request.pszText;
    }
    if (request.mask & LVIF_IMAGE) {
        item.image = request.iImage;
    }
    if (request.mask & LVIF_PARAM) {
        item.param = request.lParam;
    }
    const DWORD style = Style();
    int place = 0;
    {
        std::lock_guard lock(mutex);
        item.id = nextId++;
        place = (style & LVS_SORTASCENDING)
                    ? SortedPlace(item.label)
                    : std::min(request.iItem, static_cast<int>(items.size()));
        items.insert(items.begin() + place, std::move(item));
        if (request.mask & LVIF_STATE) {
            ApplyState(static_cast<std::size_t>(place), request.state, request.stateMask,
                       (style & LVS_SINGLESEL) != 0);
        }
    }
    PlaceEditor();
    Redraw();
    return place;
}

bool ListView::Delete(int index) {
    bool edited = false;
    {
        std::lock_guard lock(mutex);
        if (index < 0 || index >= static_cast<int>(items.size())) {
            return false;
        }
        edited = editor && items[static_cast<std::size_t>(index)].id == editedId;
    }
    if (edited) {
        EndEdit(false);
    }
    {
        std::lock_guard lock(mutex);
        // The parent may have changed the list while it heard of the cancelled edit.
        if (index >= static_cast<int>(items.size())) {
            return false;
        }
        items.erase(items.begin() + index);
    }
    PlaceEditor();
    Redraw();
    return true;
}

void ListView::DeleteAll() {
    EndEdit(false);
    {
        std::lock_guard lock(mutex);
        items.clear();
        pressed = false;
    }
    Redraw();
}

bool ListView::SetState(int index, UINT state, UINT mask) {
    const bool singleSelection = (Style() & LVS_SINGLESEL) != 0;
    {
        std::lock_guard lock(mutex);
        if (index == -1) {
            // Every item: one focus, and one selection in a single-selection list, cannot be
            // given to all.
            const UINT given = state & mask;
            if ((given & LVIS_FOCUSED) || (singleSelection && (given & LVIS_SELECTED))) {
                return false;
            }
            for (std::size_t i = 0; i < items.size(); ++i) {
                ApplyState(i, state, mask, false);
            }
        } else if (index >= 0 && index < static_cast<int>(items.size())) {
            ApplyState(static_cast<std::size_t>(index), state, mask, singleSelection);
        } else {
            return false;
        }
    }
    Redraw();
    return true;
}

UINT ListView::GetState(int index, UINT mask) {
    std::lock_guard lock(mutex);
    if (index < 0 || index >= static_cast<int>(items.size())) {
        return 0;
    }
    return items[static_cast<std::size_t>(index)].state & mask;
}

int ListView::SelectedCount() {
    std::lock_guard lock(mutex);
    return static_cast<int>(std::count_if(items.begin(), items.end(), [](const Item& item) {
        return (item.state & LVIS_SELECTED) != 0;
    }));
}

int ListView::GetText(int index, LVITEMW& request) {
    if (!request.pszText || request.cchTextMax <= 0 || request.iSubItem != 0) {
        return 0;
    }
    std::lock_guard lock(mutex);
    request.pszText[0] = L'\0';
    if (index < 0 || index >= static_cast<int>(items.size())) {
        return 0;
    }
    const std::wstring& label = items[static_cast<std::size_t>(index)].label;
    const std::size_t length =
        std::min(label.size(), static_cast<std::size_t>(request.cchTextMax) - 1);
    std::copy_n(label.begin(), length, request.pszText);
    request.pszText[length] = L'\0';
    return static_cast<int>(length);
}

bool ListView::GetRect(int index, RECT& rect) {
    const Geometry geometry = Measure();
    std::lock_guard lock(mutex);
    if (index < 0 || index >= static_cast<int>(items.size())) {
        return false;
    }
    const RECT icon = IconRect(geometry, index);
    const RECT label = LabelRect(geometry, index);
    switch (rect.left) {
    case LVIR_BOUNDS:
        rect = {std::min(icon.left, label.left), icon.top, std::max(icon.right, label.right),
                label.bottom};
        return true;
    case LVIR_ICON:
        rect = icon;
        return true;
    case LVIR_LABEL:
        rect = label;
        return true;
    default:
        return false;
    }
}

HIMAGELIST ListView::SetImageList(HIMAGELIST list) {
    HIMAGELIST previous = nullptr;
    {
        std::lock_guard lock(mutex);
        previous = std::exchange(imageList, list);
    }
    PlaceEditor();
    Redraw();
    return previous;
}

LRESULT ListView::SetIconSpacing(LPARAM spacing) {
    const int across = LOWORD(spacing);
    const int down = HIWORD(spacing);
    LRESULT previous = 0;
    {
        std::lock_guard lock(mutex);
        previous = MAKELPARAM(spacingX, spacingY);
        // -1 (0xFFFF) each way asks for the default spacing.
        spacingX = across == 0xFFFF ? defaultSpacing : std::max(across, 1);
        spacingY = down == 0xFFFF ? defaultSpacing : std::max(down, 1);
    }
    PlaceEditor();
    Redraw();
    return previous;
}

HWND ListView::EditLabel(int index) {
    if (index == -1) {
        EndEdit(false);
        return nullptr;
    }
    // An edit under way ends first, keeping its text.
    EndEdit(true);
    NMLVDISPINFOW info{};
    std::wstring label;
    unsigned long long itemId = 0;
    {
        std::lock_guard lock(mutex);
        if (index < 0 || index >= static_cast<int>(items.size())) {
            return nullptr;
        }
        const Item& item = items[static_cast<std::size_t>(index)];
        itemId = item.id;
        label = item.label;
        info.item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE | LVIF_PARAM;
        info.item.iItem = index;
        info.item.state = item.state;
        info.item.iImage = item.image;
        info.item.lParam = item.param;
    }
    std::wstring shown = label;
    info.item.pszText = shown.data();
    info.item.cchTextMax = static_cast<int>(shown.size()) + 1;
    if (Notify(info.hdr, LVN_BEGINLABELEDITW) != 0) {
        return nullptr;
    }

    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    const int fontHeight = font && GetObjectW(font, sizeof description, &description)
                               ? std::abs(description.lfHeight)
                               : systemFontHeight;
    const Geometry geometry = Measure();
    RECT place{};
    {
        std::lock_guard lock(mutex);
        // The parent may have changed the list, or started an edit of its own, meanwhile.
        const int now = IndexOf(itemId);
        if (now < 0 || editor) {
            return nullptr;
        }
        place = LabelRect(geometry, now);
    }
    const HWND edit =
        CreateWindowExW(0, EditControl::className, label.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER,
                        place.left, place.top, place.right - place.left, fontHeight + editorPadding,
                        hwnd, nullptr, nullptr, nullptr);
    if (!edit) {
        return nullptr;
    }
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    {
        std::lock_guard lock(mutex);
        editor = edit;
        editedId = itemId;
    }
    SetFocus(edit);
    Redraw();
    return edit;
}

void ListView::EndEdit(bool keep) {
    HWND edit = nullptr;
    unsigned long long itemId = 0;
    int index = -1;
    {
        std::lock_guard lock(mutex);
        if (!editor) {
            return;
        }
        edit = std::exchange(editor, nullptr);
        itemId = std::exchange(editedId, 0);
        index = IndexOf(itemId);
    }
    std::wstring text(static_cast<std::size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) + 1,
                      L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    // The focus comes back to the list, unless it is leaving the editor for another window.
    const bool focused = GetFocus() == edit;
    DestroyWindow(edit);
    if (focused) {
        SetFocus(hwnd);
    }
    Redraw();
    if (index < 0) {
        return;
    }
    NMLVDISPINFOW info{};
    info.item.mask = LVIF_TEXT;
    info.item.iItem = index;
    std::wstring given = text;
    if (keep) {
        info.item.pszText = given.data();
        info.item.cchTextMax = static_cast<int>(given.size()) + 1;
    }
    if (!Notify(info.hdr, LVN_ENDLABELEDITW) || !keep) {
        return;
    }
    const DWORD style = Style();
    {
        std::lock_guard lock(mutex);
        const int now = IndexOf(itemId);
        if (now < 0) {
            return;
        }
        Item renamed = std::move(items[static_cast<std::size_t>(now)]);
        items.erase(items.begin() + now);
        renamed.label = std::move(text);
        const int place = (style & LVS_SORTASCENDING) ? SortedPlace(renamed.label) : now;
        items.insert(items.begin() + place, std::move(renamed));
    }
    Redraw();
}

void ListView::PlaceEditor() {
    const Geometry geometry = Measure();
    HWND edit = nullptr;
    RECT place{};
    {
        std::lock_guard lock(mutex);
        const int index = editor ? IndexOf(editedId) : -1;
        if (index < 0) {
            return;
        }
        edit = editor;
        place = LabelRect(geometry, index);
    }
    RECT now{};
    GetWindowRect(edit, &now);
    // Only a change of place is told to the backend, which moves its editor along.
    SetWindowPos(edit, nullptr, place.left, place.top, place.right - place.left,
                 now.bottom - now.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ListView::Press(POINT client) {
    // An edit under way ends as the list takes the focus, keeping its text.
    SetFocus(hwnd);
    EndEdit(true);
    const Geometry geometry = Measure();
    {
        std::lock_guard lock(mutex);
        const int index = HitTest(geometry, client);
        // A tap selects the item tapped and nothing else; a tap beside the items, nothing.
        for (Item& item : items) {
            item.state &= ~LVIS_SELECTED;
        }
        if (index >= 0) {
            ApplyState(static_cast<std::size_t>(index), LVIS_SELECTED | LVIS_FOCUSED,
                       LVIS_SELECTED | LVIS_FOCUSED, true);
        }
        pressed = true;
        pressedIndex = index;
    }
    Redraw();
}

void ListView::Release(POINT client) {
    NMITEMACTIVATE info{};
    {
        std::lock_guard lock(mutex);
        if (!pressed) {
            return;
        }
        pressed = false;
        info.iItem = pressedIndex;
    }
    info.ptAction = client;
    Notify(info.hdr, NM_CLICK);
}

void ListView::Hold(LPARAM screenPoint) {
    const POINT screen{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    POINT client = screen;
    {
        WindowManager& manager = WindowManager::Instance();
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        if (!window) {
            return;
        }
        const RECT origin = windows.ScreenClientRect(*window);
        client.x -= origin.left;
        client.y -= origin.top;
    }
    const Geometry geometry = Measure();
    int index = -1;
    {
        std::lock_guard lock(mutex);
        index = HitTest(geometry, client);
        if (index < 0) {
            return;
        }
        // The hold takes the tap it began: no NM_CLICK when the stylus comes up.
        pressed = false;
        for (Item& item : items) {
            item.state &= ~LVIS_SELECTED;
        }
        ApplyState(static_cast<std::size_t>(index), LVIS_SELECTED | LVIS_FOCUSED,
                   LVIS_SELECTED | LVIS_FOCUSED, true);
    }
    Redraw();
    NMRGINFO info{};
    info.ptAction = screen;
    info.dwItemSpec = static_cast<DWORD>(index);
    Notify(info.hdr, GN_CONTEXTMENU);
}

void ListView::Paint() {
    PAINTSTRUCT paint{};
    if (!BeginPaint(hwnd, &paint)) {
        return;
    }
    // Icons are blended into what lies below them, so the whole list is drawn afresh.
    PixelBuffer& target = HandleTable::Get<DeviceContext>(paint.hdc)->Target();
    target.Fill({0, 0, target.Width(), target.Height()}, background);
    const Geometry geometry = Measure();
    {
        std::lock_guard lock(mutex);
        if (const auto* images = HandleTable::Get<ImageList>(imageList)) {
            for (std::size_t i = 0; i < items.size(); ++i) {
                const std::vector<std::uint32_t>* pixels = images->Image(items[i].image);
                if (pixels) {
                    DrawImage(target, IconRect(geometry, static_cast<int>(i)), images->Width(),
                              images->Height(), *pixels, (items[i].state & LVIS_SELECTED) != 0);
                }
            }
        }
    }
    EndPaint(hwnd, &paint);
}

int ListView::IndexOf(unsigned long long itemId) const {
    const auto found = std::find_if(items.begin(), items.end(),
                                    [itemId](const Item& item) { return item.id == itemId; });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

int ListView::SortedPlace(const std::wstring& label) const {
    const auto place = std::upper_bound(
        items.begin(), items.end(), label,
        [](const std::wstring& a, const Item& b) { return CompareLabels(a, b.label) < 0; });
    return static_cast<int>(place - items.begin());
}

void ListView::ApplyState(std::size_t index, UINT state, UINT mask, bool singleSelection) {
    mask &= LVIS_FOCUSED | LVIS_SELECTED;
    const UINT given = state & mask;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i == index) {
            continue;
        }
        if (singleSelection && (given & LVIS_SELECTED)) {
            items[i].state &= ~LVIS_SELECTED;
        }
        if (given & LVIS_FOCUSED) {
            items[i].state &= ~LVIS_FOCUSED;
        }
    }
    items[index].state = (items[index].state & ~mask) | given;
}

ListView::Geometry ListView::Measure() const {
    Geometry geometry;
    RECT client{};
    GetClientRect(hwnd, &client);
    geometry.clientWidth = client.right;
    std::lock_guard lock(mutex);
    const auto* images = HandleTable::Get<ImageList>(imageList);
    geometry.iconWidth = images ? images->Width() : defaultIconSize;
    geometry.iconHeight = images ? images->Height() : defaultIconSize;
    geometry.spacingX = spacingX;
    geometry.spacingY = spacingY;
    return geometry;
}

RECT ListView::CellRect(const Geometry& geometry, int index) const {
    const int columns = std::max(1, geometry.clientWidth / geometry.spacingX);
    const int column = index % columns;
    const int row = index / columns;
    return {column * geometry.spacingX, row * geometry.spacingY, (column + 1) * geometry.spacingX,
            (row + 1) * geometry.spacingY};
}

RECT ListView::IconRect(const Geometry& geometry, int index) const {
    const RECT cell = CellRect(geometry, index);
    const int left = cell.left + (geometry.spacingX - geometry.iconWidth) / 2;
    const int top = cell.top + iconTop;
    return {left, top, left + geometry.iconWidth, top + geometry.iconHeight};
}

RECT ListView::LabelRect(const Geometry& geometry, int index) const {
    const RECT cell = CellRect(geometry, index);
    const int top = IconRect(geometry, index).bottom + labelGap;
    return {cell.left + 1, top, cell.right - 1,
            std::max(cell.bottom - 1, top + minimumLabelHeight)};
}

int ListView::HitTest(const Geometry& geometry, POINT client) const {
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (Inside(IconRect(geometry, i), client) || Inside(LabelRect(geometry, i), client)) {
            return i;
        }
    }
    return -1;
}

DWORD ListView::Style() const {
    return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
}

LRESULT ListView::Notify(NMHDR& header, UINT code) const {
    HWND parent = nullptr;
    int id = 0;
    {
        WindowManager& manager = WindowManager::Instance();
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        if (!window) {
            return 0;
        }
        parent = window->parent;
        id = window->controlId;
    }
    header.hwndFrom = hwnd;
    header.idFrom = static_cast<UINT_PTR>(id);
    header.code = code;
    return parent ? SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(id),
                                 reinterpret_cast<LPARAM>(&header))
                  : 0;
}

void ListView::Redraw() const {
    InvalidateRect(hwnd, nullptr, TRUE);
}

} // namespace platform
