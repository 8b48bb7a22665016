#include "CodePages.h"

#include "AsciiWords.h"
#include "Windows1250.h"

#include <algorithm>

namespace quarvel {
namespace {

constexpr std::array<PolishLetters, kSingleByteCodePageCount> kLetters = {{
    {0x8F, 0x95, 0x90, 0x9C, 0xA5, 0xA3, 0x98, 0xA0, 0xA1, 0x86, 0x8D, 0x91, 0x92, 0xA4, 0xA2, 0x9E, 0xA6, 0xA7},
    {0xA1, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0xA6, 0xAC, 0xAF, 0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0xB6, 0xBC, 0xBF},
    {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x88, 0x87, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA8, 0xA7},
    {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x88, 0x87, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x91, 0x90},
    {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x88, 0x87, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x91, 0x90},
    {0xA4, 0x8F, 0xA8, 0x9D, 0xE3, 0xE0, 0x97, 0x8D, 0xBD, 0xA5, 0x86, 0xA9, 0x88, 0xE4, 0xA2, 0x98, 0xAB, 0xBE},
    {0x97, 0x99, 0xA5, 0xA6, 0x92, 0x8F, 0x8E, 0x90, 0x80, 0x96, 0x94, 0xA4, 0xA7, 0x91, 0xA2, 0x84, 0x82, 0x87},
    {0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF, 0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF},
}};

constexpr bool allLettersFromHighBytes() {
    for (const PolishLetters& row : kLetters) {
        for (std::uint8_t b : row) {
            if (b < 0x80) return false;
        }
    }
    return true;
}
static_assert(allLettersFromHighBytes(), "the identification counts only the bytes from 0x80 up");

// All 64 translations, made once: a conversion is then one table look-up per byte.
using MapSet = std::array<std::array<ByteMap, kSingleByteCodePageCount>, kSingleByteCodePageCount>;

const MapSet& conversionMaps() {
    static const MapSet maps = [] {
        MapSet built{};
        for (std::size_t from = 0; from < kSingleByteCodePageCount; ++from) {
            for (std::size_t to = 0; to < kSingleByteCodePageCount; ++to) {
                ByteMap& map = built[from][to];
                for (int b = 0; b < 256; ++b) map[b] = static_cast<std::uint8_t>(b);
                // Each byte is looked up in the source row only, and only its first occurrence counts.
                for (int k = kPolishLetterCount - 1; k >= 0; --k) map[kLetters[from][k]] = kLetters[to][k];
            }
        }
        return built;
    }();
    return maps;
}

// What a byte of a UTF-8 value becomes when it is read alone: ASCII itself, any other byte 0x81.
const ByteMap& utf8ByteMap() {
    static const ByteMap map = [] {
        ByteMap built{};
        for (int b = 0; b < 256; ++b)
            built[b] = b < 0x80 ? static_cast<std::uint8_t>(b) : kNotInCp1250;
        return built;
    }();
    return map;
}

} // namespace

void addCodePage(CodePageTable& table, CodePage id, const PolishLetters& letters) {
    table.push_back(CodePageRow{id, letters});
}

void buildCodePageTable(CodePageTable& table) {
    for (std::size_t k = 0; k < kSingleByteCodePageCount; ++k)
        addCodePage(table, codePageAt(k), kLetters[k]);
}

const PolishLetters& lettersOf(CodePage p) {
    return kLetters[indexOf(p)];
}

const CodePageTable& standardCodePages() {
    static const CodePageTable table = [] {
        CodePageTable built;
        buildCodePageTable(built);
        return built;
    }();
    return table;
}

int letterIndex(CodePage p, std::uint8_t b) {
    if (!isSingleByte(p)) return -1;
    const PolishLetters& row = kLetters[indexOf(p)];
    const auto* it = std::find(row.begin(), row.end(), b);
    return it == row.end() ? -1 : static_cast<int>(it - row.begin());
}

const ByteMap& conversionMap(CodePage from, CodePage to) {
    if (from == CodePage::Utf8) return utf8ByteMap();
    if (!isSingleByte(from) || !isSingleByte(to)) return conversionMaps()[indexOf(CodePage::WindowsEe)][indexOf(CodePage::WindowsEe)];
    return conversionMaps()[indexOf(from)][indexOf(to)];
}

std::string convertText(std::string_view text, CodePage from, CodePage to) {
    if (from == CodePage::Utf8) {
        const std::string cp1250 = cp1250FromUtf8Text(text);
        return to == CodePage::Utf8 ? std::string(text) : convertText(cp1250, CodePage::WindowsEe, to);
    }
    if (to == CodePage::Utf8) return utf8FromCp1250(convertText(text, from, CodePage::WindowsEe));
    const ByteMap& map = conversionMap(from, to);
    std::string out(text.size(), '\0');
    std::transform(text.begin(), text.end(), out.begin(),
                   [&map](char c) { return static_cast<char>(map[static_cast<std::uint8_t>(c)]); });
    return out;
}

bool isAllowedChar(std::uint8_t b) {
    // Asked for every byte of every value the checks look at: one look-up instead of a search.
    static constexpr std::array<bool, 256> kAllowed = [] {
        std::array<bool, 256> allowed{};
        for (std::uint8_t c : kAllowedChars) allowed[c] = true;
        return allowed;
    }();
    return kAllowed[b];
}

} // namespace quarvel
