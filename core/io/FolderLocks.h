#pragma once

#include "Platform.h"

#include <filesystem>
#include <vector>

namespace quarvel::detail {

// The locks of the folders a run writes into, taken in one order by every run so that two runs that
// write into the same two folders cannot wait for each other.
class FolderLocks {
public:
    // 0, or kFolderBusy when another run kept a folder for longer than a run waits.
    int take(const std::vector<std::filesystem::path>& folders);
    void release() { m_held.clear(); }

private:
    std::vector<platform::NativeFile> m_held;
};

} // namespace quarvel::detail
