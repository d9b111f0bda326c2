// The one macro document of a process, reached through Macros::GetInstance. It reads macro
// files by name from the macro library folder and saves a recording as a new macro there.
#pragma once

#include "MacroList.h"

class MacroDocument : public MacroList {
  public:
    // Stops recording and replaces the steps with those of the named macro file. A name that
    // could reach outside the macro library folder, or a file that is not a regular file of at
    // most maximumMacroFileSize bytes, is refused: false, with the list emptied.
    bool Load(const std::wstring& name) override;
    // Stops recording and saves the steps under the first free name of "New Macro", "New
    // Macro 1", "New Macro 2", ... (free: nothing of that name exists): the macro file is
    // written whole under its name or not at all. Then the saved steps leave the list, the
    // shortcut is made and the library window shows the new macro open for renaming; the lock
    // is not held while it is open, and the recorder may record the next macro meanwhile. A
    // save that fails keeps the steps, makes no shortcut, opens no window and tells the person
    // why in a message box.
    void Save() override;
};
