// A file large enough to be corrected, checked and written in several slices and windows must come out
// exactly as its records do one at a time: the same values, messages, verdicts, total, output and log.

#include "Correction.h"
#include "Validation.h"
#include "Pipeline.h"
#include "LogReport.h"
#include "OutputWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

const std::string kNrb = "12345678901234567890123456";
const std::string kNrb2 = "98765432109876543210987654";

// Lines that exercise every kind of correction and finding: rewritten dates and accounts, windows on
// accounts, trimmed values, empty lines, surplus fields, bad dates, amounts, accounts and characters.
const std::vector<std::string> kPatterns = {
    "01/15/26|100.50|" + kNrb + "|" + kNrb2 + "|Tytul 1|Tytul 2",
    "12/24/26|10|PL" + kNrb + "|BANKPKO1-" + kNrb2 + "|T1|T2",
    "12/24/26|12,5|12 3456 7890 1234 5678 9012 3456|" + kNrb2 + "|T1|T2",
    "",
    "12/24/26|1|" + kNrb + "|" + kNrb2 + "|" + std::string(40, 't') + "|T2|a|b|c|d|e|f|g",
    "13/45/26|abc|123|" + kNrb2 + "|\x01" "ctl|T2",
    "12/24/26|12345678901234.56|PL 1234 5678 9012 3456 7890 1234 56|" + kNrb2 + "| Tytul |T2|N|PLN|E",
    "12/08/26|1e999|" + kNrb + "|" + kNrb2 + "|T1|T2||||x|",
    "11/30/26|  -5.25|" + kNrb + "|" + kNrb2 + "|T1|T2|   |",
};

std::string fileOf(std::size_t records) {
    std::string text = "ZLECENIA|IBM_LATIN2\r\n";
    for (std::size_t i = 0; i < records; ++i) text += kPatterns[i % kPatterns.size()] + "\r\n";
    return text;
}

// What one record shows, apart from its line number.
struct RecordView {
    std::string values;
    std::string raw;
    std::vector<std::vector<std::string>> fieldErrors;
    std::uint8_t lineErrorBits = 0;
    bool valid = false;
    bool changed = false;
    double amount = 0;
    std::string outputLine;

    bool operator==(const RecordView&) const = default;
};

RecordView viewOf(const LoadedFile& file, std::size_t i) {
    RecordView v;
    v.values = test::JoinValues(file, i);
    v.raw = test::JoinRawValues(file, i);
    for (std::size_t j = 0; j < file.fieldCount(i); ++j)
        v.fieldErrors.push_back(fieldErrors(file, i, j));
    const Record& r = file.records()[i];
    v.lineErrorBits = r.lineErrorBits;
    v.valid = r.isValid();
    v.changed = r.changed;
    v.amount = r.amount;
    if (v.valid) v.outputLine = outputLineOf(file, i);
    return v;
}

class LargeFile : public testing::TestWithParam<bool> {};

TEST_P(LargeFile, ComesOutAsItsRecordsDoOneAtATime) {
    const bool otherSettings = GetParam();
    const auto settle = [otherSettings](test::TestSession& t) {
        if (!otherSettings) return;
        // The settings of a re-run: no trimming, "?" for control bytes, another code page.
        t.state().trimFields.checked = false;
        t.state().replaceControl.checked = true;
        t.state().codePageList.selected = codePageItem(CodePage::Mazovia);
        runCorrectionPass(t.session);
        ValidateAllRecords(t.session);
    };

    test::TempDir dir;
    test::TestSession one;
    test::LoadBytes(one, dir, fileOf(kPatterns.size()), "one.txt");
    settle(one);
    ASSERT_EQ(one.file().records().size(), kPatterns.size());
    std::vector<RecordView> expected;
    for (std::size_t p = 0; p < kPatterns.size(); ++p) expected.push_back(viewOf(one.file(), p));

    // More records than one window of output lines holds on a machine with the most slices.
    constexpr std::size_t kRecords = 150000;
    test::TestSession big;
    test::LoadBytes(big, dir, fileOf(kRecords), "big.txt");
    settle(big);
    const LoadedFile& file = big.file();
    ASSERT_EQ(file.records().size(), kRecords);

    std::string output = outputHeader(FileKind::Orders) + "\r\n";
    double total = 0;
    std::int32_t valid = 0;
    for (std::size_t i = 0; i < kRecords; ++i) {
        const RecordView& e = expected[i % kPatterns.size()];
        ASSERT_EQ(viewOf(file, i), e) << "record " << i;
        if (e.valid) {
            output += e.outputLine + "\r\n";
            total += e.amount;
            ++valid;
        }
    }
    EXPECT_EQ(file.validCount, valid);
    EXPECT_EQ(file.invalidCount, static_cast<std::int32_t>(kRecords) - valid);
    EXPECT_EQ(file.validTotal, total) << "the amounts are added in file order";

    ASSERT_TRUE(saveValidRecords(file).ok);
    EXPECT_EQ(test::ReadFile(outputFileName(file.fileName)), output);

    std::string log;
    for (const std::string& line : logReportLines(file)) log += line + "\r\n";
    ASSERT_TRUE(saveLogReport(file, dir.path() / "streamed.log").ok);
    EXPECT_EQ(test::ReadFile(dir.path() / "streamed.log"), log);
    ASSERT_TRUE(saveLogFile(logReportLines(file), dir.path() / "held.log").ok);
    EXPECT_EQ(test::ReadFile(dir.path() / "held.log"), log);
}

INSTANTIATE_TEST_SUITE_P(LoadAndRerun, LargeFile, testing::Bool());

} // namespace
} // namespace quarvel
