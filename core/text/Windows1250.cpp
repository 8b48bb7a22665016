#include "Windows1250.h"

#include <array>
#include <cstdint>

namespace quarvel {
namespace {

// Code points of the bytes 0x80..0xFF; 0 marks the bytes Windows-1250 leaves undefined.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20ac, 0x0000, 0x201a, 0x0000, 0x201e, 0x2026, 0x2020, 0x2021, 
    0x0000, 0x2030, 0x0160, 0x2039, 0x015a, 0x0164, 0x017d, 0x0179, 
    0x0000, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014, 
    0x0000, 0x2122, 0x0161, 0x203a, 0x015b, 0x0165, 0x017e, 0x017a, 
    0x00a0, 0x02c7, 0x02d8, 0x0141, 0x00a4, 0x0104, 0x00a6, 0x00a7, 
    0x00a8, 0x00a9, 0x015e, 0x00ab, 0x00ac, 0x00ad, 0x00ae, 0x017b, 
    0x00b0, 0x00b1, 0x02db, 0x0142, 0x00b4, 0x00b5, 0x00b6, 0x00b7, 
    0x00b8, 0x0105, 0x015f, 0x00bb, 0x013d, 0x02dd, 0x013e, 0x017c, 
    0x0154, 0x00c1, 0x00c2, 0x0102, 0x00c4, 0x0139, 0x0106, 0x00c7, 
    0x010c, 0x00c9, 0x0118, 0x00cb, 0x011a, 0x00cd, 0x00ce, 0x010e, 
    0x0110, 0x0143, 0x0147, 0x00d3, 0x00d4, 0x0150, 0x00d6, 0x00d7, 
    0x0158, 0x016e, 0x00da, 0x0170, 0x00dc, 0x00dd, 0x0162, 0x00df, 
    0x0155, 0x00e1, 0x00e2, 0x0103, 0x00e4, 0x013a, 0x0107, 0x00e7, 
    0x010d, 0x00e9, 0x0119, 0x00eb, 0x011b, 0x00ed, 0x00ee, 0x010f, 
    0x0111, 0x0144, 0x0148, 0x00f3, 0x00f4, 0x0151, 0x00f6, 0x00f7, 
    0x0159, 0x016f, 0x00fa, 0x0171, 0x00fc, 0x00fd, 0x0163, 0x02d9, 
};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char cp1250FromCodePoint(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] != 0 && kHighHalf[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

char32_t unicodeFromCp1250(unsigned char byte) {
    return byte < 0x80 ? char32_t{byte} : char32_t{kHighHalf[byte - 0x80]};
}

std::string utf8FromCp1250(std::string_view cp1250) {
    std::string out;
    out.reserve(cp1250.size() + cp1250.size() / 4);
    for (char c : cp1250) {
        const char32_t cp = unicodeFromCp1250(static_cast<unsigned char>(c));
        appendUtf8(out, cp == 0 ? char32_t{0xFFFD} : cp);
    }
    return out;
}

std::string cp1250FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t extra = 0;
        char32_t cp = lead;
        if (lead >= 0xF0 && lead < 0xF8) {
            extra = 3;
            cp = lead & 0x07;
        } else if (lead >= 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
        } else if (lead >= 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0x80) {
            out.push_back('?'); // a continuation byte without its lead
            ++i;
            continue;
        }
        bool complete = true;
        for (std::size_t k = 1; complete && k <= extra; ++k) {
            if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
                complete = false;
            } else {
                cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            }
        }
        if (!complete) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(cp1250FromCodePoint(cp));
        i += extra + 1;
    }
    return out;
}

} // namespace quarvel
