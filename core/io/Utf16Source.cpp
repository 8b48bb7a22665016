#include "Utf16Source.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace quarvel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Writes the UTF-8 bytes of `cp` at `out`; returns their number (1 to 4).
std::size_t encodeUtf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

bool isHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool isLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

class Utf16Source final : public ByteSource {
public:
    explicit Utf16Source(std::unique_ptr<ByteSource> source) : m_source(std::move(source)), m_in(kInputBlock) {}

    std::size_t read(char* buffer, std::size_t n) override {
        if (m_kind == Kind::Unknown) return readFirst(buffer, n);
        if (m_kind == Kind::Plain) return readPlain(buffer, n);
        return readDecoded(buffer, n);
    }
    int error() const override { return m_source->error(); }
    std::optional<platform::FileStamp> stamp() const override { return m_source->stamp(); }
    std::optional<std::uint64_t> fileBytesRead() const override {
        if (m_kind == Kind::Plain || m_kind == Kind::Unknown) return m_source->fileBytesRead();
        return m_consumed;
    }

private:
    static constexpr std::size_t kInputBlock = std::size_t{1} << 16;
    enum class Kind { Unknown, Plain, LittleEndian, BigEndian };

    // The first read tells the kind of the file by its first two bytes. A file handed on as it is is
    // read into the caller's buffer, in the reads the caller asks for, exactly as without this source.
    std::size_t readFirst(char* buffer, std::size_t n) {
        char* const into = n >= 2 ? buffer : m_in.data();
        const std::size_t room = n >= 2 ? n : m_in.size();
        std::size_t got = 0;
        while (got < 2) {
            const std::size_t more = m_source->read(into + got, room - got);
            if (more == 0) break;
            got += more;
        }
        m_consumed = got;
        const auto byte = [into](std::size_t k) { return static_cast<unsigned char>(into[k]); };
        m_kind = Kind::Plain;
        if (got >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) m_kind = Kind::LittleEndian;
        if (got >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) m_kind = Kind::BigEndian;
        if (into == buffer) {
            if (m_kind == Kind::Plain) return got;
            // Decoded from now on: the bytes move to the input.
            if (m_in.size() < got) m_in.resize(got);
            std::memcpy(m_in.data(), buffer, got);
        }
        m_inEnd = got;
        return read(buffer, n);
    }

    std::size_t readPlain(char* buffer, std::size_t n) {
        if (m_inPos < m_inEnd) {
            const std::size_t got = std::min(n, m_inEnd - m_inPos);
            std::memcpy(buffer, m_in.data() + m_inPos, got);
            m_inPos += got;
            return got;
        }
        return m_source->read(buffer, n);
    }

    // The next code unit, or none at the end of the input (or on a failure of the source). An odd last
    // byte is a unit of its own that decodes to U+FFFD.
    std::optional<char32_t> nextUnit() {
        if (m_inEnd - m_inPos < 2 && !m_ended) refillInput();
        const std::size_t left = m_inEnd - m_inPos;
        if (left == 0) return std::nullopt;
        if (left == 1) {
            ++m_inPos;
            return kReplacement;
        }
        const auto a = static_cast<unsigned char>(m_in[m_inPos]);
        const auto b = static_cast<unsigned char>(m_in[m_inPos + 1]);
        m_inPos += 2;
        return m_kind == Kind::LittleEndian ? char32_t{a} | (char32_t{b} << 8) : (char32_t{a} << 8) | char32_t{b};
    }

    void refillInput() {
        // At most one byte is left over: it moves to the front.
        const std::size_t left = m_inEnd - m_inPos;
        std::memmove(m_in.data(), m_in.data() + m_inPos, left);
        m_inPos = 0;
        m_inEnd = left;
        while (m_inEnd < 2) {
            const std::size_t got = m_source->read(m_in.data() + m_inEnd, m_in.size() - m_inEnd);
            if (got == 0) {
                m_ended = true;
                return;
            }
            m_inEnd += got;
            m_consumed += got;
        }
    }

    // The next character as UTF-8 into m_pending; false at the end of the input.
    bool decodeNext() {
        std::optional<char32_t> unit = m_heldUnit ? std::exchange(m_heldUnit, std::nullopt) : nextUnit();
        if (!unit) return false;
        char32_t cp = *unit;
        if (isHighSurrogate(cp)) {
            const std::optional<char32_t> low = nextUnit();
            if (low && isLowSurrogate(*low)) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
            } else {
                cp = kReplacement;
                m_heldUnit = low; // decoded on its own next time
            }
        } else if (isLowSurrogate(cp)) {
            cp = kReplacement;
        }
        m_pendingSize = encodeUtf8(cp, m_pending.data());
        m_pendingPos = 0;
        return true;
    }

    std::size_t readDecoded(char* buffer, std::size_t n) {
        std::size_t out = 0;
        while (out < n) {
            if (m_pendingPos == m_pendingSize && !decodeNext()) break;
            const std::size_t got = std::min(n - out, m_pendingSize - m_pendingPos);
            std::memcpy(buffer + out, m_pending.data() + m_pendingPos, got);
            m_pendingPos += got;
            out += got;
        }
        return out;
    }

    std::unique_ptr<ByteSource> m_source;
    Kind m_kind = Kind::Unknown;
    std::vector<char> m_in;
    std::size_t m_inPos = 0;
    std::size_t m_inEnd = 0;
    bool m_ended = false;
    std::uint64_t m_consumed = 0;
    std::optional<char32_t> m_heldUnit;
    std::array<char, 4> m_pending{};
    std::size_t m_pendingSize = 0;
    std::size_t m_pendingPos = 0;
};

} // namespace

std::unique_ptr<ByteSource> decodeUtf16(std::unique_ptr<ByteSource> source) {
    if (!source) return source;
    return std::make_unique<Utf16Source>(std::move(source));
}

OpenedSource openInputText(const SourceOpener& open, const std::filesystem::path& path) {
    OpenedSource opened = open(path);
    opened.source = decodeUtf16(std::move(opened.source));
    return opened;
}

} // namespace quarvel
