// Reading and writing a whole count of bytes on a file descriptor, as the device's files do:
// each goes on after an interrupted or partial call.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Reads until count bytes have been read or the file ends; done counts what was read, also
// when reading fails. False with errno set on failure.
bool ReadAll(int descriptor, void* buffer, std::size_t count, std::size_t& done);
// Writes all count bytes; done counts what was written, also when writing fails. False with
// errno set (to ENOSPC when the file takes nothing more) when it cannot.
bool WriteAll(int descriptor, const void* data, std::size_t count, std::size_t& done);
bool WriteAll(int descriptor, const std::string& text);

} // namespace platform
