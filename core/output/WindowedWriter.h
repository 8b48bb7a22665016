#pragma once

#include "Parallel.h"
#include "io/AtomicFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <future>
#include <string>
#include <string_view>

namespace quarvel {

/// Bytes made one piece after another. Unlike a string resized for each piece, it clears memory only
/// when it grows.
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
    std::string m_bytes;
    std::size_t m_used = 0;
};

/// Writes to `out`, in record order, the text that `make(begin, end, LineBuffer&)` appends for records
/// [begin, end), for all records [0, count). Windows of records are made side by side in slices of
/// `perSlice` records, and the next window is made while the last one is written; so a large file is
/// never held whole, and `make` runs on several threads at once.
template <class Make> void WriteInWindows(FileOutput& out, std::size_t count, std::size_t perSlice, const Make& make) {
    struct Window {
        std::array<LineBuffer, Slices::kMaxSlices> text;
        std::size_t slices = 0;
    };
    const std::size_t window = perSlice * Slices::cores();
    const auto fill = [&](std::size_t start, Window& into) {
        const Slices slices(std::min(window, count - start), perSlice);
        RunSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
            into.text[k].clear();
            make(start + begin, start + end, into.text[k]);
        });
        into.slices = slices.count();
    };
    std::array<Window, 2> windows;
    if (count > 0) fill(0, windows[0]);
    for (std::size_t start = 0, w = 0; start < count; start += window, w ^= 1) {
        std::future<void> next;
        if (start + window < count) next = RunBeside([&, start, w] { fill(start + window, windows[w ^ 1]); });
        for (std::size_t k = 0; k < windows[w].slices; ++k) out.write(windows[w].text[k].bytes());
        if (next.valid()) next.get();
    }
}

} // namespace quarvel
