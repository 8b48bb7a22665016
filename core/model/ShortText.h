#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvel {

/// A single-byte text of at most 255 characters, held inline: every value of a record fits one.
class ShortText {
public:
    static constexpr std::size_t kCapacity = 255;

    ShortText() = default;
    /// Keeps the first 255 bytes of `text`.
    explicit ShortText(std::string_view text) { assign(text); }

    void assign(std::string_view text) {
        m_size = static_cast<std::uint8_t>(text.size() < kCapacity ? text.size() : kCapacity);
        text.copy(m_data.data(), m_size);
    }
    void clear() { m_size = 0; }
    void push_back(char c) {
        if (m_size < kCapacity) m_data[m_size++] = c;
    }

    char* data() { return m_data.data(); }
    const char* data() const { return m_data.data(); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    /// Sets the length after writing through data(); `n` must not exceed kCapacity.
    void resize(std::size_t n) { m_size = static_cast<std::uint8_t>(n < kCapacity ? n : kCapacity); }

    std::string_view view() const { return {m_data.data(), m_size}; }
    operator std::string_view() const { return view(); } // NOLINT(google-explicit-constructor)
    std::string str() const { return std::string(view()); }
    char operator[](std::size_t i) const { return m_data[i]; }

    friend bool operator==(const ShortText& a, const ShortText& b) { return a.view() == b.view(); }
    friend bool operator==(const ShortText& a, std::string_view b) { return a.view() == b; }

private:
    std::array<char, kCapacity> m_data;
    std::uint8_t m_size = 0;
};

} // namespace quarvel
