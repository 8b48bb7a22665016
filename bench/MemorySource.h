#pragma once

#include "Session.h"
#include "io/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace quarvel::bench {

/// The bytes of a file held in memory, so a stage can be timed without the disk and the page cache.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t read(char* buffer, std::size_t n) override {
        const std::size_t got = std::min(n, m_bytes.size() - m_pos);
        std::memcpy(buffer, m_bytes.data() + m_pos, got);
        m_pos += got;
        return got;
    }
    int error() const override { return 0; }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

/// An opener that hands out the same bytes whatever path it is asked for.
inline SourceOpener MemoryOpener(std::string_view bytes) {
    return [bytes](const std::filesystem::path&) { return OpenedSource{std::make_unique<MemorySource>(bytes), 0}; };
}

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
    return file.records.size() * sizeof(TRecOfFile) + file.rawBytes.size() + file.fixBytes.size();
}

/// Bytes the model has reserved; untouched reserve costs address space, not memory.
inline std::size_t ModelBytesReserved(const LoadedFile& file) {
    return file.records.capacity() * sizeof(TRecOfFile) + file.rawBytes.capacity() + file.fixBytes.capacity();
}

} // namespace quarvel::bench
