// The names by which the deliverables find each other and the user's macros. Each module that
// uses them builds its own copy at load from common/ui/SharedNames.cpp: they share this
// declaration, not storage.
#pragma once

#include <cstddef>
#include <string>

extern const std::wstring companyName;
extern const std::wstring productName;
extern const std::wstring macrosFolderName;
extern const std::wstring macroExtension;
extern const std::wstring productRegistryKey;
extern const std::wstring recorderClassName;
extern const std::wstring recorderWindowTitle;
extern const std::wstring newMacroName;

// The largest macro file read, far beyond any recording (a million lines take about 15 MiB): a
// larger file is refused rather than read into memory.
inline constexpr std::size_t maximumMacroFileSize = 64 * 1024 * 1024;
