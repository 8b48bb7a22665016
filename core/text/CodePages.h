#pragma once

#include "Utf8.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// One of the eight single-byte Polish code pages, or UTF-8; its position is its item index in the
/// code-page list. The names follow those the file headers spell (kCodePageNames).
enum class CodePage : std::uint8_t {
    Mazovia,
    IsoLatin2,
    Csk,
    Cyfromat,
    Dhn,
    IbmLatin2,
    Ventura,
    WindowsEe, ///< Windows-1250, the encoding of the converted values
    /// Text of programs written since: a Polish letter is two bytes, so it has no row of letter bytes; its
    /// values are decoded, not translated byte for byte.
    Utf8,
};

/// The code pages with a row of letter bytes: the first eight.
inline constexpr std::size_t kSingleByteCodePageCount = 8;
inline constexpr std::size_t kCodePageCount = 9;
inline constexpr int kPolishLetterCount = 18;

/// The position of a code page in the list (and in kCodePageNames).
constexpr std::size_t indexOf(CodePage p) {
    return static_cast<std::size_t>(p);
}

/// The code page at position `index` of the list; `index` < kCodePageCount.
constexpr CodePage codePageAt(std::size_t index) {
    return static_cast<CodePage>(index);
}

/// The item index of a code page in the list.
constexpr int codePageItem(CodePage p) {
    return static_cast<int>(p);
}

/// The code page at item `index` of the list, or none for an index outside it (-1: no item selected).
constexpr std::optional<CodePage> codePageAtItem(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kCodePageCount) return std::nullopt;
    return codePageAt(static_cast<std::size_t>(index));
}

/// Every code page, in list order, and the single-byte ones among them.
inline constexpr std::array<CodePage, kCodePageCount> kCodePages = {
    CodePage::Mazovia, CodePage::IsoLatin2, CodePage::Csk,       CodePage::Cyfromat, CodePage::Dhn,
    CodePage::IbmLatin2, CodePage::Ventura, CodePage::WindowsEe, CodePage::Utf8};
inline constexpr std::array<CodePage, kSingleByteCodePageCount> kSingleByteCodePages = {
    CodePage::Mazovia, CodePage::IsoLatin2, CodePage::Csk,     CodePage::Cyfromat,
    CodePage::Dhn,     CodePage::IbmLatin2, CodePage::Ventura, CodePage::WindowsEe};

inline constexpr std::array<std::string_view, kCodePageCount> kCodePageNames = {
    "MAZOVIA", "ISO_LATIN2", "CSK", "CYFROMAT", "DHN", "IBM_LATIN2", "VENTURA", "WINDOWS_EE", "UTF-8"};

/// The name of a code page as a file header spells it.
constexpr std::string_view nameOf(CodePage p) {
    return kCodePageNames[indexOf(p)];
}

/// The code page named `name` exactly as a header spells it, or none.
constexpr std::optional<CodePage> codePageNamed(std::string_view name) {
    for (std::size_t k = 0; k < kCodePageCount; ++k) {
        if (kCodePageNames[k] == name) return codePageAt(k);
    }
    return std::nullopt;
}

/// Whether `p` is one of the eight code pages whose letters are single bytes.
constexpr bool isSingleByte(CodePage p) {
    return indexOf(p) < kSingleByteCodePageCount;
}

using PolishLetters = std::array<std::uint8_t, kPolishLetterCount>;

/// How often each Polish letter occurs, per 10,000 letters of Polish text, in the letter order below (a
/// capital a thirtieth of its small letter, at least 1). A tie of the counts in a file whose header names
/// no code page goes to the code page whose reading of the file's letters is the likeliest Polish.
inline constexpr std::array<std::uint32_t, kPolishLetterCount> kLetterWeights = {
    3, 1, 4, 6, 1, 3, 2, 1, 3, 99, 40, 111, 182, 20, 85, 66, 6, 83};

/// The bytes of the 18 Polish letters of one code page, in the order Ą Ć Ę Ł Ń Ó Ś Ź Ż ą ć ę ł ń ó ś ź ż.
struct CodePageRow {
    CodePage id = CodePage::Mazovia;
    PolishLetters letters{};
};

using CodePageTable = std::vector<CodePageRow>;

/// The bytes a Windows-1250 value may hold above 0x7F (with LF and CR): the 18 letters, LF, CR, §.
inline constexpr std::array<std::uint8_t, 21> kAllowedChars = {0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF, 0xB9, 0xE6,
                                                               0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF, 0x0A, 0x0D, 0xA7};

/// A byte-for-byte translation of a text.
using ByteMap = std::array<std::uint8_t, 256>;

void addCodePage(CodePageTable& table, CodePage id, const PolishLetters& letters);

/// Appends the eight rows in CodePage order.
void buildCodePageTable(CodePageTable& table);

/// The bytes of the 18 Polish letters of a single-byte code page.
const PolishLetters& lettersOf(CodePage p);

/// The table as buildCodePageTable builds it, made once; constant for the whole run.
const CodePageTable& standardCodePages();

/// Position 0..17 of byte `b` among the letters of code page `p`, or -1.
int letterIndex(CodePage p, std::uint8_t b);

/// The translation of the 18 letters of `from` into those of `to`; every other byte maps to itself. From
/// UTF-8, which no byte translation decodes, ASCII stays and every other byte becomes 0x81 (undefined in
/// Windows-1250): the translation of a value that holds only ASCII.
const ByteMap& conversionMap(CodePage from, CodePage to);

/// The text with each Polish letter of `from` replaced by the same letter of `to`. From UTF-8 the text is
/// decoded to Windows-1250 first (cp1250FromUtf8Into), and to UTF-8 encoded from it.
std::string convertText(std::string_view text, CodePage from, CodePage to);

bool isAllowedChar(std::uint8_t b);

} // namespace quarvel
