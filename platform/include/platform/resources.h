// Resources: the numbered bitmaps, icons and version information that a program or a library
// carries inside its own file, as on the device. A deliverable's resources are compiled into the
// ELF section ".tapweave.rsrc" of its file (CMake: tapweave_add_resources), and read back from
// the file on disk, so that a program's icon can be read without loading it.
//
// The data of each kind:
// - RT_BITMAP: a Windows .bmp file: BITMAPFILEHEADER, BITMAPINFOHEADER, 24 bits per pixel
//   (blue, green, red), rows bottom-up, each row padded to a multiple of 4 bytes.
// - RT_GROUP_ICON: one icon image: its width and height (32 and 32) as two 32-bit
//   little-endian numbers, then width x height pixels of 4 bytes, red, green, blue and alpha
//   (not premultiplied), rows top-down.
// - RT_VERSION: UTF-8 text, one line each (line feeds): first the translation the strings are
//   filed under ("041904b0"), then "Name=Value" lines ("CompanyName=Veltrane").
// Within a kind, resources are ordered by their numbers; an index counts in that order, so icon
// index 0 of a file is its icon with the lowest number.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

#define RT_BITMAP 2u
#define RT_GROUP_ICON 14u
#define RT_VERSION 16u

namespace platform {

// The file of a module: for a null handle, or the one GetModuleHandleW(nullptr) gives, this
// program's own executable; for a library's handle (from ModuleOf), the library's file. Empty for
// a handle that names no loaded module.
std::string ModuleFile(HMODULE module);
// The module that holds an address: a library's handle for code or data of a library, the
// program's (as GetModuleHandleW(nullptr) gives it) for the program's own; null for an address
// no module holds. A library finds its own handle with the address of one of its functions.
HMODULE ModuleOf(const void* address);

// A resource of a kind by its number, or by its index among the file's resources of that kind.
// nullopt when the file cannot be read, is not an ELF file, has no resource section or a
// damaged one, or holds no such resource.
std::optional<std::vector<BYTE>> ReadResource(const std::string& file, DWORD type, DWORD id);
std::optional<std::vector<BYTE>> ReadResourceAt(const std::string& file, DWORD type,
                                                std::size_t index);
// How many resources of the kind the file holds; 0 when it cannot be read.
std::size_t ResourceCount(const std::string& file, DWORD type);

} // namespace platform
