#pragma once

// The one stand-in for an input file that the tests, the fuzz targets and the benchmarks share: bytes in
// memory, read as from a disk. Header only, so that the fuzz targets and the benchmarks, which are built
// without the test suite, can use it too.

#include "ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

namespace quarvel::test {

/// How a MemorySource hands out its bytes.
struct MemoryReading {
    static constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();
    /// The most bytes one read gives, so that short inputs cross the edges of the reader's blocks.
    std::size_t chunk = kAll;
    /// Short of the end, reading fails with EIO once this many bytes were read, as a broken medium would.
    std::size_t failAfter = kAll;
    /// The source tells the stamp of a file of its size that never changes, so that the load's checks of
    /// a file changed while read run too; without it, it is no file.
    bool stamped = false;
};

/// Bytes in memory read front to back as a file; the bytes are the caller's, kept while they are read.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes, MemoryReading how = {})
        : m_bytes(bytes), m_chunk(std::max<std::size_t>(how.chunk, 1)), m_failAfter(how.failAfter),
          m_stamped(how.stamped) {}

    std::size_t read(char* buffer, std::size_t n) override {
        const std::size_t limit = std::min(m_bytes.size(), m_failAfter);
        if (m_pos >= limit) {
            if (limit < m_bytes.size()) m_error = EIO;
            return 0;
        }
        const std::size_t got = std::min({n, m_chunk, limit - m_pos});
        std::memcpy(buffer, m_bytes.data() + m_pos, got);
        m_pos += got;
        return got;
    }
    int error() const override { return m_error; }
    std::optional<platform::FileStamp> stamp() const override {
        if (!m_stamped) return std::nullopt;
        platform::FileStamp stamp;
        stamp.size = m_bytes.size();
        return stamp;
    }

private:
    std::string_view m_bytes;
    std::size_t m_chunk;
    std::size_t m_failAfter;
    bool m_stamped;
    std::size_t m_pos = 0;
    int m_error = 0;
};

/// An opener that hands out the same bytes, read as `how` says, whatever path it is asked for.
inline SourceOpener MemoryOpener(std::string_view bytes, MemoryReading how = {}) {
    return [bytes, how](const std::filesystem::path&) {
        return OpenedSource{std::make_unique<MemorySource>(bytes, how), 0};
    };
}

} // namespace quarvel::test
