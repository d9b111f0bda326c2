// The one macro document of a process, reached through Macros::GetInstance. It reads macro
// files by name from the macro library folder and saves a recording as a new macro there.
#pragma once

#include "MacroList.h"

class MacroDocument : public MacroList {
  public:
    // Stops recording and replaces the steps with those of the named macro file. A name that
    // could reach outside the macro library folder is refused: false, with the list emptied.
    bool Load(const std::wstring& name) override;
    // Stops recording and saves the steps under the first free name of "New Macro", "New
    // Macro 1", "New Macro 2", ...: the macro file, then its shortcut (even when the file could
    // not be written). Then shows the library window with the new macro open for renaming and,
    // once it is closed, empties the list. The lock is not held while the window is open, so
    // steps arriving meanwhile are refused at once rather than kept waiting.
    void Save() override;
};
