// What Common makes visible to the programs that load it. The library is built with hidden
// visibility, so only what carries COMMON_EXPORT is exported; COMMON_HIDDEN keeps a member of an
// exported class (one the programs reach only through the virtual table) out of the exports.
#pragma once

#define COMMON_EXPORT __attribute__((visibility("default")))
#define COMMON_HIDDEN __attribute__((visibility("hidden")))
