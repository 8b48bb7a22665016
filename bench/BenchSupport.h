#pragma once

#include "Session.h"
#include "ByteSource.h"
#include "support/MemorySource.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace quarvel::bench {

// The bytes of a file held in memory, so a stage can be timed without the disk and the page cache.
using test::MemoryOpener;
using test::MemorySource;

/// A user interface that shows nothing: the benchmarks time the logic alone.
class SilentUi final : public UserInterface {
public:
    void showMessage(MessageKind, std::string_view) override {}
    void setBusy(bool) override {}
    std::optional<std::filesystem::path> chooseFileToOpen(const std::vector<FileFilter>&,
                                                          const std::filesystem::path&) override {
        return std::nullopt;
    }
};

/// Bytes the model of a loaded file uses: records, raw values and rewritten values.
inline std::size_t ModelBytesUsed(const LoadedFile& file) {
    return file.bytesUsed();
}

/// Bytes the model has reserved; untouched reserve costs address space, not memory.
inline std::size_t ModelBytesReserved(const LoadedFile& file) {
    return file.bytesReserved();
}

} // namespace quarvel::bench
