#include "WindowClasses.h"

#include <algorithm>

#include "DialogWindow.h"
#include "EditControl.h"
#include "FileName.h"
#include "ListView.h"

namespace platform {

namespace {

std::shared_ptr<const WindowClass> Predefined(const wchar_t* name, WNDPROC procedure,
                                              HBRUSH background) {
    auto windowClass = std::make_shared<WindowClass>();
    windowClass->name = name;
    windowClass->procedure = procedure;
    windowClass->background = background;
    windowClass->predefined = true;
    return windowClass;
}

} // namespace

WindowClasses& WindowClasses::Instance() {
    static WindowClasses instance;
    return instance;
}

// Pocket PC dialogs and their static texts are white.
WindowClasses::WindowClasses()
    : classes{
          Predefined(dialogClass, DialogWindow::Procedure,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))),
          Predefined(staticClass, DefWindowProcW, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))),
          Predefined(menuBarClass, DefWindowProcW, nullptr),
          Predefined(listViewClass, ListView::Procedure,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))),
          Predefined(EditControl::className, EditControl::Procedure,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)))} {}

bool WindowClasses::Register(const WindowClass& windowClass) {
    std::lock_guard lock(mutex);
    const auto taken = std::find_if(classes.begin(), classes.end(), [&](const auto& existing) {
        return FileName::EqualIgnoringCase(existing->name, windowClass.name);
    });
    if (taken != classes.end()) {
        return false;
    }
    classes.push_back(std::make_shared<const WindowClass>(windowClass));
    return true;
}

bool WindowClasses::Unregister(const std::wstring& name) {
    std::lock_guard lock(mutex);
    const auto found = std::find_if(classes.begin(), classes.end(), [&](const auto& existing) {
        return !existing->predefined && FileName::EqualIgnoringCase(existing->name, name);
    });
    if (found == classes.end()) {
        return false;
    }
    classes.erase(found);
    return true;
}

std::shared_ptr<const WindowClass> WindowClasses::Find(const std::wstring& name) const {
    std::lock_guard lock(mutex);
    const auto found = std::find_if(classes.begin(), classes.end(), [&](const auto& existing) {
        return FileName::EqualIgnoringCase(existing->name, name);
    });
    return found == classes.end() ? nullptr : *found;
}

} // namespace platform
