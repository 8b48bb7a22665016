#include "TerminalText.h"

#include <string>

namespace quarvel {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool send(std::streambuf* target, const std::string& text) {
    return target->sputn(text.data(), static_cast<std::streamsize>(text.size())) ==
           static_cast<std::streamsize>(text.size());
}

} // namespace

bool TerminalText::put(unsigned char c) {
    if (m_afterC2) {
        m_afterC2 = false;
        if (c >= 0x80 && c <= 0x9F) return send(m_target, std::string("\\u00") + kHex[c >> 4] + kHex[c & 15U]);
        if (m_target->sputc(static_cast<char>(0xC2)) == traits_type::eof()) return false;
    }
    if (c == 0xC2) {
        m_afterC2 = true;
        return true;
    }
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F)
        return send(m_target, std::string("\\x") + kHex[c >> 4] + kHex[c & 15U]);
    return m_target->sputc(static_cast<char>(c)) != traits_type::eof();
}

TerminalText::int_type TerminalText::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    return put(static_cast<unsigned char>(traits_type::to_char_type(c))) ? c : traits_type::eof();
}

std::streamsize TerminalText::xsputn(const char_type* text, std::streamsize count) {
    for (std::streamsize k = 0; k < count; ++k) {
        if (!put(static_cast<unsigned char>(text[k]))) return k;
    }
    return count;
}

int TerminalText::sync() {
    // A lead byte held back goes out with what is flushed: nothing printed is lost.
    if (m_afterC2) {
        m_afterC2 = false;
        if (m_target->sputc(static_cast<char>(0xC2)) == traits_type::eof()) return -1;
    }
    return m_target->pubsync();
}

} // namespace quarvel
