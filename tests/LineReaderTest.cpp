#include "LineReader.h"
#include "BlockReader.h"

#include "Pipeline.h"
#include "support/ReferenceForms.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quarvel {
namespace {

using test::splitText;
using test::W;

TEST(SplitText, GivesThePiecesOfTheRule) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},
        {"abc", {"abc"}},
        {"a|b|", {"a", "b"}},
        {"|a", {"", "a"}},
        {"a||b", {"a", "", "b"}},
        {"|", {""}},
        {"a|b||", {"a", "b", ""}},
        {" a | b ", {" a ", " b "}},
    };
    for (const auto& [text, pieces] : cases)
        EXPECT_EQ(splitText(text, "|"), pieces) << text;
    EXPECT_EQ(splitText("a--b--", "--"), (std::vector<std::string>{"a", "b"}));
}

TEST(SplitText, IsLinearOnAMillionSeparators) {
    EXPECT_EQ(splitText(std::string(1'000'000, '|'), "|").size(), 1'000'000U);
}

struct Read : test::LoadedBytes {
    using LoadedBytes::LoadedBytes;
    std::string raw(std::size_t i) { return test::JoinRawValues(file(), i); }
    std::vector<std::string> lineErrors(std::size_t i) { return file().lineErrors(i); }
};

constexpr std::string_view kContractors = "KONTRAHENCI|WINDOWS_EE\r\n";

TEST(LineReader, SplitsFieldsAndKeepsBlankApartFromMissing) {
    struct Case {
        std::string line;
        std::string raw; // the 13 raw values joined by "|"
        std::vector<std::string> lineErrors;
    };
    const std::string empty12 = "||||||||||||";
    const std::vector<Case> cases = {
        {"a||b", "a| |b||||||||||", {}},
        {"a|b|", "a|b|||||||||||", {}},         // one trailing "|" adds no field
        {"a|b||", "a|b| ||||||||||", {}},       // a further one adds a blank field
        {"   ", " " + empty12, {}},             // a line of spaces has one blank field
        {"\t \t|x", " |x|||||||||||", {}},      // tabs and spaces only: blank
        {"  a b  | c", "a b|c|||||||||||", {}}, // stripped at both ends
        {"a\rb|c", "ab|c|||||||||||", {}},      // a lone carriage return is dropped
        {"1|2|3|4|5|6|7|8|9|10|11|12|13|", "1|2|3|4|5|6|7|8|9|10|11|12|13", {}},
        {"1|2|3|4|5|6|7|8|9|10|11|12|13||", "1|2|3|4|5|6|7|8|9|10|11|12|13", {W("Zbyt duża ilość pól w linii nr 2")}},
        {"1|2|3|4|5|6|7|8|9|10|11|12|13|14|15",
         "1|2|3|4|5|6|7|8|9|10|11|12|13",
         {W("Zbyt duża ilość pól w linii nr 2")}},
        {"", "", {"Brak danych w linii nr 2"}},
    };
    for (const Case& c : cases) {
        Read r(std::string(kContractors) + c.line + "\r\n");
        ASSERT_EQ(r.file().records().size(), 1U) << c.line;
        EXPECT_EQ(r.raw(0), c.raw) << c.line;
        EXPECT_EQ(r.lineErrors(0), c.lineErrors) << c.line;
        if (c.line.empty()) {
            EXPECT_EQ(r.file().fieldCount(0), 0U);
        }
    }
}

TEST(LineReader, CutsEachFieldToTwoHundredFiftyBytesBeforeStripping) {
    const std::string longField = std::string(240, 'a') + std::string(20, ' ') + "tail";
    Read r(std::string(kContractors) + longField + "|" + std::string(300, 'b') + "|   " + std::string(260, 'c') + "\n");
    EXPECT_EQ(r.file().rawValue(0, 0), std::string(240, 'a'));
    EXPECT_EQ(r.file().rawValue(0, 1), std::string(250, 'b'));
    EXPECT_EQ(r.file().rawValue(0, 2), std::string(247, 'c'));
    EXPECT_EQ(r.file().rawValue(0, 3), "");
}

TEST(LineReader, FollowsTheLineRules) {
    struct Case {
        const char* what;
        std::string body; // everything after the header line
        std::vector<std::string> records;
    };
    const std::vector<Case> cases = {
        {"unix line ends", "a\nb\n", {"a", "b"}},
        {"windows line ends", "a\r\nb\r\n", {"a", "b"}},
        {"no line end at the end", "a\r\nb", {"a", "b"}},
        {"an empty line at the end", "a\n\n", {"a", "<empty>"}},
        {"empty line in the middle", "\na\n", {"<empty>", "a"}},
        {"end mark after the last line end", "a\n\x1A", {"a"}},
        {"end mark at a line start",
         "a\n\x1A"
         "b\nc\n",
         {"a"}},
        {"end mark inside a line",
         "ab\x1A"
         "cd\nef\n",
         {"ab", "ef"}},
        {"only carriage returns after the last line", "a\n\r\r", {"a"}},
        {"carriage returns only as line ends", "a\rb\r", {"ab"}},
        {"a carriage return line is empty", "a\n\r\nb\n", {"a", "<empty>", "b"}},
        {"NUL bytes are data", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) {
        Read r(std::string(kContractors) + c.body);
        std::vector<std::string> got;
        for (std::size_t i = 0; i < r.file().records().size(); ++i) {
            got.push_back(r.file().fieldCount(i) == 0 ? "<empty>" : std::string(r.file().rawValue(i, 0)));
        }
        EXPECT_EQ(got, c.records) << c.what;
    }
}

TEST(LineReader, NamesEachLineByItsNumberInTheFile) {
    Read r(std::string(kContractors) + "a\n\nb\n\n");
    ASSERT_EQ(r.file().records().size(), 4U);
    EXPECT_EQ(r.lineErrors(1), std::vector<std::string>{"Brak danych w linii nr 3"});
    EXPECT_EQ(r.lineErrors(3), std::vector<std::string>{"Brak danych w linii nr 5"});
    EXPECT_EQ(r.file().fieldCount(2), 13U);
}

TEST(LineReader, OrdersHaveElevenFields) {
    Read r("ZLECENIA\n1|2|3|4|5|6|7|8|9|10|11\n1|2|3|4|5|6|7|8|9|10|11|12\n");
    ASSERT_EQ(r.file().records().size(), 2U);
    EXPECT_EQ(r.file().fieldCount(0), 11U);
    EXPECT_TRUE(r.lineErrors(0).empty());
    EXPECT_EQ(r.lineErrors(1), std::vector<std::string>{W("Zbyt duża ilość pól w linii nr 3")});
}

// The streaming reader must give the pieces the plain rule gives, whatever the line, and mark the same
// fields as printable ASCII, whether the line arrives whole or a few bytes at a time.
TEST(LineReader, AgreesWithSplitTextOnRandomLines) {
    std::mt19937 random(20261207);
    const std::string alphabet = "ab |\t\r|||  x\x01\xA5";
    const auto strippable = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    const auto printable = [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7F;
    };
    for (int round = 0; round < 300; ++round) {
        std::string line;
        const int length = static_cast<int>(random() % 40);
        for (int k = 0; k < length; ++k)
            line += alphabet[random() % alphabet.size()];
        if (round % 10 == 0) line += std::string(random() % 600, 'y') + std::string(random() % 3, ' ');

        std::string withoutCr;
        for (char c : line)
            if (c != '\r') withoutCr += c;
        const auto pieces = splitText(withoutCr, "|");
        std::string expected;
        std::uint16_t expectedAscii = 0;
        for (std::size_t j = 0; j < 13; ++j) {
            if (j > 0) expected += '|';
            if (j < pieces.size()) {
                std::string piece = pieces[j].substr(0, 250);
                const auto first = std::find_if_not(piece.begin(), piece.end(), strippable);
                const auto last = std::find_if_not(piece.rbegin(), piece.rend(), strippable).base();
                piece = first < last ? std::string(first, last) : " ";
                if (std::all_of(piece.begin(), piece.end(), printable))
                    expectedAscii |= static_cast<std::uint16_t>(1U << j);
                expected += piece;
            }
        }
        Read r(std::string(kContractors) + line + "\n");
        ASSERT_EQ(r.file().records().size(), 1U);
        if (pieces.empty()) {
            EXPECT_EQ(r.file().fieldCount(0), 0U) << line;
            continue;
        }
        EXPECT_EQ(r.raw(0), expected) << line;
        EXPECT_EQ(r.file().records()[0].asciiMask, expectedAscii) << line;
        EXPECT_EQ(!r.lineErrors(0).empty(), pieces.size() > 13) << line;
        for (const std::size_t chunk : {1, 3, 7}) {
            test::TestSession t;
            t.file().kind = FileKind::Contractors;
            test::MemorySource source(line, {.chunk = chunk});
            LineScanner input(source);
            ASSERT_TRUE(readRecordLine(t.session, input));
            EXPECT_EQ(test::JoinRawValues(t.file(), 0), expected) << line << ", reads of " << chunk;
            EXPECT_EQ(t.file().records()[0].asciiMask, expectedAscii) << line << ", reads of " << chunk;
        }
    }
}

TEST(LineReader, KeepsOnlyWhatTheRecordNeedsOfAHugeLine) {
    std::string line(5'000'000, 'x');
    line += std::string(1'000'000, '|');
    Read r(std::string(kContractors) + line + "\n");
    ASSERT_EQ(r.file().records().size(), 1U);
    EXPECT_EQ(r.file().rawValue(0, 0), std::string(250, 'x'));
    EXPECT_EQ(r.lineErrors(0), std::vector<std::string>{W("Zbyt duża ilość pól w linii nr 2")});
    EXPECT_LT(r.file().allRawValues().size(), 300U);
}

struct ReadResult {
    std::vector<std::string> records; // per record: field count, line errors, raw lengths and the raw values
    std::string rawBytes;
    int error = 0;
    bool operator==(const ReadResult&) const = default;
};

ReadResult resultOf(const LoadedFile& file, int error) {
    ReadResult result{{}, std::string(file.allRawValues()), error};
    for (std::size_t i = 0; i < file.records().size(); ++i) {
        const Record& r = file.records()[i];
        std::string view = std::to_string(r.fieldCount) + "/" + std::to_string(r.lineErrorBits) + "/" +
                           std::to_string(r.rawOffset) + "/" + std::to_string(r.asciiMask) + ":";
        for (std::size_t j = 0; j < r.fieldCount; ++j)
            view += std::to_string(r.rawLength[j]) + ",";
        result.records.push_back(view + test::JoinRawValues(file, i));
    }
    return result;
}

// Blocks of whole lines built on other threads give the records line by line reading gives, wherever
// the blocks end, however the source hands out its bytes, and whatever ends the file.
TEST(LineReader, ReadsBlocksAsLineByLine) {
    std::string lines;
    for (int i = 0; i < 2000; ++i) { // more than a block that is built on a thread of its own
        lines += "12/24/26|" + std::to_string(i) + "| 12345678901234567890123456 |a\tb|" +
                 std::string(static_cast<std::size_t>(i % 9), '|') +
                 (i % 3 == 0   ? "\r\n"
                  : i % 5 == 0 ? "\n\n"
                               : "\n");
    }
    const std::string longLine = std::string(3000, 'x') + "|" + std::string(2000, '|') + "\n";
    // Fields of every length around the word sizes and the 250-byte cut, with spaces, control and high
    // bytes anywhere and carriage returns inside lines.
    std::mt19937 random(20261209);
    const std::string alphabet = "ab  |\t\x01\xA5\x7F\x80~";
    std::string mixed;
    for (int i = 0; i < 3000; ++i) {
        const int fields = static_cast<int>(random() % 16);
        for (int j = 0; j < fields; ++j) {
            const std::size_t length = i % 50 == 0 ? 240 + random() % 20 : random() % 20;
            for (std::size_t k = 0; k < length; ++k)
                mixed += alphabet[random() % alphabet.size()];
            if (random() % 40 == 0) mixed += '\r';
            mixed += '|';
        }
        mixed += random() % 4 == 0 ? "\r\n" : "\n";
    }
    const std::vector<std::pair<const char*, std::string>> texts = {
        {"ordinary lines", lines},
        {"lines of random bytes", mixed},
        {"random bytes and no line end", mixed + "a\x01 |b"},
        // In blocks of 64 bytes, the last line ends where the earlier lines, in the reused block, had a "|".
        {"a last line before old bytes",
         [] {
             std::string text;
             for (int i = 0; i < 20; ++i)
                 text += std::string(10, 'a') + "|" + std::string(52, 'b') + "\n";
             return text + "abcdefghij";
         }()},
        {"last line without line feed", lines + "last|line"},
        {"carriage returns after the last line", lines + "\r\r"},
        {"end mark at a line start", lines + "\x1A" + lines},
        {"end mark inside a line", lines +
                                       "ab\x1A"
                                       "cd\n" +
                                       lines},
        {"lines longer than a block", lines + longLine + lines + longLine},
        {"only a long line, no line feed", std::string(5000, 'y')},
        {"more lines than a block has room for",
         std::string(3000, '\n') + lines + std::string(3000, '\n') + "\x1A" + lines},
        {"nothing", ""},
    };
    for (const auto& [what, text] : texts) {
        for (const std::size_t block :
             {std::size_t{64}, std::size_t{1000}, std::size_t{70000}, LineScanner::kDefaultBlock}) {
            for (const std::size_t chunk : {std::size_t{13}, std::size_t{1} << 20}) {
                for (const std::size_t failAt : {std::string::npos, text.size() / 2}) {
                    test::TestSession byLine;
                    byLine.file().kind = FileKind::Orders;
                    test::MemorySource lineSource(text, {.chunk = chunk, .failAfter = failAt});
                    LineScanner lineInput(lineSource, block);
                    while (readRecordLine(byLine.session, lineInput)) {
                    }
                    test::TestSession byBlock;
                    byBlock.file().kind = FileKind::Orders;
                    test::MemorySource blockSource(text, {.chunk = chunk, .failAfter = failAt});
                    LineScanner blockInput(blockSource, block);
                    const ReadEnd read = readRecords(byBlock.session, blockInput);
                    EXPECT_EQ(resultOf(byBlock.file(), read.error), resultOf(byLine.file(), lineInput.error()))
                        << what << ", blocks of " << block << ", reads of " << chunk << ", failing at " << failAt;
                    EXPECT_EQ(read.endMark, lineInput.endMarkSeen()) << what << ", blocks of " << block;
                }
            }
        }
    }
}

} // namespace
} // namespace quarvel
