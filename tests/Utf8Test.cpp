#include "Utf8.h"

#include "CodePages.h"
#include "Utf16Source.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace quarvel {
namespace {

using test::MemoryReading;
using test::MemorySource;

std::string utf8Of(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// Every character of the Basic Multilingual Plane and a few beyond it, against the system's own
// Windows-1250 table. A character the system converts to a byte that does not stand for it again (a
// "best fit" such as A for Ā, or one of the five bytes the code page leaves undefined) is one the code
// page lacks: the tool writes 0x81 for it. The code page has nothing above U+2122, so the system is asked
// below U+3000 only.
TEST(Cp1250FromUtf8Into, AgreesWithTheSystemConverterOnEveryCharacter) {
    if (!test::ConvertBySystem("a", "CP1250")) GTEST_SKIP() << "the system cannot convert to CP1250";
    int mapped = 0;
    for (char32_t cp = 1; cp < 0x110000; cp = cp < 0x10000 ? cp + 1 : cp + 0x1111) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string in = utf8Of(cp);
        int expected = kNotInCp1250;
        if (cp < 0x3000) {
            const std::optional<std::string> system = test::ConvertBySystem(in, "CP1250");
            if (system && system->size() == 1) {
                const auto byte = static_cast<unsigned char>((*system)[0]);
                if (byte < 0x80 ? byte == cp : unicodeFromCp1250(byte) == cp) expected = byte;
            }
        }
        if (expected != kNotInCp1250 && cp >= 0x80) ++mapped;
        const std::string out = cp1250FromUtf8Text(in);
        ASSERT_EQ(out.size(), 1U) << std::hex << "U+" << static_cast<std::uint32_t>(cp);
        ASSERT_EQ(static_cast<unsigned char>(out[0]), expected) << std::hex << "U+" << static_cast<std::uint32_t>(cp);
    }
    EXPECT_EQ(mapped, 123) << "the code page's characters from 0x80 up, less its five undefined bytes";
}

TEST(Cp1250FromUtf8Into, EveryByteOfAnIllFormedOrCutSequenceBecomes0x81) {
    const std::string x(1, static_cast<char>(kNotInCp1250));
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"Polish letters", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87", "Za\xBF\xF3\xB3\xE6"},
        {"euro sign, a three-byte character", "\xE2\x82\xAC", "\x80"},
        {"section sign", "\xC2\xA7", "\xA7"},
        {"a character the code page lacks", "a\xD0\x96z", "a" + x + "z"}, // Ж
        {"four bytes, one character", "\xF0\x9F\x98\x80", x},
        {"U+0081 itself", "\xC2\x81", x},
        {"a lead byte cut by the end", "ab\xC4", "ab" + x},
        {"a lead byte before ASCII",
         "\xC4"
         "A",
         x + "A"},
        {"two of three bytes",
         "\xE2\x82"
         "A",
         x + x + "A"},
        {"a continuation byte alone", "\x85", x},
        {"overlong two bytes", "\xC0\xAF", x + x},
        {"overlong three bytes", "\xE0\x80\xAF", x + x + x},
        {"a surrogate", "\xED\xA0\x80", x + x + x},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", x + x + x + x},
        {"bytes no sequence starts with", "\xF8\xFF\xFE", x + x + x},
        {"a new lead byte ends a cut sequence", "\xE2\xC4\x85", x + "\xB9"},
        {"CP852 text read as UTF-8", "Pi\xA5tek", "Pi" + x + "tek"},
        {"empty", "", ""},
        // Runs of ASCII are taken eight bytes at a time: sequences before, inside and after such runs.
        {"ASCII runs around letters and a cut sequence",
         "Faktura nr 123456 za\xC5\xBC\xC3\xB3\xC5\x82ty w\xC4\x99giel 2026/12/07\xC4",
         "Faktura nr 123456 za\xBF\xF3\xB3ty w\xEAgiel 2026/12/07" + x},
        {"eight ASCII bytes exactly", "abcdefgh", "abcdefgh"},
        {"a sequence cut by eight ASCII bytes", "\xE2\x82" "abcdefgh\xC4\x85", x + x + "abcdefgh\xB9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cp1250FromUtf8Text(c.in), c.out) << c.what;
}

TEST(Cp1250FromUtf8Into, NeverWritesMoreThanItReads) {
    std::mt19937 random(17);
    for (int round = 0; round < 20000; ++round) {
        std::string in(random() % 40, '\0');
        for (char& c : in)
            c = static_cast<char>(random() % 4 == 0 ? random() % 0x80 : 0x80 + random() % 0x80);
        std::string out(in.size() + 16, '\x55');
        const char* end = cp1250FromUtf8Into(in, out.data());
        ASSERT_LE(static_cast<std::size_t>(end - out.data()), in.size());
        ASSERT_EQ(out[in.size()], '\x55');
    }
}

struct Judged {
    bool wellFormed;
    bool letter;
};

Judged judgeWhole(std::string_view bytes) {
    Utf8Judge judge;
    judge.add(bytes);
    return {judge.wellFormed(), judge.sawPolishLetter()};
}

TEST(Utf8Judge, TellsWellFormedLinesAndPolishLetters) {
    struct Case {
        const char* what;
        std::string bytes;
        bool wellFormed;
        bool letter;
    };
    const std::vector<Case> cases = {
        {"ASCII", "KONTRAHENCI\nabc|def\r\n", true, false},
        {"Polish letters", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\n", true, true},
        {"a letter other than Polish", "caf\xC3\xA9\n", true, false},
        {"Czech, Slovak and German letters", "\xC5\x99\xC3\xA4\xC3\xB6\xC5\xA1\n", true, false},
        {"a three-byte character",
         "\xE2\x80\x9E"
         "cytat\xE2\x80\x9D\n",
         true, false},
        {"four bytes", "\xF0\x9F\x98\x80\n", true, false},
        {"CP852 text", "Pi\xA5tek \xA2\n", false, false},
        {"a letter cut by a line feed", "x\xC4\n\x85x\n", false, false},
        {"a letter split by a carriage return, which the reader drops", "x\xC4\r\x85x\n", true, true},
        {"cut at the end", "x\xC4\x85\xE2\x82", false, true},
        {"overlong", "\xC4\x85\xC0\xAF\n", false, true},
        {"a surrogate", "\xC4\x85\xED\xA0\x80\n", false, true},
        {"beyond U+10FFFF", "\xC4\x85\xF4\x90\x80\x80\n", false, true},
        {"nothing", "", true, false},
    };
    for (const Case& c : cases) {
        const Judged whole = judgeWhole(c.bytes);
        EXPECT_EQ(whole.wellFormed, c.wellFormed) << c.what;
        if (c.wellFormed) {
            EXPECT_EQ(whole.letter, c.letter) << c.what;
        }
        // The same verdict whatever the pieces the bytes come in.
        for (std::size_t piece = 1; piece <= 5; ++piece) {
            Utf8Judge judge;
            for (std::size_t k = 0; k < c.bytes.size(); k += piece)
                judge.add(std::string_view(c.bytes).substr(k, piece));
            EXPECT_EQ(judge.wellFormed(), c.wellFormed) << c.what << ", pieces of " << piece;
        }
    }
    Utf8Judge judge;
    judge.add("x\xC5");
    judge.endLine();
    judge.add("\xBC");
    EXPECT_FALSE(judge.wellFormed()) << "the end of a line cuts the sequence";
}

TEST(Utf8Judge, FindsEachOfThe18Letters) {
    const std::vector<std::string> letters = {"Ą", "Ć", "Ę", "Ł", "Ń", "Ó", "Ś", "Ź", "Ż",
                                              "ą", "ć", "ę", "ł", "ń", "ó", "ś", "ź", "ż"};
    for (const std::string& letter : letters) {
        const Judged judged = judgeWhole("abc " + letter + "\n");
        EXPECT_TRUE(judged.wellFormed && judged.letter) << letter;
        EXPECT_EQ(cp1250FromUtf8Text(letter), test::W(letter)) << letter;
    }
    // Their neighbours are letters of other languages.
    for (const char* other : {"\xC3\x92", "\xC4\x83", "\xC4\x9A", "\xC5\x80", "\xC5\xBD"}) {
        EXPECT_FALSE(judgeWhole(other).letter) << other;
    }
}

// ---- UTF-16 --------------------------------------------------------------------------------------------

std::string decoded(std::string_view file, std::size_t chunk = MemoryReading::kAll, std::size_t piece = 1 << 16) {
    std::unique_ptr<ByteSource> source =
        decodeUtf16(std::make_unique<MemorySource>(file, MemoryReading{.chunk = chunk}));
    std::string out;
    std::string buffer(piece, '\0');
    for (std::size_t got; (got = source->read(buffer.data(), buffer.size())) > 0;)
        out.append(buffer, 0, got);
    return out;
}

std::string le(std::u16string_view units) {
    std::string out = "\xFF\xFE";
    for (char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::string be(std::u16string_view units) {
    std::string out = "\xFE\xFF";
    for (char16_t u : units) {
        out += static_cast<char>(u >> 8);
        out += static_cast<char>(u & 0xFF);
    }
    return out;
}

TEST(DecodeUtf16, DecodesMarkedFilesToUtf8AndLeavesOthersAsTheyAre) {
    const std::string mark = "\xEF\xBB\xBF";
    const std::string replacement = "\xEF\xBF\xBD";
    struct Case {
        const char* what;
        std::string file;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"little endian", le(u"ZLECENIA\r\nŻółw|€\n"), mark + "ZLECENIA\r\n\xC5\xBB\xC3\xB3\xC5\x82w|\xE2\x82\xAC\n"},
        {"big endian", be(u"ZLECENIA\r\nŻółw|€\n"), mark + "ZLECENIA\r\n\xC5\xBB\xC3\xB3\xC5\x82w|\xE2\x82\xAC\n"},
        {"a surrogate pair", le(u"a\xD83D\xDE00z"), mark + "a\xF0\x9F\x98\x80z"},
        {"a lone high surrogate", le(u"a\xD83Dz"), mark + "a" + replacement + "z"},
        {"two high surrogates", le(u"\xD83D\xD83D\xDE00"), mark + replacement + "\xF0\x9F\x98\x80"},
        {"a lone low surrogate", be(u"a\xDE00z"), mark + "a" + replacement + "z"},
        {"a high surrogate at the end", le(u"a\xD83D"), mark + "a" + replacement},
        {"an odd last byte", le(u"ab") + "c", mark + "ab" + replacement},
        {"the mark only", "\xFF\xFE", mark},
        {"a NUL and an end mark stay bytes", le(std::u16string_view(u"a\0\x1A", 3)), mark + std::string("a\0\x1A", 3)},
        {"no mark: UTF-8", "\xEF\xBB\xBFZa\xC5\xBC\n", "\xEF\xBB\xBFZa\xC5\xBC\n"},
        {"no mark: one byte", "\xFF", "\xFF"},
        {"no mark: CP852", "Pi\xA5tek", "Pi\xA5tek"},
        {"empty", "", ""},
        {"the mark backwards is no mark", "\xFE", "\xFE"},
    };
    for (const Case& c : cases) {
        for (const std::size_t chunk : {std::size_t{1}, std::size_t{3}, MemoryReading::kAll}) {
            for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{1} << 16}) {
                EXPECT_EQ(decoded(c.file, chunk, piece), c.expected)
                    << c.what << ", reads of " << chunk << ", pieces of " << piece;
            }
        }
    }
}

TEST(DecodeUtf16, TellsTheBytesOfTheFileRead) {
    const std::string file = le(u"ZLECENIA\nąę\n") + "x";
    std::unique_ptr<ByteSource> source = decodeUtf16(std::make_unique<MemorySource>(file, MemoryReading{.chunk = 3}));
    std::string buffer(1000, '\0');
    std::size_t handed = 0;
    for (std::size_t got; (got = source->read(buffer.data(), 7)) > 0;)
        handed += got;
    EXPECT_EQ(source->fileBytesRead(), file.size());
    EXPECT_EQ(handed, 3U + 9U + 4U + 1U + 3U); // the marks, "ZLECENIA\n", "ąę", "\n", U+FFFD

    std::unique_ptr<ByteSource> plain = decodeUtf16(std::make_unique<MemorySource>("abc"));
    EXPECT_EQ(plain->read(buffer.data(), buffer.size()) + plain->read(buffer.data(), buffer.size()), 3U);
    EXPECT_FALSE(plain->fileBytesRead()) << "a file handed on as it is needs no count of its own";
}

TEST(DecodeUtf16, AFailedReadIsTheSourcesFailure) {
    const std::string file = le(std::u16string(1000, u'ą'));
    std::unique_ptr<ByteSource> source =
        decodeUtf16(std::make_unique<MemorySource>(file, MemoryReading{.chunk = 64, .failAfter = 301}));
    std::string buffer(4096, '\0');
    std::size_t handed = 0;
    for (std::size_t got; (got = source->read(buffer.data(), buffer.size())) > 0;)
        handed += got;
    EXPECT_EQ(source->error(), EIO);
    EXPECT_LE(handed, 3U + 300U + 3U);
}

} // namespace
} // namespace quarvel
