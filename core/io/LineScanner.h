#pragma once

#include "ByteSource.h"

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
        : m_source(&source), m_capacity(blockSize == 0 ? 1 : blockSize), m_owned(new char[m_capacity]),
          m_data(m_owned.get()) {}

    /// Splits bytes already in memory (kept by the caller while the scanner is used) as if they were a file.
    explicit LineScanner(std::string_view bytes)
        : m_capacity(bytes.size()), m_data(bytes.data()), m_end(bytes.size()),
          m_mayHoldEndMark(bytes.find('\x1A') != std::string_view::npos) {}

    /// Reads the next line, handing its bytes to `sink(std::string_view)` in one or more non-empty pieces.
    /// Returns false when the file holds no further line, or when reading failed (see error()).
    template <class Sink> bool readLine(Sink&& sink);

    /// Moves the next whole lines, as many as `block` holds, into it and returns their length: bytes up
    /// to and including a line feed, or at the end of the file its last line without one. `block` has room
    /// for blockSize() bytes. Returns 0 when the next line is longer than a block (readLine reads it in
    /// pieces), when no byte is left, and after a failed read (readLine then reports it).
    std::size_t readWholeLines(char* block);

    std::size_t blockSize() const { return m_capacity; }
    /// The system's error code when reading failed, else 0.
    int error() const { return m_source != nullptr ? m_source->error() : 0; }
    std::uint64_t bytesRead() const { return m_bytesRead; }
    /// Where the next byte to split lies from the start of the data.
    std::uint64_t offset() const { return bufferStart() + m_pos; }
    /// Whether a 0x1A at the start of a line ended the file.
    bool endMarkSeen() const { return m_endMark; }
    /// Where readLine found the 0x1A that ended the file, from the start of the data.
    std::uint64_t endMarkOffset() const { return m_endMarkOffset; }

    /// Hands every byte not yet split to `sink(std::string_view)`, to the end of the data; after an end
    /// mark that readLine found, every byte after the mark. The scanner splits nothing afterwards.
    template <class Sink> void readRest(Sink&& sink);
    /// The bytes of memory not yet split, from the start of the next line; none once the end was found.
    std::string_view unread() const {
        return m_source == nullptr && !m_finished ? std::string_view(m_data + m_pos, m_end - m_pos) : std::string_view();
    }

private:
    bool refill();
    std::uint64_t bufferStart() const { return m_source != nullptr ? m_bytesRead - m_end : 0; }
    template <class Sink> static bool handOnWithoutCr(const char* begin, const char* end, Sink& sink);

    ByteSource* m_source = nullptr; // none for bytes in memory
    std::size_t m_capacity;
    // Left uninitialised: a small file touches only the first pages of a large block.
    std::unique_ptr<char[]> m_owned; // the block read from the source
    const char* m_data;              // the bytes being split: m_owned, or the caller's
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::uint64_t m_bytesRead = 0;
    bool m_finished = false;
    bool m_endMark = false;
    std::uint64_t m_endMarkOffset = 0;
    bool m_mayHoldEndMark = true; // bytes in memory are looked through once, not line by line
};

inline bool LineScanner::refill() {
    m_pos = 0;
    m_end = m_source != nullptr ? m_source->read(m_owned.get(), m_capacity) : 0;
    m_bytesRead += m_end;
    return m_end > 0;
}

inline std::size_t LineScanner::readWholeLines(char* block) {
    if (m_finished || m_source == nullptr) return 0;
    std::size_t have = m_end - m_pos;
    std::memcpy(block, m_data + m_pos, have);
    bool ended = false; // the source has no further byte, or failed
    while (have < m_capacity) {
        const std::size_t got = m_source->read(block + have, m_capacity - have);
        if (got == 0) {
            ended = true;
            break;
        }
        have += got;
        m_bytesRead += got;
    }
    const std::size_t lastLf = std::string_view(block, have).rfind('\n');
    std::size_t whole = 0;
    if (lastLf != std::string_view::npos) {
        whole = lastLf + 1;
    } else if (ended && m_source->error() == 0) {
        whole = have; // the last line, without line feed
    }
    // What follows the whole lines stays for the next call or for readLine.
    m_pos = 0;
    m_end = have - whole;
    std::memcpy(m_owned.get(), block + whole, m_end);
    return whole;
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
            return (kept || skipping) && error() == 0;
        }
        const char* begin = m_data + m_pos;
        const char* end = m_data + m_end;
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
        const char* stop = lf != nullptr ? lf : end;
        if (!skipping) {
            const auto* eof = m_mayHoldEndMark ? static_cast<const char*>(std::memchr(
                                                     begin, 0x1A, static_cast<std::size_t>(stop - begin)))
                                               : nullptr;
            kept = handOnWithoutCr(begin, eof != nullptr ? eof : stop, sink) || kept;
            if (eof != nullptr) {
                if (!kept) {
                    m_finished = true;
                    m_endMark = true;
                    m_endMarkOffset = bufferStart() + static_cast<std::uint64_t>(eof - m_data);
                    m_pos = static_cast<std::size_t>(eof + 1 - m_data);
                    return false;
                }
                skipping = true;
            }
        }
        if (lf != nullptr) {
            m_pos = static_cast<std::size_t>(lf + 1 - m_data);
            return true;
        }
        m_pos = m_end;
    }
}

template <class Sink> void LineScanner::readRest(Sink&& sink) {
    m_finished = true;
    if (m_pos < m_end) sink(std::string_view(m_data + m_pos, m_end - m_pos));
    m_pos = m_end;
    while (m_source != nullptr && refill()) {
        sink(std::string_view(m_data, m_end));
        m_pos = m_end;
    }
}

} // namespace quarvel
