#pragma once

#include "io/ByteSource.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace quarvel {

/// Splits a byte stream into the lines of an input file, in bounded memory whatever a line's length.
///
/// A line ends at a line feed; carriage returns are never part of a line. A 0x1A at the start of a line
/// ends the file; inside a line it ends that line and the rest up to the line feed is skipped. A last line
/// without line feed is still a line (one that holds no byte but carriage returns is not).
class LineScanner {
public:
    static constexpr std::size_t kDefaultBlock = std::size_t{1} << 20;

    explicit LineScanner(ByteSource& source, std::size_t blockSize = kDefaultBlock)
        : m_source(source), m_capacity(blockSize == 0 ? 1 : blockSize), m_buffer(new char[m_capacity]) {}

    /// Reads the next line, handing its bytes to `sink(std::string_view)` in one or more non-empty pieces.
    /// Returns false when the file holds no further line, or when reading failed (see error()).
    template <class Sink> bool readLine(Sink&& sink);

    /// The system's error code when reading failed, else 0.
    int error() const { return m_source.error(); }
    std::uint64_t bytesRead() const { return m_bytesRead; }

private:
    bool refill();
    template <class Sink> static bool handOnWithoutCr(const char* begin, const char* end, Sink& sink);

    ByteSource& m_source;
    std::size_t m_capacity;
    // Left uninitialised: a small file touches only the first pages of a large block.
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::uint64_t m_bytesRead = 0;
    bool m_finished = false;
};

inline bool LineScanner::refill() {
    m_pos = 0;
    m_end = m_source.read(m_buffer.get(), m_capacity);
    m_bytesRead += m_end;
    return m_end > 0;
}

template <class Sink> bool LineScanner::handOnWithoutCr(const char* begin, const char* end, Sink& sink) {
    bool handed = false;
    while (begin < end) {
        const auto* cr = static_cast<const char*>(std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)));
        const char* pieceEnd = cr != nullptr ? cr : end;
        if (pieceEnd > begin) {
            sink(std::string_view(begin, static_cast<std::size_t>(pieceEnd - begin)));
            handed = true;
        }
        begin = cr != nullptr ? cr + 1 : end;
    }
    return handed;
}

template <class Sink> bool LineScanner::readLine(Sink&& sink) {
    if (m_finished) return false;
    bool kept = false;     // some byte of this line was handed on
    bool skipping = false; // a 0x1A ended the line; the rest up to its line feed is dropped
    for (;;) {
        if (m_pos == m_end && !refill()) {
            m_finished = true;
            return (kept || skipping) && m_source.error() == 0;
        }
        const char* begin = m_buffer.get() + m_pos;
        const char* end = m_buffer.get() + m_end;
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
        const char* stop = lf != nullptr ? lf : end;
        if (!skipping) {
            const auto* eof =
                static_cast<const char*>(std::memchr(begin, 0x1A, static_cast<std::size_t>(stop - begin)));
            kept = handOnWithoutCr(begin, eof != nullptr ? eof : stop, sink) || kept;
            if (eof != nullptr) {
                if (!kept) {
                    m_finished = true;
                    return false;
                }
                skipping = true;
            }
        }
        if (lf != nullptr) {
            m_pos = static_cast<std::size_t>(lf + 1 - m_buffer.get());
            return true;
        }
        m_pos = m_end;
    }
}

} // namespace quarvel
