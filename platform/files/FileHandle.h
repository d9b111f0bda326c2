// An open file of the device, behind the HANDLE that CreateFileW returns.
#pragma once

#include "HandleObject.h"
#include "platform/types.h"

namespace platform {

class FileHandle : public HandleObject {
  public:
    // Takes the descriptor; the access flags say what the handle was opened for.
    FileHandle(int descriptor, bool readable, bool writable);
    ~FileHandle() override;

    // Reads until count bytes have been read or the file ends; done counts what was read.
    // False with the last error set on failure.
    bool Read(void* buffer, DWORD count, DWORD& done);
    // Writes all count bytes; done counts what was written, also when writing fails.
    bool Write(const void* buffer, DWORD count, DWORD& done);

  private:
    int descriptor;
    bool readable;
    bool writable;
};

} // namespace platform
