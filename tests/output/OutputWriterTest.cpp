#include "OutputWriter.h"

#include "Correction.h"
#include "Validation.h"
#include "Pipeline.h"
#include "LogReport.h"
#include "support/TestSupport.h"
#include "MainWindowPresenter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

namespace quarvel {
namespace {

using test::W;

const std::string kNrb = "12345678901234567890123456";

TEST(OutputFileName, DropsTheLastExtensionOfTheFileNameOnly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/d/przelewy.txt", "/d/przelewy_doVexa.txt"},
        {"/d/przelewy", "/d/przelewy_doVexa.txt"},
        {"/d/a.b.txt", "/d/a.b_doVexa.txt"},
        {"/d/dane.2006/przelewy", "/d/dane.2006/przelewy_doVexa.txt"},
        {"/d/PRZELEWY.TXT", "/d/PRZELEWY_doVexa.txt"},
        {"/d/.txt", "/d/_doVexa.txt"},
        {"rel/x.txt", "rel/x_doVexa.txt"},
        {"/d/Księgowość/Łódź.txt", "/d/Księgowość/Łódź_doVexa.txt"},
    };
    // Compared as paths: Windows writes the last separator its own way.
    for (const auto& [in, out] : cases)
        EXPECT_EQ(outputFileName(platform::pathFromUtf8(in)), platform::pathFromUtf8(out)) << in;
}

struct Saved {
    test::TempDir dir;
    test::TestSession t;
    std::filesystem::path input;
    explicit Saved(std::string_view bytes, const std::string& name = "dane.txt") {
        input = dir.write(name, bytes);
        t.file().fileName = input;
        loadIntoWindow(t.session, input);
    }
    WriteResult save() { return saveValidRecordsAndLog(t.session); }
    std::string output() { return test::ReadFile(outputFileName(input)); }
};

std::string contractor(const std::string& optional) {
    return "W1|W2|W3|W4|" + kNrb + "|W6|W7|W8|W9" + optional + "\r\n";
}

TEST(OutputWriter, WritesOptionalFieldsUpToTheLastFilledOne) {
    struct Case {
        std::string optional; // LOGO|NIP|TELEFON|FAX as they follow ADRES BANKU2 in the input
        std::string line;
    };
    const std::string fixed = "W1|W2|W3|W4|" + kNrb + "|W6|W7|W8|W9|";
    const std::vector<Case> cases = {
        {"", fixed},
        {"||||", fixed},
        {"| |N||", fixed + " |N"},
        {"||||F", fixed + " | | |F"},
        {"|L", fixed + "L"},
        {"|L|N|T|F", fixed + "L|N|T|F"},
    };
    for (const Case& c : cases) {
        Saved s("KONTRAHENCI|WINDOWS_EE\r\n" + contractor(c.optional));
        ASSERT_TRUE(s.save().ok) << c.optional;
        EXPECT_EQ(s.output(), "Kontrahenci|ISO_LATIN2\r\n" + c.line + "\r\n") << c.optional;
    }
}

TEST(OutputWriter, WritesOrdersWithTheirOptionalTitles) {
    Saved s("ZLECENIA\r\n12/24/26|10|" + kNrb + "|" + kNrb + "|T1|T2|||| T3 |\r\n" + "12/24/26|10|" + kNrb + "|" + kNrb +
            "|T1|T2\r\n");
    ASSERT_TRUE(s.save().ok);
    EXPECT_EQ(s.output(), "Zlecenia|ISO_LATIN2\r\n"
                          "12/24/26|10|" + kNrb + "|" + kNrb + "|T1|T2| | | |T3\r\n" +
                          "12/24/26|10|" + kNrb + "|" + kNrb + "|T1|T2|\r\n");
}

TEST(OutputWriter, RecodesThePolishLettersToIsoLatin2) {
    Saved s("KONTRAHENCI|WINDOWS_EE\r\n" + W("Łódź|ĄŚŹąśź§|W3|W4|") + kNrb + "|W6|W7|W8|W9\r\n");
    ASSERT_EQ(s.t.file().identifiedCodePage, CodePage::WindowsEe);
    ASSERT_TRUE(s.save().ok);
    EXPECT_EQ(s.output(), "Kontrahenci|ISO_LATIN2\r\n\xA3\xF3" "d\xBC|\xA1\xA6\xAC\xB1\xB6\xBC\xA7|W3|W4|" + kNrb +
                              "|W6|W7|W8|W9|\r\n");
}

// Each output line is the record's values, each translated to ISO-8859-2 on its own, at the written
// positions: whatever the values' lengths, letters, control bytes and rewritten texts, and the options.
TEST(OutputWriter, WritesEachValueAsItsOwnTranslation) {
    std::mt19937 random(20261209);
    // CP852 letters, printable ASCII, spaces, a tab and a DEL.
    const std::string alphabet = "aZ09 .-\xA5\x86\xA9\x88\xE4\xA2\x98\xAB\xBE\t\x7F";
    std::string text = "KONTRAHENCI|IBM_LATIN2\r\n";
    for (int line = 0; line < 400; ++line) {
        for (int j = 0; j < 13; ++j) {
            std::string value;
            const std::size_t length = random() % (line % 10 == 0 ? 60 : 20);
            for (std::size_t k = 0; k < length; ++k) value += alphabet[random() % alphabet.size()];
            if (j == 4) {
                // Account numbers as they are, without their spaces, and after a dropped prefix.
                const std::string forms[] = {kNrb, "PL " + kNrb.substr(0, 2) + " " + kNrb.substr(2), "PL" + value,
                                             "RACHUNEK-" + value};
                value = forms[random() % 4];
            }
            text += value + (j < 12 ? "|" : "\r\n");
        }
    }
    Saved s(text);
    ASSERT_EQ(s.t.file().records().size(), 400U);
    for (const bool replace : {false, true}) {
        for (const bool trim : {true, false}) {
            s.t.state().replaceControl.checked = replace;
            s.t.state().trimFields.checked = trim;
            runCorrectionPass(s.t.session);
            ValidateAllRecords(s.t.session);
            const LoadedFile& file = s.t.file();
            for (std::size_t r = 0; r < file.records().size(); ++r) {
                std::string expected;
                for (std::size_t p = 0; p < file.fieldCount(r); ++p) {
                    if (isFieldWritten(file, r, p)) {
                        const ShortText value = file.value(r, p);
                        expected += value.size() == 0 ? " " : convertText(value, CodePage::WindowsEe, CodePage::IsoLatin2);
                    }
                    if (isSeparatorWritten(file, r, p)) expected += '|';
                }
                ASSERT_EQ(outputLineOf(file, r), expected) << "record " << r << (replace ? ", replacing" : "") << (trim ? ", trimming" : "");
            }
        }
    }
}

TEST(OutputWriter, LeavesOutInvalidRecordsWithoutGaps) {
    Saved s("KONTRAHENCI\r\n\r\n" + contractor("") + "bad|line\r\n" + contractor("|L"));
    ASSERT_EQ(s.t.file().validCount, 2);
    ASSERT_TRUE(s.save().ok);
    const std::string fixed = "W1|W2|W3|W4|" + kNrb + "|W6|W7|W8|W9|";
    EXPECT_EQ(s.output(), "Kontrahenci|ISO_LATIN2\r\n" + fixed + "\r\n" + fixed + "L\r\n");
}

TEST(OutputWriter, WritesTheCorrectedValues) {
    Saved s("ZLECENIA\r\n01/15/06|1234567890123456|PL" + kNrb + "|BANKPKO1-" + kNrb + "|" + std::string(40, 't') +
            "|T2\r\n");
    ASSERT_TRUE(s.save().ok);
    EXPECT_EQ(s.output(), "Zlecenia|ISO_LATIN2\r\n12/07/26|123456789012345|" + kNrb + "|" + kNrb + "|" +
                              std::string(35, 't') + "|T2|\r\n");
}

TEST(OutputWriter, SavesAgainWithTheCurrentOptions) {
    Saved s("KONTRAHENCI\r\nA\tB|W2|W3|W4|" + kNrb + "|W6|W7|W8|W9\r\n" + contractor(""));
    ASSERT_TRUE(s.save().ok);
    const std::string first = s.output();
    ASSERT_TRUE(s.save().ok);
    EXPECT_EQ(s.output(), first) << "saving twice gives the same file";
    s.t.state().replaceControl.checked = true;
    runCorrectionPass(s.t.session);
    ValidateAllRecords(s.t.session);
    ASSERT_TRUE(s.save().ok);
    EXPECT_EQ(s.output().substr(0, 30), "Kontrahenci|ISO_LATIN2\r\nA?B|W2");
}

TEST(OutputWriter, ItsOutputLoadsAgainAsTheSameRecords) {
    for (const std::string example : {"kontrahenci_mazovia.txt", "zlecenia_ibm_latin2.txt"}) {
        test::TempDir dir;
        const auto input = dir.write("in.txt", test::ReadFile(test::ExamplePath(example)));
        test::TestSession first;
        first.file().fileName = input;
        loadIntoWindow(first.session, input);
        ASSERT_TRUE(saveValidRecordsAndLog(first.session).ok);

        test::TestSession again;
        const auto output = outputFileName(input);
        again.file().fileName = output;
        loadIntoWindow(again.session, output);
        EXPECT_EQ(again.file().kind, first.file().kind) << example;
        EXPECT_EQ(again.file().declaredCodePage, CodePage::IsoLatin2) << example;
        EXPECT_EQ(again.file().identifiedCodePage, CodePage::IsoLatin2) << example;
        EXPECT_EQ(again.file().validCount, first.file().validCount) << example;
        EXPECT_EQ(again.file().invalidCount, 0) << example;
        std::vector<std::string> before;
        for (std::size_t i = 0; i < first.file().records().size(); ++i) {
            if (first.file().records()[i].isValid()) before.push_back(outputLineOf(first.file(), i));
        }
        std::vector<std::string> after;
        for (std::size_t i = 0; i < again.file().records().size(); ++i)
            after.push_back(outputLineOf(again.file(), i));
        EXPECT_EQ(after, before) << example;
    }
}

TEST(SaveCommand, RebuildsTheLogAndConfirms) {
    Saved s("KONTRAHENCI\r\n" + contractor(""), "przelewy.txt");
    EXPECT_FALSE(s.t.state().showLogButton.enabled);
    ASSERT_TRUE(s.save().ok);
    EXPECT_TRUE(s.t.state().showLogButton.enabled);
    EXPECT_FALSE(s.t.state().logText.lines.empty());
    ASSERT_EQ(s.t.ui.messages.size(), 1U);
    EXPECT_EQ(s.t.ui.messages[0], W("Dane zostały zapisane do pliku: \r") + (s.dir.path() / "przelewy_doVexa.txt").string());
    EXPECT_EQ(s.t.ui.messageKinds, std::vector{MessageKind::Information});
}

// Every failure: a message naming the file, no confirmation, no log rebuilt, the earlier output and
// the input untouched, and no temporary file left behind.
class SaveFailure : public ::testing::Test {
protected:
    void SetUp() override {
        s = std::make_unique<Saved>("KONTRAHENCI\r\n" + contractor("") + contractor("|LOGO"));
        inputBytes = test::ReadFile(s->input);
    }
    void expectCleanFailure(const WriteResult& result, const std::string& reason) {
        EXPECT_FALSE(result.ok);
        ASSERT_EQ(s->t.ui.messages.size(), 1U);
        EXPECT_EQ(s->t.ui.messages[0].rfind(W("Nie można zapisać pliku: ") + outputFileName(s->input).string(), 0), 0U)
            << s->t.ui.messages[0];
        EXPECT_NE(s->t.ui.messages[0].find(W(reason)), std::string::npos) << s->t.ui.messages[0];
        EXPECT_EQ(s->t.ui.messageKinds, std::vector{MessageKind::Error});
        EXPECT_FALSE(s->t.state().showLogButton.enabled);
        EXPECT_TRUE(s->t.state().logText.lines.empty());
        EXPECT_EQ(test::ReadFile(s->input), inputBytes);
        for (const auto& entry : std::filesystem::directory_iterator(s->dir.path())) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
        }
    }
    std::unique_ptr<Saved> s;
    std::string inputBytes;
};

TEST_F(SaveFailure, DiskFullPartWayKeepsTheEarlierOutput) {
    const auto output = outputFileName(s->input);
    s->dir.write(output.filename().string(), "earlier output\r\n");
    s->t.session.openOutput = test::FailingOutput(40, ENOSPC);
    expectCleanFailure(s->save(), "brak miejsca na dysku");
    EXPECT_EQ(test::ReadFile(output), "earlier output\r\n");
}

TEST_F(SaveFailure, ATargetThatIsAFolderIsRefused) {
    std::filesystem::create_directory(outputFileName(s->input));
    expectCleanFailure(s->save(), "to jest folder");
    EXPECT_TRUE(std::filesystem::is_directory(outputFileName(s->input)));
}

TEST_F(SaveFailure, AFolderThatCannotBeWrittenIsReported) {
    const auto output = outputFileName(s->input);
    s->dir.write(output.filename().string(), "earlier output\r\n");
    if (!test::PermissionsStopThisProcess()) {
        // Permissions do not stop root, nor a read-only folder anyone on Windows: the failure to create the
        // file is injected instead.
        s->t.session.openOutput = test::FailingOutput(0, EACCES);
    } else {
        std::filesystem::permissions(s->dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    expectCleanFailure(s->save(), "brak uprawnień");
    std::filesystem::permissions(s->dir.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(test::ReadFile(output), "earlier output\r\n");
}

TEST_F(SaveFailure, AnOutputLinkedToTheInputIsRefused) {
    if (const std::string why = test::WhyNoSymbolicLinks(); !why.empty()) GTEST_SKIP() << why;
    std::filesystem::create_symlink(s->input, outputFileName(s->input));
    const WriteResult result = s->save();
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(s->t.ui.messages.size(), 1U);
    EXPECT_EQ(s->t.ui.messages[0].rfind(W("Plik wyjściowy byłby tym samym plikiem"), 0), 0U);
    EXPECT_EQ(test::ReadFile(s->input), inputBytes);
}

TEST(SaveLogFile, WritesEveryLineWithCrLfInWindows1250) {
    test::TempDir dir;
    const std::vector<std::string> lines = {W("Błędy dla linii: 3"), "", "Koniec pliku LOG"};
    const auto path = dir.path() / "raport.TXT";
    ASSERT_TRUE(saveLogFile(lines, path).ok);
    EXPECT_EQ(test::ReadFile(path), "B\xB3\xEA" "dy dla linii: 3\r\n\r\nKoniec pliku LOG\r\n");
    const WriteResult failed = saveLogFile(lines, dir.path() / "x.TXT", {}, test::FailingOutput(5, EIO));
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.TXT"));
    EXPECT_NE(failed.message.find(W("błąd wejścia/wyjścia")), std::string::npos);
}

TEST(SaveLogFile, AFailedSaveLeavesTheEarlierLogAndNoTemporaryFile) {
    struct Case {
        const char* what;
        OutputOpener open;
        bool targetIsFolder;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"medium fails part way", test::FailingOutput(5, EIO), false, "błąd wejścia/wyjścia"},
        {"disk full at once", test::FailingOutput(0, ENOSPC), false, "brak miejsca na dysku"},
        {"not writable", test::FailingOutput(0, EACCES), false, "brak uprawnień"},
        {"target is a folder", openFileOutput, true, "to jest folder"},
    };
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI\r\n" + contractor("") + "\r\n");
    const std::vector<std::string> lines = logReportLines(t.file());
    for (const Case& c : cases) {
        for (const bool streamed : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (streamed ? ", streamed" : ", held"));
            const auto target = dir.path() / (std::string(c.what) + ".log");
            if (c.targetIsFolder) {
                std::filesystem::create_directories(target);
            } else {
                dir.write(target.filename().string(), "earlier log\r\n");
            }
            const WriteResult result =
                streamed ? saveLogReport(t.file(), target, c.open) : saveLogFile(lines, target, {}, c.open);
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.message.rfind(W("Nie można zapisać pliku: ") + target.string(), 0), 0U) << result.message;
            EXPECT_NE(result.message.find(W(c.reason)), std::string::npos) << result.message;
            if (c.targetIsFolder) {
                EXPECT_TRUE(std::filesystem::is_directory(target));
            } else {
                EXPECT_EQ(test::ReadFile(target), "earlier log\r\n");
            }
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

} // namespace
} // namespace quarvel
