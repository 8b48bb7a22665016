#include "Utf8.h"

#include "AsciiWords.h"
#include "Windows1250.h"

#include <array>
#include <cstring>

namespace quarvel {
namespace {

// The states of Utf8Judge between two bytes. The first two are Utf8Judge's own.
enum JudgeState : std::uint8_t {
    kAtBoundary = Utf8Judge::kBoundary,
    kBroken = Utf8Judge::kIllFormed,
    kNeed1,   // one more continuation byte
    kNeed2,   // two more
    kNeed3,   // three more
    kAfterE0, // A0..BF next: below is overlong
    kAfterED, // 80..9F next: above is a surrogate
    kAfterF0, // 90..BF next: below is overlong
    kAfterF4, // 80..8F next: above is beyond U+10FFFF
    kAfterC3, // Ó ó are C3 93, C3 B3
    kAfterC4, // Ą ą Ć ć Ę ę are C4 84..87, C4 98, C4 99
    kAfterC5, // Ł ł Ń ń Ś ś Ź ź Ż ż are C5 81..84, C5 9A, C5 9B, C5 B9..BC
    kStateCount,
};

// The top bit of a transition marks a sequence that completed one of the 18 Polish letters.
constexpr std::uint8_t kLetterBit = 0x80;

using JudgeTable = std::array<std::array<std::uint8_t, 256>, kStateCount>;

constexpr std::uint8_t afterLead(unsigned b) {
    if (b < 0x80) return kAtBoundary;
    if (b == 0xC3) return kAfterC3;
    if (b == 0xC4) return kAfterC4;
    if (b == 0xC5) return kAfterC5;
    if (b >= 0xC2 && b <= 0xDF) return kNeed1;
    if (b == 0xE0) return kAfterE0;
    if (b == 0xED) return kAfterED;
    if (b >= 0xE1 && b <= 0xEF) return kNeed2;
    if (b == 0xF0) return kAfterF0;
    if (b >= 0xF1 && b <= 0xF3) return kNeed3;
    if (b == 0xF4) return kAfterF4;
    return kBroken; // a continuation byte without its lead, C0, C1, F5..FF
}

constexpr bool isPolishSecond(unsigned lead, unsigned b) {
    switch (lead) {
    case 0xC3:
        return b == 0x93 || b == 0xB3;
    case 0xC4:
        return (b >= 0x84 && b <= 0x87) || b == 0x98 || b == 0x99;
    case 0xC5:
        return (b >= 0x81 && b <= 0x84) || b == 0x9A || b == 0x9B || (b >= 0xB9 && b <= 0xBC);
    default:
        return false;
    }
}

constexpr std::uint8_t transition(unsigned state, unsigned b) {
    if (state == kBroken) return kBroken;
    if (b == '\r') return static_cast<std::uint8_t>(state); // no part of a line
    const auto within = [b](unsigned low, unsigned high) { return b >= low && b <= high; };
    switch (state) {
    case kAtBoundary:
        return afterLead(b);
    case kNeed1:
        return within(0x80, 0xBF) ? kAtBoundary : kBroken;
    case kNeed2:
        return within(0x80, 0xBF) ? kNeed1 : kBroken;
    case kNeed3:
        return within(0x80, 0xBF) ? kNeed2 : kBroken;
    case kAfterE0:
        return within(0xA0, 0xBF) ? kNeed1 : kBroken;
    case kAfterED:
        return within(0x80, 0x9F) ? kNeed1 : kBroken;
    case kAfterF0:
        return within(0x90, 0xBF) ? kNeed2 : kBroken;
    case kAfterF4:
        return within(0x80, 0x8F) ? kNeed2 : kBroken;
    case kAfterC3:
    case kAfterC4:
    case kAfterC5: {
        if (!within(0x80, 0xBF)) return kBroken;
        const unsigned lead = 0xC3 + (state - kAfterC3);
        return isPolishSecond(lead, b) ? static_cast<std::uint8_t>(kAtBoundary | kLetterBit)
                                       : static_cast<std::uint8_t>(kAtBoundary);
    }
    default:
        return kBroken;
    }
}

constexpr JudgeTable kJudge = [] {
    JudgeTable table{};
    for (unsigned s = 0; s < kStateCount; ++s) {
        for (unsigned b = 0; b < 256; ++b)
            table[s][b] = transition(s, b);
    }
    return table;
}();

// Windows-1250 bytes of the code points of two-byte sequences (U+0080..U+07FF) and of three-byte ones
// from U+2000 to U+21FF, where the code page's punctuation, euro sign and trade mark lie; kNotInCp1250
// for the code points it lacks. Every other code point of two bytes or more is lacking.
constexpr char32_t kPunctuationFirst = 0x2000;
constexpr std::size_t kPunctuationCount = 0x200;

struct DecodeTables {
    std::array<std::uint8_t, 0x800> twoBytes{};
    std::array<std::uint8_t, kPunctuationCount> punctuation{};
};

const DecodeTables& decodeTables() {
    static const DecodeTables tables = [] {
        DecodeTables built;
        built.twoBytes.fill(kNotInCp1250);
        built.punctuation.fill(kNotInCp1250);
        for (unsigned b = 0x80; b < 256; ++b) {
            const char32_t cp = unicodeFromCp1250(static_cast<unsigned char>(b));
            if (cp == 0) continue; // undefined in the code page
            if (cp < 0x800) {
                built.twoBytes[cp] = static_cast<std::uint8_t>(b);
            } else if (cp >= kPunctuationFirst && cp < kPunctuationFirst + kPunctuationCount) {
                built.punctuation[cp - kPunctuationFirst] = static_cast<std::uint8_t>(b);
            }
        }
        return built;
    }();
    return tables;
}

// The range of the first continuation byte after a lead byte, and the number of continuation bytes.
struct LeadRule {
    std::uint8_t continuations = 0; // 0: no lead byte
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
};

constexpr LeadRule leadRule(unsigned b) {
    if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
    if (b == 0xE0) return {2, 0xA0, 0xBF};
    if (b == 0xED) return {2, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
    if (b == 0xF0) return {3, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
    if (b == 0xF4) return {3, 0x80, 0x8F};
    return {};
}

} // namespace

void Utf8Judge::add(std::string_view bytes) {
    if (m_state == kBroken) return;
    const char* in = bytes.data();
    const char* const end = in + bytes.size();
    std::uint8_t state = m_state;
    std::uint8_t letters = 0;
    while (in < end) {
        if (state == kAtBoundary) {
            // Mostly ASCII: eight bytes at a time pass while none is 0x80 or above.
            while (end - in >= 8 && !anyByteFromHighHalf(loadEightBytes(in)))
                in += 8;
            if (in == end) break;
        }
        const std::uint8_t next = kJudge[state][static_cast<std::uint8_t>(*in++)];
        letters |= next;
        state = next & static_cast<std::uint8_t>(~kLetterBit);
        if (state == kBroken) break;
    }
    m_state = state;
    if (letters & kLetterBit) m_letter = true;
}

char* cp1250FromUtf8Into(std::string_view utf8, char* out) {
    const DecodeTables& tables = decodeTables();
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t k = 0;
    while (k < n) {
        // Mostly ASCII: eight bytes at a time are copied while none is 0x80 or above.
        while (k + 8 <= n) {
            const std::uint64_t word = loadEightBytes(utf8.data() + k);
            if (anyByteFromHighHalf(word)) break;
            std::memcpy(out, &word, sizeof word);
            out += 8;
            k += 8;
        }
        if (k == n) break;
        const unsigned lead = in[k];
        if (lead < 0x80) {
            *out++ = static_cast<char>(lead);
            ++k;
            continue;
        }
        const LeadRule rule = leadRule(lead);
        // The continuation bytes that fit, up to the first that does not.
        std::size_t taken = 1;
        char32_t cp = lead & (0x3F >> rule.continuations);
        while (taken <= rule.continuations && k + taken < n) {
            const unsigned b = in[k + taken];
            const bool fits = taken == 1 ? (b >= rule.low && b <= rule.high) : (b >= 0x80 && b <= 0xBF);
            if (!fits) break;
            cp = (cp << 6) | (b & 0x3F);
            ++taken;
        }
        if (rule.continuations == 0 || taken <= rule.continuations) {
            // Ill-formed or cut short: each of its bytes stands for itself.
            for (std::size_t t = 0; t < taken; ++t)
                *out++ = static_cast<char>(kNotInCp1250);
            k += taken;
            continue;
        }
        std::uint8_t byte = kNotInCp1250;
        if (cp < 0x800) {
            byte = tables.twoBytes[cp];
        } else if (cp >= kPunctuationFirst && cp < kPunctuationFirst + kPunctuationCount) {
            byte = tables.punctuation[cp - kPunctuationFirst];
        }
        *out++ = static_cast<char>(byte);
        k += taken;
    }
    return out;
}

std::string cp1250FromUtf8Text(std::string_view utf8) {
    std::string out(utf8.size(), '\0');
    out.resize(static_cast<std::size_t>(cp1250FromUtf8Into(utf8, out.data()) - out.data()));
    return out;
}

bool hasHighByte(std::string_view bytes) {
    std::size_t k = 0;
    for (; k + 8 <= bytes.size(); k += 8) {
        if (anyByteFromHighHalf(loadEightBytes(bytes.data() + k))) return true;
    }
    for (; k < bytes.size(); ++k) {
        if (static_cast<unsigned char>(bytes[k]) >= 0x80) return true;
    }
    return false;
}

} // namespace quarvel
