// A search of a device folder started by FindFirstFileW, behind the HANDLE it returns. The
// matching entries are read when the search starts, so removing them while walking the search
// (as removing a folder tree does) neither skips nor repeats any.
#pragma once

#include <string>
#include <vector>

#include "FileInfo.h"
#include "HandleObject.h"
#include "platform/files.h"

namespace platform {

class FileSearch : public HandleObject {
  public:
    struct Entry {
        std::wstring name;
        FileInfo info;
    };

    explicit FileSearch(std::vector<Entry> entries);

    // Fills data with the next entry; false when there is none left.
    bool Next(WIN32_FIND_DATAW& data);

  private:
    std::vector<Entry> entries;
    std::size_t next = 0;
};

} // namespace platform
