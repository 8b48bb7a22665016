// A line of 200 MB without line end: the load reads it to its end in bounded memory and keeps of it only
// what the record holds.

#include "CheckTexts.h"
#include "Pipeline.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quarvel {
namespace {

using test::W;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Writes `head`, then `megabytes` MiB of `block` repeated, with no line end at all.
std::filesystem::path writeHuge(const test::TempDir& dir, const std::string& head, const std::string& block,
                                std::size_t megabytes) {
    std::string chunk;
    while (chunk.size() < kMiB) chunk += block;
    chunk.resize(kMiB);
    const auto path = dir.path() / "huge.txt";
    std::ofstream out(path, std::ios::binary);
    out << head;
    for (std::size_t k = 0; k < megabytes; ++k) out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    EXPECT_TRUE(out.good());
    return path;
}

TEST(HugeLine, TwoHundredMegabytesOfOneDataLine) {
    test::TempDir dir;
    // Every 1000 bytes a "|", so the line holds 200 000 fields; between them letters, ą (0xB9 in
    // Windows-1250) and spaces.
    std::string block = std::string(500, 'x') + std::string(200, '\xB9') + std::string(299, ' ') + "|";
    const auto path = writeHuge(dir, "KONTRAHENCI|WINDOWS_EE\r\n", block, 200);
    ASSERT_EQ(std::filesystem::file_size(path), 200 * kMiB + 24);

    test::TestSession t;
    t.file().fileName = path;
    ASSERT_EQ(loadIntoWindow(t.session, path), LoadOutcome::Loaded);
    const LoadedFile& file = t.file();
    ASSERT_EQ(file.records().size(), 1U);
    EXPECT_TRUE(t.ui.messages.empty());
    EXPECT_EQ(file.identifiedCodePage, CodePage::WindowsEe);
    EXPECT_EQ(file.lineErrors(0), std::vector<std::string>{W("Zbyt duża ilość pól w linii nr 2")});
    ASSERT_EQ(file.fieldCount(0), 13U);
    // Each field is cut to 250 bytes, then stripped.
    for (std::size_t j = 0; j < 13; ++j) EXPECT_EQ(file.rawValue(0, j), std::string(250, 'x')) << j;
    EXPECT_LE(file.allRawValues().size(), 13U * 250U) << "the record keeps its fields, never the line";
    EXPECT_LE(file.rewrittenBytes(), 13U * 256U);
    EXPECT_EQ(file.invalidCount, 1);
    std::size_t trimmed = 12; // the separators
    for (const FieldDef& field : layoutFor(FileKind::Contractors)) trimmed += static_cast<std::size_t>(field.maxLength);
    EXPECT_EQ(test::JoinValues(file, 0).size(), trimmed) << "trimmed to the field lengths";
}

TEST(HugeLine, AHeaderOfSixtyFourMegabytesWithoutLineEnd) {
    test::TempDir dir;
    // The keyword at the very start, the code page named far behind it in the second piece.
    const auto path = writeHuge(dir, "ZLECENIA|", std::string(1023, 'q') + "\xB9", 64);
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << " VENTURA";
    }
    test::TestSession t;
    t.file().fileName = path;
    ASSERT_EQ(loadIntoWindow(t.session, path), LoadOutcome::Loaded);
    EXPECT_EQ(t.file().kind, FileKind::Orders);
    EXPECT_EQ(t.file().declaredCodePage, CodePage::Ventura);
    EXPECT_EQ(t.file().identifiedCodePage, CodePage::WindowsEe);
    EXPECT_TRUE(t.file().records().empty());
    EXPECT_TRUE(t.file().allRawValues().empty());
    EXPECT_TRUE(t.ui.messages.empty());
    EXPECT_EQ(t.state().codePageList.background, kRed);
}

} // namespace
} // namespace quarvel
