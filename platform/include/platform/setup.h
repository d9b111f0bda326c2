// The interface between the device's application installer and a product's setup library: the
// four hooks it calls around copying and removing the product's files, and what they answer.
// The installer loads the library and looks the hooks up by these names.
#pragma once

#include "platform/types.h"

enum codeINSTALL_INIT { codeINSTALL_INIT_CONTINUE = 0, codeINSTALL_INIT_CANCEL };
enum codeINSTALL_EXIT { codeINSTALL_EXIT_DONE = 0, codeINSTALL_EXIT_UNINSTALL };
enum codeUNINSTALL_INIT { codeUNINSTALL_INIT_CONTINUE = 0, codeUNINSTALL_INIT_CANCEL };
enum codeUNINSTALL_EXIT { codeUNINSTALL_EXIT_DONE = 0 };

// Before the product's files are copied: the owner window, whether this is the first call of
// the installation, whether the product was installed before, and the installation directory.
using pfnInstall_Init = codeINSTALL_INIT (*)(HWND owner, BOOL firstCall, BOOL previouslyInstalled,
                                             LPCWSTR installDir);
// After they are copied: the installation directory and the counts of files and registry
// entries that could not be put in place. codeINSTALL_EXIT_UNINSTALL asks the installer to
// remove the installation again.
using pfnInstall_Exit = codeINSTALL_EXIT (*)(HWND owner, LPCWSTR installDir, WORD failedDirs,
                                             WORD failedFiles, WORD failedRegKeys,
                                             WORD failedRegVals, WORD failedShortcuts);
// Before the product's files are removed.
using pfnUninstall_Init = codeUNINSTALL_INIT (*)(HWND owner, LPCWSTR installDir);
// After they are removed.
using pfnUninstall_Exit = codeUNINSTALL_EXIT (*)(HWND owner);

#define SETUP_EXPORT extern "C" __attribute__((visibility("default")))
