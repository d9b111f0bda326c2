// How resources lie in a file's ".tapweave.rsrc" section: written by the resource compiler at
// build time, read by ResourceFile.
//
// The section holds one or more tables, one after another, each starting on an 8-byte boundary
// (a program made of several parts may carry several). A table:
//   bytes 0-7    the marker "TWRSRC01"
//   bytes 8-11   the number of entries n
//   bytes 12-15  the size of the whole table in bytes (header, entries and data), a multiple of 8
//   then n entries of 16 bytes each: kind, number, offset of the data from the table's start,
//   size of the data
//   then the data
// Numbers are 32-bit little-endian. Within a table, entries are sorted by kind, then number.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr char resourceSectionName[] = ".tapweave.rsrc";
inline constexpr char resourceMarker[8] = {'T', 'W', 'R', 'S', 'R', 'C', '0', '1'};
inline constexpr std::size_t resourceHeaderSize = 16;
inline constexpr std::size_t resourceEntrySize = 16;
inline constexpr std::size_t resourceAlignment = 8;

} // namespace platform
