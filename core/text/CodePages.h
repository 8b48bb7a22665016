#pragma once

#include "Utf8.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// One of the eight single-byte Polish code pages, or UTF-8; also its item index in the code-page list.
using CodePageId = int;

inline constexpr CodePageId MAZOVIA = 0;
inline constexpr CodePageId ISO_LATIN2 = 1;
inline constexpr CodePageId CSK = 2;
inline constexpr CodePageId CYFROMAT = 3;
inline constexpr CodePageId DHN = 4;
inline constexpr CodePageId IBM_LATIN2 = 5;
inline constexpr CodePageId VENTURA = 6;
inline constexpr CodePageId WINDOWS_EE = 7;
/// Text of programs written since: a Polish letter is two bytes, so it has no row of letter bytes; its
/// values are decoded, not translated byte for byte.
inline constexpr CodePageId UTF_8 = 8;
/// The code pages with a row of letter bytes: 0..7.
inline constexpr int kSingleByteCodePageCount = 8;
inline constexpr int kCodePageCount = 9;
inline constexpr int kPolishLetterCount = 18;

inline constexpr std::array<std::string_view, kCodePageCount> kCodePageNames = {
    "MAZOVIA", "ISO_LATIN2", "CSK", "CYFROMAT", "DHN", "IBM_LATIN2", "VENTURA", "WINDOWS_EE", "UTF-8"};

/// Whether `p` is one of the eight code pages whose letters are single bytes.
constexpr bool isSingleByte(CodePageId p) {
    return p >= 0 && p < kSingleByteCodePageCount;
}

using PolishLetters = std::array<std::uint8_t, kPolishLetterCount>;

/// How often each Polish letter occurs, per 10,000 letters of Polish text, in the letter order below (a
/// capital a thirtieth of its small letter, at least 1). A tie of the counts in a file whose header names
/// no code page goes to the code page whose reading of the file's letters is the likeliest Polish.
inline constexpr std::array<std::uint32_t, kPolishLetterCount> kLetterWeights = {
    3, 1, 4, 6, 1, 3, 2, 1, 3, 99, 40, 111, 182, 20, 85, 66, 6, 83};

/// The bytes of the 18 Polish letters of one code page, in the order Ą Ć Ę Ł Ń Ó Ś Ź Ż ą ć ę ł ń ó ś ź ż.
struct CodePageRow {
    CodePageId id = 0;
    PolishLetters letters{};
};

using CodePageTable = std::vector<CodePageRow>;

/// The bytes a Windows-1250 value may hold above 0x7F (with LF and CR): the 18 letters, LF, CR, §.
inline constexpr std::array<std::uint8_t, 21> kAllowedChars = {0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF, 0xB9, 0xE6,
                                                               0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF, 0x0A, 0x0D, 0xA7};

/// A byte-for-byte translation of a text.
using ByteMap = std::array<std::uint8_t, 256>;

void addCodePage(CodePageTable& table, CodePageId id, const PolishLetters& letters);

/// Appends the eight rows in CodePageId order.
void buildCodePageTable(CodePageTable& table);

/// The bytes of the 18 Polish letters of a single-byte code page.
const PolishLetters& lettersOf(CodePageId p);

/// The table as buildCodePageTable builds it, made once; constant for the whole run.
const CodePageTable& standardCodePages();

/// Position 0..17 of byte `b` among the letters of code page `p`, or -1.
int letterIndex(CodePageId p, std::uint8_t b);

/// The translation of the 18 letters of `from` into those of `to`; every other byte maps to itself. From
/// UTF-8, which no byte translation decodes, ASCII stays and every other byte becomes 0x81 (undefined in
/// Windows-1250): the translation of a value that holds only ASCII.
const ByteMap& conversionMap(CodePageId from, CodePageId to);

/// The text with each Polish letter of `from` replaced by the same letter of `to`. From UTF-8 the text is
/// decoded to Windows-1250 first (cp1250FromUtf8Into), and to UTF-8 encoded from it.
std::string convertText(std::string_view text, CodePageId from, CodePageId to);

bool isAllowedChar(std::uint8_t b);

} // namespace quarvel
