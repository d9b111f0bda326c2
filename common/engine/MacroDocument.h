// The one macro document of a process, reached through Macros::GetInstance. It reads macro
// files by name from the macro library folder.
#pragma once

#include "MacroList.h"

class MacroDocument : public MacroList {
  public:
    // Stops recording and replaces the steps with those of the named macro file. A name that
    // could reach outside the macro library folder is refused: false, with the list emptied.
    bool Load(const std::wstring& name) override;
};
