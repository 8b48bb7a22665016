#include "ConsoleBuffer.h"

namespace quarvel {

ConsoleBuffer::~ConsoleBuffer() {
    ConsoleBuffer::sync();
    if (!m_text.empty()) (void)m_write(m_text);
}

ConsoleBuffer::int_type ConsoleBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    m_text.push_back(traits_type::to_char_type(c));
    if (c == '\n' && sync() != 0) return traits_type::eof();
    return c;
}

std::streamsize ConsoleBuffer::xsputn(const char_type* text, std::streamsize count) {
    const std::string_view piece(text, static_cast<std::size_t>(count));
    m_text.append(piece);
    if (piece.find('\n') != std::string_view::npos && sync() != 0) return 0;
    return count;
}

int ConsoleBuffer::sync() {
    // The bytes of a character not yet complete wait for the rest: the lead byte of the last character,
    // then whether all the bytes it announces are there.
    std::size_t end = m_text.size();
    std::size_t lead = end;
    while (lead > 0 && (static_cast<unsigned char>(m_text[lead - 1]) & 0xC0U) == 0x80U)
        --lead;
    if (lead > 0) {
        const auto first = static_cast<unsigned char>(m_text[lead - 1]);
        const std::size_t length = first >= 0xF0U ? 4 : first >= 0xE0U ? 3 : first >= 0xC0U ? 2 : 1;
        if (end - (lead - 1) < length) end = lead - 1;
    }
    if (end == 0) return 0;
    const bool written = m_write(std::string_view(m_text).substr(0, end));
    m_text.erase(0, end);
    return written ? 0 : -1;
}

} // namespace quarvel
