#include "RejectedLines.h"

#include "Pipeline.h"
#include "LogReport.h"
#include "OutputTexts.h"
#include "OutputWriter.h"
#include "support/TestSupport.h"
#include "MainWindowPresenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>

namespace quarvel {
namespace {

using test::W;

const std::string kNrb = "12345678901234567890123456";
const std::string kGood = "Firma|Druga|Ulica 1|Miasto|" + kNrb + "|Bank|Oddzial|Adres 1|Adres 2";

void overwrite(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct Loaded {
    test::TempDir dir;
    test::TestSession t;
    std::filesystem::path input;
    std::filesystem::path target;
    explicit Loaded(std::string_view bytes) {
        input = dir.write("dane.txt", bytes);
        // An older file: a change made by a test gives it another time of last change.
        std::filesystem::last_write_time(input, std::filesystem::last_write_time(input) - std::chrono::hours(1));
        target = dir.path() / "odrzucone.txt";
        EXPECT_EQ(loadIntoWindow(t.session, input), LoadOutcome::Loaded);
    }
    WriteResult save() { return writeRejectedLines(t.file(), currentlySkipped(t.file()), target); }
    std::string saved() {
        const WriteResult result = save();
        EXPECT_TRUE(result.ok) << result.message;
        return test::ReadFile(target);
    }
};

TEST(RejectedLines, AreTheHeaderAndTheSkippedLinesAsTheyStandInTheFile) {
    struct Case {
        const char* what;
        std::string file;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"line ends of both kinds", "KONTRAHENCI|X\r\n" + kGood + "\r\nzla\r\n" + kGood + "\nzla2\n",
         "KONTRAHENCI|X\r\nzla\r\nzla2\n"},
        {"a last line without line end gets CR LF", "KONTRAHENCI\n" + kGood + "\nzla", "KONTRAHENCI\nzla\r\n"},
        {"... or LF after its carriage return", "KONTRAHENCI\nzla\r", "KONTRAHENCI\nzla\r\n"},
        {"a header without line end", "KONTRAHENCI", "KONTRAHENCI\r\n"},
        {"empty lines and lines of carriage returns", "KONTRAHENCI\n\n" + kGood + "\n\r\r\n", "KONTRAHENCI\n\n\r\r\n"},
        {"carriage returns inside, and what follows 0x1A inside a line",
         "KONTRAHENCI\nz\rl\ra\x1A"
         "reszta\r\n" +
             kGood + "\n",
         "KONTRAHENCI\nz\rl\ra\x1A"
         "reszta\r\n"},
        {"a line 0x1A cuts is judged by what the reader kept", "KONTRAHENCI\n" + kGood + "\x1A|x\n", "KONTRAHENCI\n"},
        {"what an end mark ends is no line",
         "KONTRAHENCI\nzla\n\r\x1A"
         "dalej\nzla\n",
         "KONTRAHENCI\nzla\n"},
        {"a last line of carriage returns is no line", "KONTRAHENCI\nzla\n\r\r", "KONTRAHENCI\nzla\n"},
        {"nothing skipped: the header alone", "KONTRAHENCI\n" + kGood + "\n", "KONTRAHENCI\n"},
        {"the bytes of the file, not the values", "KONTRAHENCI|MAZOVIA\n  \x86\x91|\t\n",
         "KONTRAHENCI|MAZOVIA\n  \x86\x91|\t\n"},
        {"a UTF-8 file keeps its mark", "\xEF\xBB\xBFKONTRAHENCI\n\xC5\xBB\xC3\xB3\xC5\x82w\n",
         "\xEF\xBB\xBFKONTRAHENCI\n\xC5\xBB\xC3\xB3\xC5\x82w\n"},
    };
    for (const Case& c : cases) {
        Loaded l(c.file);
        EXPECT_EQ(l.saved(), c.expected) << c.what;
    }
}

TEST(RejectedLines, OfAUtf16FileAreItsUtf8) {
    // "KONTRAHENCI", then "Żółw" alone: one field, so skipped.
    std::u16string text = u"KONTRAHENCI\r\nŻółw\r\n";
    std::string file = "\xFF\xFE";
    for (char16_t unit : text) {
        file += static_cast<char>(unit & 0xFF);
        file += static_cast<char>(unit >> 8);
    }
    Loaded l(file);
    EXPECT_EQ(l.saved(), "\xEF\xBB\xBFKONTRAHENCI\r\n\xC5\xBB\xC3\xB3\xC5\x82w\r\n");
}

TEST(RejectedLines, LoadAgainWithEveryRecordInvalid) {
    Loaded l(test::ReadFile(test::ExamplePath("zlecenia_ibm_latin2.txt")));
    ASSERT_EQ(l.t.file().invalidCount, 4);
    const std::string rejected = l.saved();
    test::TestSession again;
    ASSERT_EQ(loadIntoWindow(again.session, l.target), LoadOutcome::Loaded);
    EXPECT_EQ(again.file().records().size(), 4U);
    EXPECT_EQ(again.file().invalidCount, 4);
    EXPECT_EQ(again.file().validCount, 0);
    EXPECT_EQ(again.file().identifiedCodePage, CodePage::IbmLatin2);
    EXPECT_EQ(rejected.rfind("ZLECENIA|IBM_LATIN2\r\n", 0), 0U);
}

TEST(RejectedLines, AreRefusedWhenTheInputChangedSinceItWasLoaded) {
    const std::string content = "KONTRAHENCI\n" + kGood + "\nzla\n";
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> change;
    };
    const std::vector<Case> cases = {
        {"rewritten, the same size", [](const auto& path) { overwrite(path, "KONTRAHENCI\n" + kGood + "\nzle\n"); }},
        {"a line appended", [&](const auto& path) { overwrite(path, content + "zla2\n"); }},
        {"touched",
         [](const auto& path) {
             std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now());
         }},
    };
    for (const Case& c : cases) {
        Loaded l(content);
        c.change(l.input);
        const WriteResult result = l.save();
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.message, W("Plik wejściowy zmienił się od wczytania: ") + l.input.string() +
                                      W("\rOdrzucone wiersze nie zostały zapisane."))
            << c.what;
        EXPECT_FALSE(std::filesystem::exists(l.target)) << c.what;
    }
    Loaded gone(content);
    std::filesystem::remove(gone.input);
    const WriteResult result = gone.save();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message.rfind(W("Błąd odczytu pliku wejściowego: ") + gone.input.string() + "\r", 0), 0U)
        << result.message;
}

TEST(RejectedLines, NeverReplaceTheInputOrItsOutput) {
    Loaded l("KONTRAHENCI\n" + kGood + "\nzla\n");
    const std::string before = test::ReadFile(l.input);
    for (const std::filesystem::path& target : {l.input, outputFileName(l.input)}) {
        const WriteResult result = writeRejectedLines(l.t.file(), currentlySkipped(l.t.file()), target);
        EXPECT_FALSE(result.ok) << target;
        EXPECT_NE(result.message.find(W("to ten sam plik co")), std::string::npos) << result.message;
    }
    EXPECT_EQ(test::ReadFile(l.input), before);
    EXPECT_FALSE(std::filesystem::exists(outputFileName(l.input)));
}

TEST(RejectedLines, OfTheWindowAreThoseOfTheLastSave) {
    // Saved with control characters left as they are, the line with a tab is skipped; switching the
    // option afterwards makes it valid, but the log and the rejected lines still tell that save.
    Loaded l("KONTRAHENCI\n" + kGood + "\nFirma\tX|Druga|Ulica 1|Miasto|" + kNrb +
             "|Bank|Oddzial|Adres 1|Adres 2\nzla\n");
    Session& session = l.t.session;
    ASSERT_TRUE(saveValidRecordsAndLog(session).ok);
    session.state.replaceControl.checked = true;
    replaceControlToggled(session);
    ASSERT_EQ(l.t.file().invalidCount, 1);
    ASSERT_TRUE(writeRejectedLines(l.t.file(), l.t.file().skippedAtSave, l.target).ok);
    EXPECT_EQ(test::ReadFile(l.target),
              "KONTRAHENCI\nFirma\tX|Druga|Ulica 1|Miasto|" + kNrb + "|Bank|Oddzial|Adres 1|Adres 2\nzla\n");
    // A new load forgets the save.
    test::LoadBytes(l.t, l.dir, "KONTRAHENCI\nzla\n", "inne.txt");
    EXPECT_TRUE(l.t.file().skippedAtSave.empty());
}

} // namespace
} // namespace quarvel
