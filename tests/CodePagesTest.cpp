#include "CodePageIdentification.h"
#include "CodePages.h"

#include "AsciiWords.h"
#include "LineScanner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace quarvel {
namespace {

using test::W;

std::string hexLetters(CodePage p) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : standardCodePages()[static_cast<std::size_t>(p)].letters) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

TEST(CodePageTable, RowsHoldTheLetterBytesInIdOrder) {
    // The table as published for the eight code pages, letters Ą Ć Ę Ł Ń Ó Ś Ź Ż ą ć ę ł ń ó ś ź ż.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"MAZOVIA", "8F95909CA5A398A0A1868D9192A4A29EA6A7"},
        {"ISO_LATIN2", "A1C6CAA3D1D3A6ACAFB1E6EAB3F1F3B6BCBF"},
        {"CSK", "808182838485868887A0A1A2A3A4A5A6A8A7"},
        {"CYFROMAT", "808182838485868887898A8B8C8D8E8F9190"},
        {"DHN", "808182838485868887898A8B8C8D8E8F9190"},
        {"IBM_LATIN2", "A48FA89DE3E0978DBDA586A988E4A298ABBE"},
        {"VENTURA", "9799A5A6928F8E90809694A4A791A2848287"},
        {"WINDOWS_EE", "A5C6CAA3D1D38C8FAFB9E6EAB3F1F39C9FBF"},
    };
    ASSERT_EQ(standardCodePages().size(), expected.size());
    for (const CodePage p : kSingleByteCodePages) {
        EXPECT_EQ(standardCodePages()[indexOf(p)].id, p);
        EXPECT_EQ(nameOf(p), expected[indexOf(p)].first);
        EXPECT_EQ(hexLetters(p), expected[indexOf(p)].second) << nameOf(p);
        const auto& letters = standardCodePages()[indexOf(p)].letters;
        EXPECT_EQ(std::set<std::uint8_t>(letters.begin(), letters.end()).size(), 18U) << "letters repeat in a row";
        for (std::uint8_t b : letters) EXPECT_GE(b, 0x80) << nameOf(p);
    }
}

// Rows that are standard code pages are checked against the system's own converter.
TEST(CodePageTable, StandardRowsAgreeWithTheSystemConverter) {
    const std::string letters = "ĄĆĘŁŃÓŚŹŻąćęłńóśźż";
    for (auto [id, name] : {std::pair{CodePage::IsoLatin2, "ISO-8859-2"}, std::pair{CodePage::IbmLatin2, "CP852"},
                            std::pair{CodePage::WindowsEe, "CP1250"}}) {
        const std::optional<std::string> out = test::ConvertBySystem(letters, name);
        if (!out) GTEST_SKIP() << "the system cannot convert to " << name;
        const auto& row = standardCodePages()[static_cast<std::size_t>(id)].letters;
        EXPECT_EQ(*out, std::string(row.begin(), row.end())) << name;
    }
    EXPECT_EQ(W("ĄĆĘŁŃÓŚŹŻąćęłńóśźż"), convertText(W("ĄĆĘŁŃÓŚŹŻąćęłńóśźż"), CodePage::WindowsEe, CodePage::WindowsEe));
}

TEST(CodePageTable, BuildFillsTheListInIdOrder) {
    CodePageTable table;
    ComboBoxState list;
    list.items = {"stale"};
    buildCodePageTable(table);
    listCodePages(table, list);
    ASSERT_EQ(table.size(), 8U);
    EXPECT_EQ(list.items, (std::vector<std::string>{"MAZOVIA", "ISO_LATIN2", "CSK", "CYFROMAT", "DHN", "IBM_LATIN2",
                                                    "VENTURA", "WINDOWS_EE", "UTF-8"}));
}

TEST(ConvertText, MapsOnlyTheLettersOfTheSourceRow) {
    struct Case {
        std::string text;
        CodePage from, to;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"\x86", CodePage::Mazovia, CodePage::WindowsEe, "\xB9"},    // ą
        {"\xA5", CodePage::WindowsEe, CodePage::IsoLatin2, "\xA1"}, // Ą
        {"\xA1", CodePage::WindowsEe, CodePage::IsoLatin2, "\xA1"}, // no letter in Windows-1250: unchanged
        {"", CodePage::Mazovia, CodePage::WindowsEe, ""},
        {"Zażółć gęślą jaźń", CodePage::WindowsEe, CodePage::WindowsEe, "Zażółć gęślą jaźń"},
        // Each byte is looked up once: A4 (ń in MAZOVIA) becomes F1, which is not converted again.
        {"\xA4\xF1", CodePage::Mazovia, CodePage::WindowsEe, "\xF1\xF1"},
        {W("Łódź"), CodePage::WindowsEe, CodePage::IsoLatin2, "\xA3\xF3" "d\xBC"},
    };
    for (const Case& c : cases) EXPECT_EQ(convertText(c.text, c.from, c.to), c.expected) << c.text;
}

TEST(ConvertText, IsTheIdentityFromACodePageToItselfAndRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (const CodePage p : kSingleByteCodePages) {
        EXPECT_EQ(convertText(all, p, p), all) << nameOf(p);
        const auto& row = standardCodePages()[indexOf(p)].letters;
        const std::string letters(row.begin(), row.end());
        for (const CodePage q : kSingleByteCodePages) {
            EXPECT_EQ(convertText(convertText(letters, p, q), q, p), letters) << nameOf(p) << "->" << nameOf(q);
        }
    }
}

TEST(LetterIndex, FindsPositionsAndRejectsAscii) {
    for (const CodePage p : kSingleByteCodePages) {
        EXPECT_EQ(letterIndex(p, 'A'), -1);
        for (int k = 0; k < 18; ++k) EXPECT_EQ(letterIndex(p, standardCodePages()[indexOf(p)].letters[k]), k);
    }
    EXPECT_EQ(letterIndex(CodePage::WindowsEe, 0xBF), 17); // ż
    EXPECT_EQ(letterIndex(CodePage::Utf8, 0xBF), -1);
}

TEST(IsAllowedChar, HoldsTheLettersLineEndsAndSectionSign) {
    EXPECT_TRUE(isAllowedChar(0xA7));
    EXPECT_FALSE(isAllowedChar(0xA1));
    for (int b = 0; b < 0x80; ++b) EXPECT_EQ(isAllowedChar(static_cast<std::uint8_t>(b)), b == 0x0A || b == 0x0D) << b;
    for (std::uint8_t b : standardCodePages()[indexOf(CodePage::WindowsEe)].letters) EXPECT_TRUE(isAllowedChar(b));
}

class StringSource final : public ByteSource {
public:
    explicit StringSource(std::string bytes, std::size_t chunk = 1 << 20) : m_bytes(std::move(bytes)), m_chunk(chunk) {}
    std::size_t read(char* buffer, std::size_t n) override {
        const std::size_t got = std::min({n, m_chunk, m_bytes.size() - m_pos});
        m_bytes.copy(buffer, got, m_pos);
        m_pos += got;
        return got;
    }
    int error() const override { return 0; }

private:
    std::string m_bytes;
    std::size_t m_chunk;
    std::size_t m_pos = 0;
};

CodePage identify(const std::string& bytes) {
    StringSource source(bytes);
    return identifyCodePage(source).codePage;
}

std::array<std::uint64_t, 8> countsOf(const std::string& bytes, std::size_t block = LineScanner::kDefaultBlock) {
    StringSource source(bytes);
    CodePageCounter counter;
    LineScanner scanner(source, block);
    while (scanner.readLine([&](std::string_view b) { counter.add(b); })) counter.endLine();
    return counter.counts();
}

TEST(IdentifyCodePage, LargestCountWinsAndTiesGoToTheSmallerId) {
    struct Case {
        const char* what;
        std::string bytes;
        CodePage expected;
    };
    const std::vector<Case> cases = {
        {"plain ASCII", "KONTRAHENCI\nabc|def\n", CodePage::Mazovia},
        {"empty file", "", CodePage::Mazovia},
        {"CSK capitals tie with CYFROMAT and DHN", "x\x80\x81\x82x\n", CodePage::Csk},
        {"CYFROMAT and DHN always tie", "x\x89\x8A\x8B\x8C\x8Dx\n", CodePage::Cyfromat},
        {"Windows-1250 text", W("ZLECENIA\nZażółć gęślą jaźń x\n"), CodePage::WindowsEe},
        {"ISO-8859-2 text", "x\xB1\xB6\xBC\xA1x\n", CodePage::IsoLatin2},
        {"CP852 text", "x\xA5\x86\xA9\x88\xE4\xA2\x98\xAB\xBEx\n", CodePage::IbmLatin2},
        {"MAZOVIA text", "x\x86\x8D\x91\x92\xA4\x9E\xA6\xA7x\n", CodePage::Mazovia},
        {"VENTURA text", "x\x96\x94\xA4\xA7\x91\xA2\x84\x82\x87\x97x\n", CodePage::Ventura},
    };
    for (const Case& c : cases) EXPECT_EQ(identify(c.bytes), c.expected) << c.what;
}

TEST(IdentifyCodePage, ATieGoesToTheDeclaredCodePageWhenItIsAmongTheLargest) {
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<CodePage> declared;
        CodePage expected;
    };
    const std::string cp852 = "KONTRAHENCI|IBM_LATIN2\nPaj\xA5k J\xA2zef|x\n"; // "Pająk Józef": ą and ó
    const std::vector<Case> cases = {
        {"CP852 tying with MAZOVIA, no declaration: CSK's ó and ę are the likeliest", cp852, std::nullopt, CodePage::Csk},
        {"CP852 tying with MAZOVIA, CP852 declared", cp852, CodePage::IbmLatin2, CodePage::IbmLatin2},
        {"CP852 tying with MAZOVIA, another declared", cp852, CodePage::IsoLatin2, CodePage::Mazovia},
        {"CYFROMAT and DHN tie, DHN declared", "x\x89\x8A\x8B\x8C\x8Dx\n", CodePage::Dhn, CodePage::Dhn},
        {"a larger count wins over the declaration", "x\xB1\xB6\xBC\xA1x\n", CodePage::Mazovia, CodePage::IsoLatin2},
        {"no letter at all, VENTURA declared", "abc\n", CodePage::Ventura, CodePage::Ventura},
    };
    for (const Case& c : cases) {
        StringSource source(c.bytes);
        EXPECT_EQ(identifyCodePage(source, c.declared).codePage, c.expected) << c.what;
    }
}

// Without a declaration, a tie goes to the reading of the commoner letters; equal weights to the smaller id.
TEST(IdentifyCodePage, ATieWithNoCodePageNamedGoesToTheLikeliestLetters) {
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<CodePage> declared;
        CodePage expected;
        std::vector<CodePage> told; // the tie the user is told of
    };
    const std::vector<Case> cases = {
        {"CP852 \"Pająk\": ą beats Ń, ó, Ę and Ą", "Paj\xA5k|\n", std::nullopt, CodePage::IbmLatin2,
         {CodePage::Mazovia, CodePage::Csk, CodePage::IbmLatin2, CodePage::Ventura, CodePage::WindowsEe}},
        {"the same, CP852 named: the declaration decides, silently", "Paj\xA5k|\n", CodePage::IbmLatin2, CodePage::IbmLatin2, {}},
        {"the same, another page named that is not in the tie", "Paj\xA5k|\n", CodePage::IsoLatin2, CodePage::Mazovia, {}},
        {"MAZOVIA ł (92) against VENTURA Ń", "bia\x92y|\n", std::nullopt, CodePage::Mazovia, {CodePage::Mazovia, CodePage::Ventura}},
        {"CSK capitals tie with CYFROMAT and DHN, read alike", "x\x80\x81\x82x\n", std::nullopt, CodePage::Csk, {}},
        {"CYFROMAT and DHN, read alike", "x\x89\x8A\x8B\x8C\x8Dx\n", std::nullopt, CodePage::Cyfromat, {}},
        {"no letter: every page reads it alike", "abc|def\n", std::nullopt, CodePage::Mazovia, {}},
        {"a larger count is no tie", "x\xB1\xB6\xBC\xA1x\n", std::nullopt, CodePage::IsoLatin2, {}},
        {"the last byte of a line is not weighed either", "\xA5x\xA5\n", std::nullopt, CodePage::IbmLatin2,
         {CodePage::Mazovia, CodePage::Csk, CodePage::IbmLatin2, CodePage::Ventura, CodePage::WindowsEe}},
        {"a header naming UTF-8 of a file that is not: as before", "Paj\xA5k|\n", CodePage::Utf8, CodePage::Mazovia, {}},
    };
    for (const Case& c : cases) {
        StringSource source(c.bytes);
        const Identification found = identifyCodePage(source, c.declared);
        EXPECT_EQ(found.codePage, c.expected) << c.what;
        EXPECT_EQ(found.tiedCodePages, c.told) << c.what;
    }
}

// Equal weights go to the smaller id whatever the order of the letters, and the weights only ever choose
// among the largest counts.
TEST(IdentifyCodePage, TheWeightsChooseOnlyAmongTheLargestCounts) {
    for (int a = 0x80; a < 256; ++a) {
        for (int b = 0x80; b < 256; b += 7) {
            const std::string bytes = {'x', static_cast<char>(a), static_cast<char>(b), 'x', '\n'};
            StringSource source(bytes);
            CodePageCounter counter;
            LineScanner scanner(source);
            counter.addAll(scanner);
            const auto counts = counter.counts();
            const auto weights = counter.weights();
            const CodePage chosen = counter.result();
            const std::uint64_t largest = *std::max_element(counts.begin(), counts.end());
            ASSERT_EQ(counts[indexOf(chosen)], largest) << std::hex << a << ' ' << b;
            for (const CodePage p : kSingleByteCodePages) {
                const std::size_t k = indexOf(p);
                const std::size_t c = indexOf(chosen);
                if (counts[k] != largest) continue;
                ASSERT_TRUE(weights[k] < weights[c] || (weights[k] == weights[c] && k >= c))
                    << std::hex << a << ' ' << b << " page " << nameOf(p);
            }
            const std::vector<CodePage> told = counter.tiedReadingsApart();
            if (!told.empty()) {
                EXPECT_NE(std::find(told.begin(), told.end(), chosen), told.end()) << std::hex << a << ' ' << b;
                for (CodePage p : told) EXPECT_EQ(counts[indexOf(p)], largest);
            }
        }
    }
}

TEST(IdentifyCodePage, LeavesOutTheLastByteOfEveryLine) {
    const std::string z = "\xBF"; // ż in Windows-1250
    EXPECT_EQ(countsOf(z + "\n")[indexOf(CodePage::WindowsEe)], 0U);
    EXPECT_EQ(countsOf(z + "x\n")[indexOf(CodePage::WindowsEe)], 1U);
    EXPECT_EQ(countsOf("x" + z + "\n")[indexOf(CodePage::WindowsEe)], 0U);
    EXPECT_EQ(countsOf("x" + z + "\r\n")[indexOf(CodePage::WindowsEe)], 0U) << "the carriage return is no part of the line";
    EXPECT_EQ(countsOf("x" + z)[indexOf(CodePage::WindowsEe)], 0U) << "a last line without line feed";
    // The same counts whatever the block size splitting the lines.
    const std::string text = W("ZLECENIA\nąęść|żółw\nź\nxż\r\n") + "\x1A" + W("ąąą\n");
    EXPECT_EQ(countsOf(text, 1), countsOf(text));
    EXPECT_EQ(countsOf(text, 3), countsOf(text));
}

TEST(IdentifyCodePage, CountsBlocksOfWholeLinesAsLineByLine) {
    const std::string z = "\xBF";
    std::string manyLines;
    for (int i = 0; i < 300; ++i) manyLines += "x" + std::string(static_cast<std::size_t>(i % 7), '\xB9') + z + (i % 3 ? "\r\n" : "\n");
    const std::string longLine = std::string(5000, '\xB9') + "\n";
    struct Case {
        const char* what;
        std::string text;
        std::optional<EndMark> mark; // where an end mark ends the file, and what follows it
    };
    const auto mark = [](std::size_t offset, std::size_t after, bool data) { return EndMark{offset, after, data}; };
    const std::vector<Case> cases = {
        {"lines of letters", manyLines, {}},
        {"last line without line feed", manyLines + "x" + z + z, {}},
        {"lines of carriage returns only", "\r\r\n" + z + "\r\n\r\n" + z + z + "\r", {}},
        {"empty lines", "\n\n" + z + z + "\n\n", {}},
        {"end mark inside a line", manyLines + "x" + z + "\x1A" + z + z + "\n" + manyLines, {}},
        {"end mark at a line start", manyLines + "\x1A" + manyLines, mark(manyLines.size(), manyLines.size(), true)},
        {"end mark after carriage returns", z + z + "\n\r\r\x1A" + manyLines, mark(5, manyLines.size(), true)},
        {"end mark, then only marks and line ends", manyLines + "\x1A\r\n\x1A\n", mark(manyLines.size(), 4, false)},
        {"end mark after a long line", longLine + "\x1A" + "ab", mark(longLine.size(), 2, true)},
        {"end mark before a long line", "ab\n\x1A" + longLine, mark(3, longLine.size(), true)},
        {"a line longer than the blocks", manyLines + longLine + manyLines, {}},
    };
    for (const Case& c : cases) {
        for (const std::size_t block : {std::size_t{16}, std::size_t{100}, std::size_t{4096}, LineScanner::kDefaultBlock}) {
            for (const std::size_t chunk : {std::size_t{7}, std::size_t{1} << 20}) { // bytes per read of the source
                SCOPED_TRACE(std::string(c.what) + ", blocks of " + std::to_string(block) + ", reads of " + std::to_string(chunk));
                StringSource source(c.text, chunk);
                LineScanner scanner(source, block);
                CodePageCounter counter;
                const std::optional<EndMark> found = counter.addAll(scanner);
                EXPECT_EQ(counter.counts(), countsOf(c.text));
                ASSERT_EQ(found.has_value(), c.mark.has_value());
                if (!found) continue;
                EXPECT_EQ(found->offset, c.mark->offset);
                EXPECT_EQ(found->bytesAfter, c.mark->bytesAfter);
                EXPECT_EQ(found->dataAfter, c.mark->dataAfter);
                EXPECT_EQ(scanner.bytesRead(), c.text.size()) << "read to the end to tell what follows the mark";
            }
        }
    }
}

TEST(IdentifyCodePage, CountsWindowsLettersThatAreLettersElsewhereToo) {
    // ś (9C) is Ł in MAZOVIA: both count, and the counts decide.
    const auto counts = countsOf("x\x9C\x9C\x9Cx\n");
    EXPECT_EQ(counts[indexOf(CodePage::WindowsEe)], 3U);
    EXPECT_EQ(counts[indexOf(CodePage::Mazovia)], 3U);
    EXPECT_EQ(identify("x\x9C\x9C\x9Cx\n"), CodePage::WindowsEe) << "a tie: śśś is likelier Polish than ŁŁŁ";
    EXPECT_EQ(identify("x\x9C\x9C\x9C\xB9x\n"), CodePage::WindowsEe);
}

TEST(IdentifyCodePage, StopsAtAnEndMarkAtTheStartOfALine) {
    EXPECT_EQ(countsOf("abc\n\x1A\xB9\xB9\xB9\xB9\n")[indexOf(CodePage::WindowsEe)], 0U);
    EXPECT_EQ(countsOf("a\xB9\x1A\xB9\xB9\xB9\xB9\nx\xB9x\n")[indexOf(CodePage::WindowsEe)], 1U) << "inside a line it ends only that line";
}

// Expected where the UTF-8 rule does not hold: the code page of the single-byte counts.
constexpr std::nullopt_t kByCounts = std::nullopt;

TEST(IdentifyCodePage, UTF8ByItsMarkOrByWellFormedLinesHoldingAPolishLetter) {
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<CodePage> declared;
        std::optional<CodePage> expected;
    };
    const std::string polish =
        "ZLECENIA\nZa\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85\r\n"; // Zażółć gęślą
    const std::string cp852 = "KONTRAHENCI|UTF-8\nPaj\xA5k J\xA2zef|x\n";
    const std::vector<Case> cases = {
        {"the mark, then ASCII", "\xEF\xBB\xBFZLECENIA\nabc\n", std::nullopt, CodePage::Utf8},
        {"the mark, then CP852", "\xEF\xBB\xBF" + cp852, std::nullopt, CodePage::Utf8},
        {"the mark only", "\xEF\xBB\xBF", std::nullopt, CodePage::Utf8},
        {"the mark after a carriage return is no mark",
         "\r\xEF\xBB\xBF"
         "abc\n",
         std::nullopt, kByCounts},
        {"well-formed, Polish letters", polish, std::nullopt, CodePage::Utf8},
        {"well-formed, Polish letters, another code page declared", polish, CodePage::IbmLatin2, CodePage::Utf8},
        {"a single letter, the last of its line", "ZLECENIA\nx\xC5\xBC\n", std::nullopt, CodePage::Utf8},
        {"a letter split by a carriage return", "ZLECENIA\nx\xC4\r\x85x\n", std::nullopt, CodePage::Utf8},
        {"well-formed, letters of other languages only", "caf\xC3\xA9 x\n", std::nullopt, kByCounts},
        {"well-formed, other letters only, UTF-8 declared", "caf\xC3\xA9 x\n", CodePage::Utf8, CodePage::Utf8},
        {"ASCII", "ZLECENIA\nabc\n", std::nullopt, CodePage::Mazovia},
        {"ASCII, UTF-8 declared", "ZLECENIA|UTF-8\nabc\n", CodePage::Utf8, CodePage::Utf8},
        {"CP852, UTF-8 declared", cp852, CodePage::Utf8, kByCounts},
        {"a letter cut by a line feed", polish + "x\xC4\n\x85x\n", std::nullopt, kByCounts},
        {"an overlong form", polish + "\xC0\xAF\n", std::nullopt, kByCounts},
        {"a surrogate", polish + "\xED\xA0\x80\n", std::nullopt, kByCounts},
        {"beyond U+10FFFF", polish + "\xF4\x90\x80\x80\n", std::nullopt, kByCounts},
        {"cut at the end of the file", polish + "\xE2\x82", std::nullopt, kByCounts},
        {"a single-byte letter among UTF-8 ones", polish + "\xB9x\n", std::nullopt, kByCounts},
        {"after an end mark nothing is judged", polish + "\x1A\xFF\xC4\n", std::nullopt, CodePage::Utf8},
        {"after 0x1A inside a line its rest is skipped", polish + "x\x1A\xFF\xC4\nabc\n", std::nullopt, CodePage::Utf8},
    };
    for (const Case& c : cases) {
        CodePageCounter counts;
        StringSource whole(c.bytes);
        LineScanner lines(whole);
        counts.addAll(lines);
        const CodePage expected = c.expected.value_or(counts.result(c.declared));
        ASSERT_TRUE(isSingleByte(expected) || expected == CodePage::Utf8) << c.what;
        // Whatever the blocks and reads the file comes in.
        for (const std::size_t block :
             {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{64}, LineScanner::kDefaultBlock}) {
            for (const std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 20}) {
                StringSource source(c.bytes, chunk);
                EXPECT_EQ(identifyCodePage(source, c.declared, block).codePage, expected)
                    << c.what << ", blocks of " << block << ", reads of " << chunk;
            }
        }
    }
}

// A file of a single-byte code page holds its letters as single bytes from 0x80 up, where UTF-8 needs a
// lead byte followed by continuation bytes: text with Polish letters is never taken for UTF-8.
TEST(IdentifyCodePage, SingleByteFilesWithPolishLettersAreNeverUtf8) {
    const std::vector<std::string> words = {"Źródło", "Żółw",      "Ćma", "Łódź",   "Śląsk", "Gęś",
                                            "Jaźń",   "Pająk",     "Ńa",  "zażółć", "gęślą", "Ósemka",
                                            "ĄĘ",     "szczęście", "Ęą",  "ńź",     "ść",    "óż"};
    std::mt19937 random(1250);
    for (const CodePage p : kSingleByteCodePages) {
        for (int file = 0; file < 200; ++file) {
            std::string text = "ZLECENIA|" + std::string(nameOf(p)) + "\r\n";
            for (int line = 0; line < 1 + file % 5; ++line) {
                for (int word = 0; word < 1 + static_cast<int>(random() % 6); ++word) {
                    text += W(words[random() % words.size()]) + (random() % 3 == 0 ? "|" : " ");
                }
                text += "\r\n";
            }
            StringSource source(convertText(text, CodePage::WindowsEe, p));
            EXPECT_NE(identifyCodePage(source).codePage, CodePage::Utf8) << nameOf(p) << ": " << text;
        }
    }
    for (const char* example : {"kontrahenci_mazovia.txt", "kontrahenci_iso_latin2.txt", "kontrahenci_ibm_latin2.txt",
                                "kontrahenci_windows_ee.txt", "zlecenia_mazovia.txt", "zlecenia_iso_latin2.txt",
                                "zlecenia_ibm_latin2.txt", "zlecenia_windows_ee.txt"}) {
        const Identification found = identifyCodePage(test::ExamplePath(example));
        EXPECT_TRUE(isSingleByte(found.codePage)) << example;
    }
}

TEST(IdentifyCodePage, ReportsAFileThatCannotBeOpened) {
    test::TempDir dir;
    const Identification missing = identifyCodePage(dir.path() / "none.txt");
    EXPECT_NE(missing.error, 0);
    const Identification folder = identifyCodePage(dir.path());
    EXPECT_NE(folder.error, 0);
}

// The word-at-a-time test must see one byte outside 0x20..0x7F wherever it lies, and none at the edges.
TEST(AsciiWords, FindEveryByteOutsidePrintableAscii) {
    for (std::size_t length = 0; length <= 19; ++length) {
        const std::string edges = std::string(length, ' ') + std::string(length, '\x7F');
        EXPECT_TRUE(allPrintableAscii(edges.data(), edges.size())) << length;
        for (std::size_t at = 0; at < length; ++at) {
            for (const char bad : {'\x00', '\x1F', '\x80', '\xFF'}) {
                std::string text(length, 'a');
                text[at] = bad;
                EXPECT_FALSE(allPrintableAscii(text.data(), text.size())) << length << " " << at << " " << int(bad);
            }
        }
    }
}

} // namespace
} // namespace quarvel
