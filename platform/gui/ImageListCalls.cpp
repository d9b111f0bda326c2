// Image lists and icons, behind the handle table.
#include "HandleTable.h"
#include "Icon.h"
#include "ImageList.h"
#include "platform/commctrl.h"

using platform::HandleTable;
using platform::Icon;
using platform::ImageList;

namespace {

constexpr int maxImageSize = 256;

ImageList* Find(HIMAGELIST list) {
    return HandleTable::Get<ImageList>(list);
}

} // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT, int, int) {
    if (cx < 1 || cy < 1 || cx > maxImageSize || cy > maxImageSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HIMAGELIST>(HandleTable::Add(std::make_unique<ImageList>(cx, cy)));
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    if (!Find(list)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return HandleTable::Close(list) ? TRUE : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    const ImageList* found = Find(list);
    return found ? found->Count() : 0;
}

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
    ImageList* found = Find(list);
    const Icon* image = HandleTable::Get<Icon>(icon);
    if (!found || !image) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (index == -1) {
        return found->Add(*image);
    }
    return found->Replace(index, *image) ? index : -1;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
    ImageList* found = Find(list);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (index == -1) {
        found->Clear();
        return TRUE;
    }
    return found->Remove(index) ? TRUE : FALSE;
}

BOOL DestroyIcon(HICON icon) {
    if (!HandleTable::Get<Icon>(icon)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return HandleTable::Close(icon) ? TRUE : FALSE;
}
