// The batch command's two reports for other programs and for the user's editor: --json and --rejected.

#include "Batch.h"

#include "Pipeline.h"
#include "LogReport.h"
#include "support/BatchRun.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>


namespace quarvel {
namespace {

using Json = nlohmann::ordered_json; // keeps the members in the order written

using test::BatchRun;
using test::runBatchCommand;

struct Example {
    test::TempDir dir;
    std::filesystem::path input;
    explicit Example(const std::string& name) : input(dir.path() / name) {
        std::filesystem::copy_file(test::ExamplePath(name), input);
    }
    std::filesystem::path at(const std::string& name) const { return dir.path() / name; }
};

TEST(JsonReport, TellsWhatTheSummaryTellsAndEverySkippedRecord) {
    Example e("zlecenia_ibm_latin2.txt");
    const BatchRun r = runBatchCommand({"--json", "--rejected", e.at("odrzucone.txt").string(), e.input.string()});
    ASSERT_EQ(r.status, kBatchSkipped) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const Json report = Json::parse(r.out);
    EXPECT_EQ(report["file"], e.input.string());
    EXPECT_EQ(report["kind"], "ZLECENIA");
    EXPECT_EQ(report["codePage"],
              (Json{{"identified", "IBM_LATIN2"}, {"declared", "IBM_LATIN2"}, {"used", "IBM_LATIN2"}}));
    EXPECT_EQ(report["records"], 7);
    EXPECT_EQ(report["valid"], 3);
    EXPECT_EQ(report["invalid"], 4);
    EXPECT_NE(r.out.find("\"total\":1738.00,"), std::string::npos) << "two decimals: " << r.out;
    EXPECT_EQ(report["total"].get<double>(), 1738.0);
    EXPECT_EQ(report["output"], e.at("zlecenia_ibm_latin2_doVexa.txt").string());
    EXPECT_EQ(report["log"], e.at("zlecenia_ibm_latin2_doVexa.log").string());
    EXPECT_EQ(report["rejected"], e.at("odrzucone.txt").string());
    EXPECT_EQ(report["warnings"], Json::array());
    const Json expectedFirst = {
        {"line", 4}, {"lineErrors", Json::array()}, {"fieldErrors", {{"KWOTA", {"Nieprawidłowa kwota zlecenia"}}}}};
    ASSERT_EQ(report["skipped"].size(), 4U);
    EXPECT_EQ(report["skipped"][0], expectedFirst);
    EXPECT_EQ(report["skipped"][3]["fieldErrors"], (Json{{"TYTUŁEM1", {"Pole zawiera znaki niezgodne z Windows"}}}));
    EXPECT_TRUE(std::filesystem::exists(e.at("odrzucone.txt")));
}

// The skipped records of the JSON and of the log are the same, message for message, in file order.
TEST(JsonReport, ListsTheMessagesOfTheLog) {
    test::TempDir dir;
    const std::string nrb = "12345678901234567890123456";
    const auto input = dir.write("dane.txt", "KONTRAHENCI|CSK\r\n"
                                             "\r\n"
                                             "Firma\t" +
                                                 std::string(40, 'x') + "|b|c|d|" + nrb +
                                                 "x|f|g|h|i|j|k|l|m|n\r\n"
                                                 "Firma|b|c|d|" +
                                                 nrb +
                                                 "|f|g|h|i\r\n"
                                                 "|||\r\n");
    const BatchRun r = runBatchCommand({"--json", "--no-trim", "--code-page", "MAZOVIA", input.string()});
    ASSERT_EQ(r.status, kBatchSkipped) << r.err;
    const Json report = Json::parse(r.out);
    EXPECT_EQ(report["total"], nullptr) << "contractors have no total";
    EXPECT_EQ(report["codePage"]["declared"], "CSK");
    EXPECT_EQ(report["codePage"]["used"], "MAZOVIA");
    EXPECT_EQ(report["warnings"],
              (Json{"Wartości przeliczono ze strony kodowej MAZOVIA, a nagłówek pliku deklaruje CSK."}));

    test::TestSession t;
    ASSERT_EQ(loadFile(t.session, input, RunSettings{CodePage::Mazovia, false}).outcome, LoadOutcome::Loaded);
    // The log's blocks, rebuilt from the JSON.
    std::vector<std::string> fromJson;
    for (const Json& skipped : report["skipped"]) {
        fromJson.push_back("Błędy dla linii: " + std::to_string(skipped["line"].get<int>()));
        if (!skipped["lineErrors"].empty()) {
            fromJson.emplace_back("Błędy dla całej linii: ");
            int k = 0;
            for (const Json& m : skipped["lineErrors"])
                fromJson.push_back(std::to_string(++k) + ". " + m.get<std::string>());
        }
        if (!skipped["fieldErrors"].empty()) {
            fromJson.emplace_back("Błędy w polach dla linii: ");
            for (const auto& [name, messages] : skipped["fieldErrors"].items()) {
                for (const Json& m : messages)
                    fromJson.push_back(name + ": " + m.get<std::string>());
            }
            fromJson.emplace_back();
        }
        fromJson.emplace_back();
        fromJson.push_back(std::string(65, '-'));
    }
    std::vector<std::string> log;
    for (const std::string& line : logReportLines(t.file()))
        log.push_back(utf8FromCp1250(line));
    ASSERT_GT(log.size(), 12U);
    EXPECT_EQ(fromJson, std::vector<std::string>(log.begin() + 9, log.end() - 2));
}

TEST(JsonReport, NamesNoFileThatWasNotWritten) {
    test::TempDir dir;
    const auto input = dir.write("dane.txt", "ZLECENIA\r\n\r\n");
    const BatchRun noneValid = runBatchCommand({"--json", input.string()});
    ASSERT_EQ(noneValid.status, kBatchSkipped) << noneValid.err;
    Json report = Json::parse(noneValid.out);
    EXPECT_EQ(report["output"], nullptr);
    EXPECT_EQ(report["log"], (dir.path() / "dane_doVexa.log").string());
    EXPECT_EQ(report["rejected"], nullptr);
    EXPECT_NE(noneValid.out.find("\"total\":0.00,"), std::string::npos) << noneValid.out;
    EXPECT_EQ(report["codePage"]["declared"], nullptr) << "the header names no code page";

    std::filesystem::remove(dir.path() / "dane_doVexa.log");
    const BatchRun dry =
        runBatchCommand({"--json", "--dry-run", "--rejected", (dir.path() / "r.txt").string(), input.string()});
    report = Json::parse(dry.out);
    EXPECT_EQ(report["log"], nullptr);
    EXPECT_EQ(report["rejected"], nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "dane_doVexa.log"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "r.txt"));
}

TEST(JsonReport, ErrorsGoToTheErrorStreamAndNoDocumentIsPrinted) {
    test::TempDir dir;
    const BatchRun missing = runBatchCommand({"--json", (dir.path() / "brak.txt").string()});
    EXPECT_EQ(missing.status, kBatchError);
    EXPECT_TRUE(missing.out.empty()) << missing.out;
    EXPECT_NE(missing.err.find("Nie ma takiego pliku"), std::string::npos) << missing.err;

    const auto noKeyword = dir.write("x.txt", "NIC\r\na|b\r\n");
    const BatchRun stopped = runBatchCommand({"--json", noKeyword.string()});
    EXPECT_EQ(stopped.status, kBatchError);
    EXPECT_TRUE(stopped.out.empty()) << stopped.out;
    EXPECT_NE(stopped.err.find("ZLECENIA"), std::string::npos) << stopped.err;
}

TEST(JsonReport, IsValidUtf8WhateverTheNamesAndBytes) {
    test::TempDir dir;
    // Values of bytes no code page defines, and quotes and a backslash, which JSON escapes.
    const std::string content = "KONTRAHENCI\r\n\x81\x83\x01\"\\|b|c|d|e|f|g|h|i\r\n";
    const auto plain = dir.write("dane.txt", content);
    const BatchRun r = runBatchCommand({"--json", plain.string()});
    ASSERT_EQ(r.status, kBatchSkipped) << r.err;
    const Json report = Json::parse(r.out); // throws on ill-formed UTF-8
    EXPECT_EQ(report["skipped"][0]["line"], 2);
    if (test::OnWindows()) GTEST_SKIP() << "a Windows file name is always Unicode";
    // A file name that is no UTF-8, as a Linux name may be.
    const auto input = dir.write("dane\xFF\x81.txt", content);
    const BatchRun named = runBatchCommand({"--json", input.string()});
    ASSERT_EQ(named.status, kBatchSkipped) << named.err;
    EXPECT_EQ(Json::parse(named.out)["file"], (dir.path() / "dane\xEF\xBF\xBD\xEF\xBF\xBD.txt").string());
}

TEST(RejectedOption, WritesTheSkippedLinesWithTheOtherFilesOrNothing) {
    Example e("zlecenia_utf16be.txt");
    const BatchRun r = runBatchCommand({"--rejected=odrzucone.txt", e.input.string()});
    // A relative path is taken from the working folder, as for --log.
    const std::filesystem::path written = std::filesystem::absolute("odrzucone.txt");
    struct Remove {
        std::filesystem::path path;
        ~Remove() { std::filesystem::remove(path); }
    } removeLater{written};
    ASSERT_EQ(r.status, kBatchSkipped) << r.err;
    EXPECT_NE(r.out.find("Zapisano odrzucone wiersze (4): " + written.string() + "\n"), std::string::npos) << r.out;
    const std::string rejected = test::ReadFile(written);
    EXPECT_EQ(rejected.rfind("\xEF\xBB\xBFZLECENIA\r\n12/31/99|100,50|", 0), 0U) << "UTF-16 written in UTF-8";
    EXPECT_EQ(std::count(rejected.begin(), rejected.end(), '\n'), 5);

    // Loaded again, every record is skipped.
    const BatchRun again = runBatchCommand({"--dry-run", written.string()});
    EXPECT_NE(again.out.find("Ilość danych prawidłowych: 0\n"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("Ilość danych nieprawidłowych: 4\n"), std::string::npos) << again.out;
}

TEST(RejectedOption, NeverTakesThePlaceOfTheInputOrAnotherFileOfTheRun) {
    Example e("zlecenia_mazovia.txt");
    const std::string before = test::ReadFile(e.input);
    for (const std::filesystem::path& target :
         {e.input, e.at("zlecenia_mazovia_doVexa.txt"), e.at("zlecenia_mazovia_doVexa.log")}) {
        const BatchRun r = runBatchCommand({"--rejected", target.string(), e.input.string()});
        EXPECT_EQ(r.status, kBatchError) << target;
        EXPECT_NE(r.err.find("to ten sam plik co"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << "refused before the file is read: " << r.out;
    }
    EXPECT_EQ(test::ReadFile(e.input), before);
    EXPECT_FALSE(std::filesystem::exists(e.at("zlecenia_mazovia_doVexa.txt")));
    EXPECT_EQ(runBatchCommand({"--rejected", "", e.input.string()}).status, kBatchError);
    EXPECT_EQ(runBatchCommand({"--rejected"}).status, kBatchError);
}

// A payment-order report lists, beside the skipped records, the notes of each record by its line and the
// count and total of each debited account in the order the accounts first appear; a contractors' report
// has neither.
TEST(JsonReport, ListsNotesPerLineAndTotalsPerDebitedAccount) {
    test::TempDir dir;
    const std::string a = "61109010140000071219812874";
    const std::string b = "27114020040000300201355387";
    const auto order = [&](const std::string& date, const std::string& amount, const std::string& from) {
        return date + "|" + amount + "|" + from + "|" + (from == a ? b : a) + "|x|y\r\n";
    };
    // 2099-01-03 is a Saturday; line 4 repeats line 2, on that Saturday too.
    const auto input = dir.write("zlecenia.txt", "ZLECENIA\r\n" + order("01/03/99", "7.5", a) + order("01/07/99", "2", b) +
                                                     order("01/03/99", "7.5", a) + order("01/07/99", "zle", b));
    const BatchRun r = runBatchCommand({"--json", "--dry-run", input.string()});
    const Json report = Json::parse(r.out);
    const std::string dayOff = "Data wykonania przypada w dzień wolny od pracy; bank wykona zlecenie w najbliższym dniu "
                               "roboczym: poniedziałek, 05.01.2099";
    const Json expectedNotes = {
        {{"line", 2}, {"notes", {dayOff}}},
        {{"line", 4}, {"notes", {"Możliwe podwójne zlecenie: takie samo jak w linii nr 2", dayOff}}},
    };
    EXPECT_EQ(report["notes"], expectedNotes) << r.out;
    EXPECT_EQ(report["skipped"].size(), 1U);
    EXPECT_NE(r.out.find("\"accounts\":[\n{\"account\":\"" + a + "\",\"records\":2,\"total\":15.00},\n{\"account\":\"" + b +
                         "\",\"records\":1,\"total\":2.00}\n]"),
              std::string::npos)
        << "two decimals, first appearance first: " << r.out;
    EXPECT_EQ(report["warnings"], Json::array());

    const auto contractors = dir.write("kontrahenci.txt", test::ReadFile(test::ExamplePath("kontrahenci_utf8.txt")));
    const Json other = Json::parse(runBatchCommand({"--json", "--dry-run", contractors.string()}).out);
    EXPECT_FALSE(other.contains("notes"));
    EXPECT_FALSE(other.contains("accounts"));
}

} // namespace
} // namespace quarvel
