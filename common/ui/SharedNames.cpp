#include "SharedNames.h"

const std::wstring companyName = L"Veltrane";
const std::wstring productName = L"Tapweave";
const std::wstring macrosFolderName = L"Macros";
const std::wstring macroExtension = L".macros";
const std::wstring productRegistryKey = L"SOFTWARE\\" + companyName + L"\\" + productName;
const std::wstring recorderClassName = productName + L" Class";
const std::wstring recorderWindowTitle = productName + L" Recorder";
const std::wstring newMacroName = L"New Macro";
