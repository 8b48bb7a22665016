#pragma once

#include "AtomicFile.h"
#include "DefaultInitAllocator.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

namespace quarvel {

/// Bytes made one piece after another. Unlike a string resized for each piece, it never clears memory: a
/// byte is first touched when it is written, so a buffer costs only the bytes of its longest text.
class LineBuffer {
public:
    /// Room for `n` more bytes after what is used; write them, then hand the end to commit().
    char* room(std::size_t n) {
        if (m_bytes.size() - m_used < n) m_bytes.resize(std::max(m_bytes.size() * 2, m_used + n));
        return m_bytes.data() + m_used;
    }
    void commit(const char* end) { m_used = static_cast<std::size_t>(end - m_bytes.data()); }
    /// Appends `text` and CR LF.
    void appendLine(std::string_view text) {
        char* at = room(text.size() + 2);
        std::memcpy(at, text.data(), text.size());
        at += text.size();
        *at++ = '\r';
        *at++ = '\n';
        commit(at);
    }
    std::string_view bytes() const { return {m_bytes.data(), m_used}; }
    void clear() { m_used = 0; }

private:
    UninitialisedBytes m_bytes;
    std::size_t m_used = 0;
};

/// Makes the texts of chunks [0, count) with `make(chunk, LineBuffer&)` on one thread per core and hands
/// each to `write` in chunk order, on the calling thread, as soon as it and all before it are made. Only
/// a few chunks ahead of the writing are held at a time. The first exception thrown by `make` or `write`
/// is rethrown once every thread has stopped.
void writeChunksInOrder(std::size_t count, const std::function<void(std::size_t, LineBuffer&)>& make,
                        const std::function<void(std::string_view)>& write);

/// Writes to `out`, in record order, the text that `make(begin, end, LineBuffer&)` appends for records
/// [begin, end), for all records [0, count), in chunks of `perChunk` records made side by side: a large
/// file is never held whole, and `make` runs on several threads at once.
template <class Make> void writeInChunks(FileOutput& out, std::size_t count, std::size_t perChunk, const Make& make) {
    const std::size_t chunks = (count + perChunk - 1) / perChunk;
    writeChunksInOrder(
        chunks,
        [&](std::size_t k, LineBuffer& text) { make(k * perChunk, std::min(count, (k + 1) * perChunk), text); },
        [&out](std::string_view bytes) { out.write(bytes); });
}

} // namespace quarvel
