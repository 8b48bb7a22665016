// The benchmarks are only as telling as their input: these tests make sure the generated files are what
// the figures claim they are (size, kind, code page, and faults that the checks really catch).

#include "gen/FileGenerator.h"

#include "Correction.h"
#include "Validation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quarvel::bench {
namespace {

using test::TempDir;
using test::TestSession;

constexpr std::chrono::year_month_day kToday{std::chrono::year{2026}, std::chrono::month{12}, std::chrono::day{1}};
const FixedClock kClock{kToday};

GeneratorOptions orders(std::uint64_t bytes) {
    GeneratorOptions options;
    options.kind = FileKind::Orders;
    options.targetBytes = bytes;
    options.today = kToday;
    return options;
}

std::size_t countRecordsWith(const LoadedFile& file, auto predicate) {
    return static_cast<std::size_t>(std::count_if(file.records().begin(), file.records().end(), predicate));
}

bool anyFieldHas(const Record& r, std::uint8_t bit) {
    return std::any_of(r.fieldErrorBits.begin(), r.fieldErrorBits.begin() + r.fieldCount,
                       [bit](std::uint8_t bits) { return (bits & bit) != 0; });
}

TEST(FileGenerator, SameSeedSameBytesOtherSeedOtherBytes) {
    GeneratorOptions a = orders(200'000);
    const std::string first = GenerateToString(a);
    EXPECT_EQ(first, GenerateToString(a));
    a.seed = 2;
    EXPECT_NE(first, GenerateToString(a));
}

TEST(FileGenerator, StaysWithinTheTargetSizeAndEndsEveryLineWithCrLf) {
    GeneratorStats stats;
    const std::string bytes = GenerateToString(orders(1'000'000), &stats);
    EXPECT_LE(bytes.size(), 1'000'000u);
    EXPECT_GT(bytes.size(), 1'000'000u - 300); // short of the target by less than one line
    EXPECT_EQ(stats.bytes, bytes.size());
    const auto lineFeeds = static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_EQ(lineFeeds, stats.dataLines + 1);
    for (std::size_t k = bytes.find('\n'); k != std::string::npos; k = bytes.find('\n', k + 1)) {
        ASSERT_GT(k, 0u);
        ASSERT_EQ(bytes[k - 1], '\r') << "at byte " << k;
    }
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(FileGenerator, GivesExactlyTheRequestedNumberOfLines) {
    GeneratorOptions options = orders(0);
    options.lines = 1234;
    GeneratorStats stats;
    const std::string bytes = GenerateToString(options, &stats);
    EXPECT_EQ(stats.dataLines, 1234u);
    EXPECT_EQ(static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n')), 1235u);
}

// Each code page must be the one the tool identifies, or the stage timings would measure another file.
TEST(FileGenerator, EveryCodePageIsIdentifiedAndDeclared) {
    const TempDir dir;
    for (FileKind kind : {FileKind::Orders, FileKind::Contractors}) {
        for (const CodePage page : kCodePages) {
            GeneratorOptions options = orders(300'000);
            options.kind = kind;
            options.codePage = page;
            GeneratorStats stats;
            const std::string bytes = GenerateToString(options, &stats);
            TestSession t(kClock);
            test::LoadBytes(t, dir, bytes);
            SCOPED_TRACE(std::string(nameOf(page)));
            ASSERT_EQ(t.file().kind, kind);
            EXPECT_EQ(t.file().declaredCodePage, page);
            // DHN has the letters of CYFROMAT, and a tie goes to the smaller id.
            EXPECT_EQ(t.file().identifiedCodePage, page == CodePage::Dhn ? CodePage::Cyfromat : page);
            EXPECT_EQ(t.file().records().size(), stats.dataLines);
        }
    }
}

// The UTF-8 case of the benchmark times the same records as its CP852 twin, only written in UTF-8.
TEST(FileGenerator, AUtf8FileHoldsTheRecordsOfItsCp852Twin) {
    const TempDir dir;
    std::vector<std::string> values[2];
    std::int32_t valid[2] = {};
    for (const CodePage page : {CodePage::IbmLatin2, CodePage::Utf8}) {
        GeneratorOptions options = orders(0);
        options.lines = 5000;
        options.codePage = page;
        const std::string bytes = GenerateToString(options);
        TestSession t(kClock);
        test::LoadBytes(t, dir, bytes);
        ASSERT_EQ(t.file().identifiedCodePage, page);
        const int k = page == CodePage::Utf8 ? 1 : 0;
        for (std::size_t i = 0; i < t.file().records().size(); ++i) values[k].push_back(test::JoinValues(t.file(), i));
        valid[k] = t.file().validCount;
    }
    EXPECT_EQ(values[1], values[0]);
    EXPECT_EQ(valid[1], valid[0]);
    GeneratorOptions sized = orders(1'000'000);
    sized.codePage = CodePage::Utf8;
    EXPECT_LE(GenerateToString(sized).size(), 1'000'000U);
}

// Every fault kind must be caught by exactly the check it is meant for, and a fault-free record must pass.
TEST(FileGenerator, EachFaultIsCaughtByItsCheck) {
    const TempDir dir;
    GeneratorStats stats;
    const std::string bytes = GenerateToString(orders(2'000'000), &stats);
    TestSession t(kClock);
    test::LoadBytes(t, dir, bytes);
    t.state().trimFields.checked = false;
    runCorrectionPass(t.session);
    ValidateAllRecords(t.session);
    const LoadedFile& file = t.file();
    const auto faults = [&stats](Fault f) { return stats.faults[static_cast<int>(f)]; };

    for (int f = 1; f < static_cast<int>(Fault::Count); ++f) EXPECT_GT(stats.faults[f], 20u) << FaultName(static_cast<Fault>(f));
    const double share = static_cast<double>(stats.faultyLines) / static_cast<double>(stats.dataLines);
    EXPECT_GT(share, 0.08);
    EXPECT_LT(share, 0.12);

    EXPECT_EQ(countRecordsWith(file, [](const Record& r) { return (r.lineErrorBits & kNoData) != 0; }),
              faults(Fault::EmptyLine));
    EXPECT_EQ(countRecordsWith(file, [](const Record& r) { return (r.lineErrorBits & kTooManyFields) != 0; }),
              faults(Fault::TooManyFields));
    EXPECT_EQ(countRecordsWith(file, [](const Record& r) { return (r.fieldErrorBits[0] & kBadDate) != 0; }),
              faults(Fault::BadDate));
    // A date written year first is longer than its field as well, so the date field is left out here.
    EXPECT_EQ(countRecordsWith(file, [](const Record& r) { return anyFieldHas(r, kTooLong) && (r.fieldErrorBits[0] & kTooLong) == 0; }),
              faults(Fault::TooLong));
    EXPECT_EQ(countRecordsWith(file, [](const Record& r) { return anyFieldHas(r, kNotPermittedChars); }),
              faults(Fault::Tab));
    EXPECT_EQ(countRecordsWith(file, [](const Record& r) { return anyFieldHas(r, kRequiredEmpty); }),
              faults(Fault::MissingFields));
    // A line cut short after its date also lacks its amount and accounts, so these counts can only be larger.
    EXPECT_GE(countRecordsWith(file, [](const Record& r) { return (r.fieldErrorBits[1] & kBadAmount) != 0; }),
              faults(Fault::BadAmount));
    EXPECT_GE(countRecordsWith(file, [](const Record& r) { return anyFieldHas(r, kBadNrb); }),
              faults(Fault::BadAccount));
    EXPECT_EQ(static_cast<std::uint64_t>(file.invalidCount), stats.faultyLines);
}

TEST(FileGenerator, ContractorFaultsAreCaughtAndTheRestIsValid) {
    const TempDir dir;
    GeneratorOptions options = orders(1'000'000);
    options.kind = FileKind::Contractors;
    options.codePage = CodePage::Mazovia;
    GeneratorStats stats;
    const std::string bytes = GenerateToString(options, &stats);
    EXPECT_EQ(stats.faults[static_cast<int>(Fault::BadDate)], 0u);
    EXPECT_EQ(stats.faults[static_cast<int>(Fault::BadAmount)], 0u);
    TestSession t(kClock);
    test::LoadBytes(t, dir, bytes);
    t.state().trimFields.checked = false;
    runCorrectionPass(t.session);
    ValidateAllRecords(t.session);
    EXPECT_EQ(static_cast<std::uint64_t>(t.file().invalidCount), stats.faultyLines);
    EXPECT_GT(t.file().validCount, 0);
}

TEST(FileGenerator, LongLineHasExactlyTheAskedLengthAndNoLineEnd) {
    GeneratorOptions options = orders(0);
    options.shape = FileShape::LongLine;
    options.shapeBytes = 100'000;
    const std::string bytes = GenerateToString(options);
    const std::string header = HeaderLine(FileKind::Orders, CodePage::IbmLatin2) + "\r\n";
    ASSERT_EQ(bytes.size(), header.size() + 100'000);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_EQ(bytes.find('\n', header.size()), std::string::npos);

    const TempDir dir;
    TestSession t(kClock);
    test::LoadBytes(t, dir, bytes);
    ASSERT_EQ(t.file().records().size(), 1u);
    EXPECT_EQ(t.file().records()[0].lineErrorBits, 0);
}

TEST(FileGenerator, BarsLineIsOneRecordWithTooManyFields) {
    GeneratorOptions options = orders(0);
    options.shape = FileShape::Bars;
    options.shapeBytes = 5000;
    const std::string bytes = GenerateToString(options);
    EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '|')), 5001u); // one in the header
    const TempDir dir;
    TestSession t(kClock);
    test::LoadBytes(t, dir, bytes);
    ASSERT_EQ(t.file().records().size(), 1u);
    EXPECT_NE(t.file().records()[0].lineErrorBits & kTooManyFields, 0);
}

TEST(ParseSize, ReadsDecimalAndBinaryUnits) {
    std::uint64_t v = 0;
    EXPECT_TRUE(ParseSize("10M", v));
    EXPECT_EQ(v, 10'000'000u);
    EXPECT_TRUE(ParseSize("10Mi", v));
    EXPECT_EQ(v, 10u << 20);
    EXPECT_TRUE(ParseSize("7", v));
    EXPECT_EQ(v, 7u);
    EXPECT_FALSE(ParseSize("10X", v));
    EXPECT_FALSE(ParseSize("M", v));
    EXPECT_FALSE(ParseSize("7i", v));
}

} // namespace
} // namespace quarvel::bench
