#include "Batch.h"

#include "Pipeline.h"
#include "HeaderReader.h"
#include "Validation.h"
#include "LogReport.h"
#include "OutputWriter.h"
#include "MainWindowPresenter.h"
#include "support/BatchRun.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>

namespace quarvel {
namespace {

using test::BatchRun;
using test::runBatchCommand;

const std::string kNrb = "12345678901234567890123456";

std::string contractor() {
    return "Firma|Druga|Ulica 1|Miasto|" + kNrb + "|Bank|Oddzial|Adres 1|Adres 2\r\n";
}

TEST(Batch, WritesOutputAndLogAndSaysWhatItDid) {
    test::TempDir dir;
    const auto input = dir.write("zlecenia.txt", test::ReadFile(test::ExamplePath("zlecenia_ibm_latin2.txt")));
    const BatchRun r = runBatchCommand({input.string()});
    EXPECT_EQ(r.status, kBatchSkipped) << r.err;
    EXPECT_NE(r.out.find("Rodzaj: ZLECENIA"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("rozpoznana IBM_LATIN2, zadeklarowana IBM_LATIN2, użyta IBM_LATIN2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Ilość danych prawidłowych: 3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Ilość danych nieprawidłowych: 4\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Suma kwot prawidłowych zleceń: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find((dir.path() / "zlecenia_doVexa.txt").string()), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "zlecenia_doVexa.txt"));
    const std::string log = test::ReadFile(dir.path() / "zlecenia_doVexa.log");
    EXPECT_EQ(log.rfind("Statystyki\r\n------------------\r\n", 0), 0U);
    EXPECT_NE(log.find(test::W("Ilość danych zapisanych do nowego zbioru wyjściowego: 3\r\n")), std::string::npos);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(Batch, ExitStatusTellsWhetherRecordsWereSkipped) {
    test::TempDir dir;
    const auto clean = dir.write("clean.txt", "KONTRAHENCI\r\n" + contractor());
    EXPECT_EQ(runBatchCommand({clean.string()}).status, kBatchAllWritten);

    const auto none = dir.write("none.txt", "KONTRAHENCI\r\nbad|line\r\n");
    const BatchRun r = runBatchCommand({none.string()});
    EXPECT_EQ(r.status, kBatchSkipped);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "none_doVexa.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "none_doVexa.log"));

    const auto headerOnly = dir.write("header.txt", "ZLECENIA\r\n");
    EXPECT_EQ(runBatchCommand({headerOnly.string()}).status, kBatchSkipped);
}

TEST(Batch, ErrorsExitWithTwoAndAPolishMessage) {
    test::TempDir dir;
    const auto empty = dir.write("empty.txt", "");
    const auto noKeyword = dir.write("nokey.txt", "CONTRACTORS\r\na|b\r\n");
    std::filesystem::create_directory(dir.path() / "folder.txt");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "Nie podano pliku."},
        {{"a.txt", "b.txt"}, "Podaj dokładnie jeden plik."},
        {{"--bogus", "a.txt"}, "Nieznana opcja: --bogus"},
        {{"--code-page"}, "Opcja --code-page wymaga wartości."},
        {{"--code-page", "UTF8", "a.txt"}, "Nieznana strona kodowa: UTF8"},
        {{(dir.path() / "missing.txt").string()}, "Nie ma takiego pliku: "},
        {{empty.string()}, "Plik jest pusty: "},
        {{noKeyword.string()}, "W nagłówku zbioru nie znaleziono słowa kluczowego \"KONTRAHENCI\" lub \"ZLECENIA\"\n"
                               "Wczytywanie pliku przerwane!"},
        {{(dir.path() / "folder.txt").string()}, "to jest folder"},
        {{""}, "Nazwa pliku jest pusta."},
        {{"--log=", "a.txt"}, "Opcja --log wymaga nazwy pliku."},
        {{"--code-page=", "a.txt"}, "Nieznana strona kodowa: "},
        {{"--log"}, "Opcja --log wymaga wartości."},
    };
    for (const Case& c : cases) {
        const BatchRun r = runBatchCommand(c.args);
        EXPECT_EQ(r.status, kBatchError) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "nokey_doVexa.log"));
}

TEST(Batch, AFailedWriteLeavesTheEarlierOutput) {
    test::TempDir dir;
    const auto input = dir.write("dane.txt", "KONTRAHENCI\r\n" + contractor());
    std::filesystem::create_directory(dir.path() / "dane_doVexa.log");
    const BatchRun r = runBatchCommand({input.string()});
    EXPECT_EQ(r.status, kBatchError);
    EXPECT_NE(r.err.find("Nie można zapisać pliku: "), std::string::npos) << r.err;

    std::filesystem::create_directory(dir.path() / "blocked_doVexa.txt");
    const auto blocked = dir.write("blocked.txt", "KONTRAHENCI\r\n" + contractor());
    EXPECT_EQ(runBatchCommand({blocked.string()}).status, kBatchError);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "blocked_doVexa.log")) << "no log after a failed output";
}

TEST(Batch, OptionsActAsTheWindowsControlsDo) {
    test::TempDir dir;
    const std::string longName(40, 'n');
    const auto input = dir.write("dane.txt", "KONTRAHENCI|WINDOWS_EE\r\nA\tB" + longName + "|Druga|Ulica 1|Miasto|" + kNrb +
                                                 "|Bank|Oddzial|Adres 1|Adres 2\r\n");
    EXPECT_EQ(runBatchCommand({input.string()}).status, kBatchSkipped);
    EXPECT_EQ(runBatchCommand({"--replace-control", input.string()}).status, kBatchAllWritten);
    EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.txt").substr(24, 36), "A?B" + std::string(32, 'n') + "|");
    EXPECT_EQ(runBatchCommand({"--replace-control", "--no-trim", input.string()}).status, kBatchSkipped);

    const BatchRun cp = runBatchCommand({"--code-page", "mazovia", "--dry-run", input.string()});
    EXPECT_NE(cp.out.find("użyta MAZOVIA"), std::string::npos) << cp.out;
}

TEST(Batch, CheckNrbSkipsOrdersWithWrongCheckDigitsAndNothingChangesWithoutIt) {
    test::TempDir dir;
    std::string orders = test::ReadFile(test::ExamplePath("zlecenia_ibm_latin2.txt"));
    // The credited account of the first order, its last digit mistyped: still 26 digits.
    const std::size_t at = orders.find("PL27114020040000300201355387");
    ASSERT_NE(at, std::string::npos);
    orders[at + 2 + 25] = '8';
    const auto input = dir.write("zlecenia.txt", orders);
    const auto output = dir.path() / "zlecenia_doVexa.txt";
    const auto log = dir.path() / "zlecenia_doVexa.log";

    const BatchRun plain = runBatchCommand({input.string()});
    EXPECT_EQ(plain.status, kBatchSkipped);
    const std::string plainOutput = test::ReadFile(output);
    const std::string plainLog = test::ReadFile(log);
    EXPECT_NE(plainOutput.find("27114020040000300201355388"), std::string::npos) << "without the option it passes";

    const BatchRun checked = runBatchCommand({"--check-nrb", input.string()});
    EXPECT_EQ(checked.status, kBatchSkipped);
    EXPECT_NE(checked.out.find("Ilość danych prawidłowych: 2\n"), std::string::npos) << checked.out;
    EXPECT_EQ(test::ReadFile(output).find("27114020040000300201355388"), std::string::npos);
    EXPECT_NE(test::ReadFile(log).find(test::W("Błędy dla linii: 2\r\nBłędy w polach dla linii: \r\n"
                                               "NUMER KONTA UZNAWANEGO: Nieprawidłowe cyfry kontrolne numeru NRB\r\n")),
              std::string::npos)
        << test::ReadFile(log);

    // Without the option again, byte for byte what it was.
    EXPECT_EQ(runBatchCommand({input.string()}).status, kBatchSkipped);
    EXPECT_EQ(test::ReadFile(output), plainOutput);
    EXPECT_EQ(test::ReadFile(log), plainLog);
}

TEST(Batch, TheCodePageUtf8IsNamedInAnyLetterCase) {
    test::TempDir dir;
    const auto input = dir.write("dane.txt", "KONTRAHENCI\r\nFirma \xC5\xBB|Druga|Ulica 1|Miasto|" + kNrb +
                                                 "|Bank|Oddzial|Adres 1|Adres 2\r\n");
    for (const char* name : {"UTF-8", "utf-8", "Utf-8"}) {
        const BatchRun r = runBatchCommand({"--dry-run", "--code-page", name, input.string()});
        EXPECT_EQ(r.status, kBatchAllWritten) << name << r.err;
        EXPECT_NE(r.out.find("rozpoznana UTF-8, zadeklarowana MAZOVIA, użyta UTF-8"), std::string::npos) << r.out;
    }
    const BatchRun single = runBatchCommand({"--dry-run", "--code-page=WINDOWS_EE", input.string()});
    EXPECT_EQ(single.status, kBatchSkipped) << "the two bytes of Ż read as Windows-1250 are not permitted";
    EXPECT_EQ(runBatchCommand({"--dry-run", "--code-page", "UTF8", input.string()}).status, kBatchError);
}

TEST(Batch, OptionsGiveWhatTheWindowGivesAfterTheLoadAndAReRun) {
    test::TempDir dir;
    std::string content = "KONTRAHENCI|WINDOWS_EE\r\n";
    for (int i = 0; i < 40; ++i) {
        content += "A\tB" + std::string(static_cast<std::size_t>(i), 'n') + "|Druga\x01|Ulica 1|Miasto|PL " + kNrb.substr(0, 13) + " " +
                   kNrb.substr(13) + "|Bank|Oddzial|Adres 1|Adres 2||\x9c|\r\n";
    }
    const auto input = dir.write("dane.txt", content);
    const std::vector<std::pair<std::vector<std::string>, std::optional<CodePage>>> cases = {
        {{"--replace-control"}, std::nullopt},
        {{"--code-page", "MAZOVIA"}, CodePage::Mazovia},
        {{"--code-page", "CSK", "--replace-control", "--no-trim"}, CodePage::Csk},
    };
    for (const auto& [options, codePage] : cases) {
        std::vector<std::string> args = options;
        args.push_back(input.string());
        const bool replace = std::find(options.begin(), options.end(), "--replace-control") != options.end();
        const bool trim = std::find(options.begin(), options.end(), "--no-trim") == options.end();
        SCOPED_TRACE(args.front());
        std::filesystem::remove(dir.path() / "dane_doVexa.txt");
        ASSERT_NE(runBatchCommand(args).status, kBatchError);
        // With no valid record the batch command writes no output file.
        const bool written = std::filesystem::exists(dir.path() / "dane_doVexa.txt");
        const std::string batchOutput = written ? test::ReadFile(dir.path() / "dane_doVexa.txt") : "";
        const std::string batchLog = test::ReadFile(dir.path() / "dane_doVexa.log");

        test::TestSession t;
        t.state().trimFields.checked = trim;
        ASSERT_EQ(loadIntoWindow(t.session, input), LoadOutcome::Loaded);
        if (codePage) t.state().codePageList.selected = codePageItem(*codePage);
        t.state().replaceControl.checked = replace;
        rerunCorrection(t.session);
        EXPECT_EQ(written, t.file().validCount > 0);
        if (written) {
            ASSERT_TRUE(saveValidRecords(t.file()).ok);
            EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.txt"), batchOutput);
        }
        ASSERT_TRUE(saveLogFile(logReportLines(t.file()), dir.path() / "window.log").ok);
        EXPECT_EQ(test::ReadFile(dir.path() / "window.log"), batchLog);
    }
}

TEST(Batch, DryRunWritesNothingAndPrintsTheLog) {
    test::TempDir dir;
    const auto input = dir.write("dane.txt", "KONTRAHENCI\r\n" + contractor() + "\r\n");
    const BatchRun r = runBatchCommand({"--dry-run", input.string()});
    EXPECT_EQ(r.status, kBatchSkipped);
    EXPECT_NE(r.out.find("Błędy dla całej linii: \n1. Brak danych w linii nr 3\n"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "dane_doVexa.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "dane_doVexa.log"));
    // The report printed is the one written, in UTF-8 with line feeds.
    ASSERT_EQ(runBatchCommand({input.string()}).status, kBatchSkipped);
    std::string written = utf8FromCp1250(test::ReadFile(dir.path() / "dane_doVexa.log"));
    written.erase(std::remove(written.begin(), written.end(), '\r'), written.end());
    EXPECT_EQ(r.out.substr(r.out.find("\n\nStatystyki") + 2), written);
}

TEST(Batch, WritesTheLogWhereAsked) {
    test::TempDir dir;
    const auto input = dir.write("dane.txt", "KONTRAHENCI\r\n" + contractor());
    EXPECT_EQ(runBatchCommand({"--log", (dir.path() / "raport.txt").string(), input.string()}).status,
              kBatchAllWritten);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "raport.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "dane_doVexa.log"));
}

TEST(Batch, HelpAndVersion) {
    EXPECT_NE(runBatchCommand({"--help"}).out.find("Użycie: quarvel-cli"), std::string::npos);
    EXPECT_EQ(runBatchCommand({"--version"}).out, "quarvel-cli 1.0.0\n");
    EXPECT_EQ(runBatchCommand({"-V"}).out, "quarvel-cli 1.0.0\n");
}

TEST(Batch, OptionValuesMayFollowAnEqualsSign) {
    test::TempDir dir;
    const auto input = dir.write("-dane.txt", "KONTRAHENCI\r\n" + contractor());
    const BatchRun r = runBatchCommand({"--code-page=csk", "--log=" + (dir.path() / "raport.log").string(), "--", input.filename().string()});
    // A relative name after "--" may start with "-": it names the file in the working folder.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const BatchRun relative = runBatchCommand({"--code-page=csk", "--log=raport.log", "--", "-dane.txt"});
    std::filesystem::current_path(cwd);
    EXPECT_EQ(relative.status, kBatchAllWritten) << relative.err;
    EXPECT_NE(relative.out.find("użyta CSK"), std::string::npos) << relative.out;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "raport.log"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "-dane_doVexa.txt"));
    EXPECT_EQ(r.status, kBatchError) << "a relative name elsewhere is missing";
}

TEST(Batch, NeverWritesOverTheInputOrItsOtherFile) {
    test::TempDir dir;
    const std::string content = "KONTRAHENCI\r\n" + contractor();
    const auto input = dir.write("dane.txt", content);
    const std::string noLinks = test::WhyNoSymbolicLinks();
    if (noLinks.empty()) std::filesystem::create_symlink(input, dir.path() / "link.txt");
    std::filesystem::create_hard_link(input, dir.path() / "hard.txt");
    const bool pipes = test::MakeNamedPipe(dir.path() / "pipe");
    ASSERT_TRUE(pipes || !test::WhyNoNamedPipes().empty());
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::string> before = names();
    struct Case {
        std::string log;
        std::string reason;
    };
    std::vector<Case> cases = {
        {input.string(), "to ten sam plik co plik wejściowy"},
        {(dir.path() / "link.txt").string(), "to ten sam plik co plik wejściowy"},
        {(dir.path() / "hard.txt").string(), "to ten sam plik co plik wejściowy"},
        {(dir.path() / "dane_doVexa.txt").string(), "to ten sam plik co plik wyjściowy"},
        // Where the system has no pipes in folders, a name it keeps for a device in every folder.
        {(dir.path() / (pipes ? "pipe" : "nul.log")).string(), "to nie jest zwykły plik, lecz urządzenie lub potok"},
    };
    if (!noLinks.empty()) {
        test::SkipCase("a link to the input", noLinks);
        std::erase_if(cases, [&](const Case& c) { return c.log == (dir.path() / "link.txt").string(); });
    }
    for (const Case& c : cases) {
        const BatchRun r = runBatchCommand({"--log", c.log, input.string()});
        EXPECT_EQ(r.status, kBatchError) << c.log;
        EXPECT_EQ(r.err, "Nie można zapisać pliku: " + c.log + "\nPrzyczyna: " + c.reason + "\n") << c.log;
        EXPECT_TRUE(r.out.empty()) << "refused before the file is read: " << r.out;
        EXPECT_EQ(test::ReadFile(input), content);
        EXPECT_EQ(names(), before) << c.log;
    }
}

TEST(Batch, NoValidRecordRemovesAnEarlierOutput) {
    test::TempDir dir;
    const auto input = dir.write("dane.txt", "KONTRAHENCI\r\n" + contractor());
    ASSERT_EQ(runBatchCommand({input.string()}).status, kBatchAllWritten);
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "dane_doVexa.txt"));
    dir.write("dane.txt", "KONTRAHENCI\r\nbad|line\r\n");
    const BatchRun r = runBatchCommand({input.string()});
    EXPECT_EQ(r.status, kBatchSkipped);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "dane_doVexa.txt"));
    EXPECT_NE(r.out.find("Brak prawidłowych rekordów: plik wyjściowy nie został zapisany.\n"
                         "Usunięto wcześniejszy plik wyjściowy: " + (dir.path() / "dane_doVexa.txt").string()),
              std::string::npos)
        << r.out;
    EXPECT_NE(test::ReadFile(dir.path() / "dane_doVexa.log").find(test::W("nowego zbioru wyjściowego: 0\r\n")), std::string::npos);
    // Nothing to remove the next time: the standard output says only what happened.
    EXPECT_EQ(runBatchCommand({input.string()}).out.find("Usunięto"), std::string::npos);
}

TEST(Batch, AFailureOfTheSystemIsAMessageAndStatusTwo) {
    test::TempDir dir;
    const auto cwd = std::filesystem::current_path();
    const auto gone = dir.path() / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::error_code removed;
    std::filesystem::remove(gone, removed);
    if (removed) {
        std::filesystem::current_path(cwd);
        test::SkipCase("a current folder that is gone", "the system lets no process remove a current folder");
    } else {
        const BatchRun r = runBatchCommand({"dane.txt"});
        std::filesystem::current_path(cwd);
        EXPECT_EQ(r.status, kBatchError);
        EXPECT_EQ(r.err.rfind("Nie można ustalić pełnej ścieżki pliku dane.txt: ", 0), 0U) << r.err;
    }

    // Output that cannot reach the standard output is a failure too.
    struct Full : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } full;
    std::ostream out(&full);
    std::ostringstream err;
    EXPECT_EQ(runBatch({"--help"}, out, err), kBatchError);
    EXPECT_EQ(err.str(), "Nie można pisać na standardowe wyjście.\n");
}

TEST(Batch, APaymentOrdersFileWithoutRecordsTotalsZero) {
    test::TempDir dir;
    const auto input = dir.write("zlecenia.txt", "ZLECENIA\r\n");
    const BatchRun r = runBatchCommand({"--dry-run", input.string()});
    EXPECT_EQ(r.status, kBatchSkipped);
    EXPECT_NE(r.out.find("Suma kwot prawidłowych zleceń:     0,00 PLN\n"), std::string::npos) << r.out;
}

TEST(Batch, WarnsOfDataLeftUnreadAndOfAnotherCodePageThanDeclared) {
    test::TempDir dir;
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::string> options;
        int status;
        std::string warning; // empty: none
    };
    const std::vector<Case> cases = {
        {"lines after an end mark", "KONTRAHENCI\r\n" + contractor() + "\x1A" + contractor(), {}, kBatchSkipped,
         "Uwaga: znak końca pliku (0x1A) na początku linii nr 3 zakończył wczytywanie pliku: "},
        {"an end mark at the end", "KONTRAHENCI\r\n" + contractor() + "\x1A\r\n", {}, kBatchAllWritten, ""},
        {"another code page chosen", "KONTRAHENCI|ISO_LATIN2\r\n" + contractor(), {"--code-page", "CSK"}, kBatchAllWritten,
         "Uwaga: wartości przeliczono ze strony kodowej CSK, a nagłówek pliku deklaruje ISO_LATIN2.\n"},
        {"the declared one chosen", "KONTRAHENCI|ISO_LATIN2\r\n" + contractor(), {"--code-page", "iso_latin2"},
         kBatchAllWritten, ""},
        {"none declared", "KONTRAHENCI\r\n" + contractor(), {"--code-page", "CSK"}, kBatchAllWritten, ""},
        {"a tie of pages reading the letters apart, none declared", "KONTRAHENCI\r\nPaj\xA5k" + contractor(), {},
         kBatchSkipped,
         "Uwaga: strona kodowa rozpoznana przy remisie liczby polskich liter (MAZOVIA, CSK, IBM_LATIN2, VENTURA, "
         "WINDOWS_EE); sprawdź polskie litery albo podaj stronę kodową (--code-page)\n"},
        {"the same tie, the code page given", "KONTRAHENCI\r\nPaj\xA5k" + contractor(), {"--code-page", "IBM_LATIN2"},
         kBatchAllWritten, ""},
        {"the same tie, the code page declared", "KONTRAHENCI|IBM_LATIN2\r\nPaj\xA5k" + contractor(), {},
         kBatchAllWritten, ""},
        {"a tie of pages reading the letters alike", "KONTRAHENCI\r\nx\x89\x8C" + contractor(), {}, kBatchAllWritten, ""},
        {"a header and no record, another code page chosen", "ZLECENIA|ISO_LATIN2\r\n", {"--code-page", "CSK"},
         kBatchSkipped, "Uwaga: wartości przeliczono ze strony kodowej CSK, a nagłówek pliku deklaruje ISO_LATIN2.\n"},
    };
    for (const Case& c : cases) {
        const auto input = dir.write("dane.txt", c.content);
        std::vector<std::string> args = c.options;
        args.push_back(input.string());
        const BatchRun r = runBatchCommand(args);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        // The page used is the one chosen, with or without records to convert.
        if (c.options.size() == 2) {
            EXPECT_NE(r.out.find(", użyta " + upperAsciiText(c.options[1]) + "\n"), std::string::npos)
                << c.what << ": " << r.out;
        }
        if (c.warning.empty()) {
            EXPECT_TRUE(r.err.empty()) << c.what << ": " << r.err;
        } else {
            EXPECT_EQ(r.err.rfind(c.warning, 0), 0U) << c.what << ": " << r.err;
        }
    }
    const auto tie = dir.write("remis.txt", "KONTRAHENCI\r\nPaj\xA5k" + contractor());
    const BatchRun json = runBatchCommand({"--json", "--dry-run", tie.string()});
    EXPECT_EQ(json.status, kBatchSkipped);
    EXPECT_NE(json.out.find("\"warnings\":[\"Strona kodowa rozpoznana przy remisie liczby polskich liter (MAZOVIA,"),
              std::string::npos)
        << json.out;
    const auto input = dir.write("dane.txt", "KONTRAHENCI\r\n" + contractor() + "\x1A" + contractor());
    EXPECT_NE(runBatchCommand({input.string()}).err.find("Pominięto dalszą część pliku, bajtów: " + std::to_string(contractor().size())),
              std::string::npos);
}

// A contractor's NIP is judged only with --check-nip, and then a wrong one leaves its record out, as a wrong
// NRB does with --check-nrb; a blank NIP is never judged, and the value written is the value as it stands.
TEST(Batch, CheckNipLeavesOutContractorsWithAWrongNip) {
    test::TempDir dir;
    struct Case {
        const char* nip; // at most the field's 13 characters, which a longer value is trimmed to
        bool valid;      // with --check-nip
    };
    const std::vector<Case> cases = {
        {"1234563218", true},     {"123-456-32-18", true}, {"PL 1234563218", true}, {"pl1234563218", true},
        {"1234563219", false},    {"123456321", false},    {"12345632180", false},  {"1234567890", false},
        {"PL12345632X8", false},  {"", true},              {"   ", true},
    };
    for (const Case& c : cases) {
        const std::string record =
            "Firma|Druga|Ulica 1|Miasto|" + kNrb + "|Bank|Oddzial|Adres 1|Adres 2|L|" + c.nip + "|1|2\r\n";
        const auto input = dir.write("kontrahenci.txt", "KONTRAHENCI\r\n" + record);
        const BatchRun off = runBatchCommand({input.string()});
        EXPECT_EQ(off.status, kBatchAllWritten) << c.nip << ": " << off.err;
        const std::string writtenOff = test::ReadFile(dir.path() / "kontrahenci_doVexa.txt");
        const BatchRun on = runBatchCommand({"--check-nip", input.string()});
        EXPECT_EQ(on.status, c.valid ? kBatchAllWritten : kBatchSkipped) << c.nip;
        EXPECT_EQ(std::filesystem::exists(dir.path() / "kontrahenci_doVexa.txt"), c.valid) << c.nip;
        if (c.valid) {
            EXPECT_EQ(test::ReadFile(dir.path() / "kontrahenci_doVexa.txt"), writtenOff) << c.nip;
        }
        const std::string log = test::ReadFile(dir.path() / "kontrahenci_doVexa.log");
        EXPECT_EQ(log.find(test::W("Nieprawidłowy numer NIP")) != std::string::npos, !c.valid) << c.nip;
        const BatchRun json = runBatchCommand({"--check-nip", "--json", "--dry-run", input.string()});
        EXPECT_EQ(json.out.find("{\"NIP\":[\"Nieprawidłowy numer NIP\"]}") != std::string::npos, !c.valid)
            << c.nip << ": " << json.out;
    }
}

// A payment-order file's summary ends with a line per debited account, in the order the accounts first
// appear, and the count of notes; a contractors' summary has neither.
TEST(Batch, SummaryTotalsEachDebitedAccountAndCountsTheNotes) {
    test::TempDir dir;
    const std::string a = "61109010140000071219812874";
    const std::string b = "27114020040000300201355387";
    // 2099-01-07 is a Wednesday, 2099-01-03 a Saturday.
    const auto order = [&](const std::string& date, const std::string& amount, const std::string& from,
                           const std::string& title) {
        return date + "|" + amount + "|" + from + "|" + (from == a ? b : a) + "|" + title + "|t\r\n";
    };
    const auto input = dir.write("zlecenia.txt", "ZLECENIA\r\n" + order("01/07/99", "10.10", b, "x") +
                                                     order("01/07/99", "1000000", a, "y") +
                                                     order("01/07/99", "10.10", b, "x") +
                                                     order("01/03/99", "0.05", b, "z") + order("01/07/99", "zle", a, "w"));
    const BatchRun r = runBatchCommand({"--dry-run", input.string()});
    EXPECT_EQ(r.status, kBatchSkipped) << r.err;
    // The totals are formatted as the grand total is.
    const std::string expected = "Suma kwot prawidłowych zleceń: " + formatTotal(1000020.25) + "\n" +
                                 "Rachunek obciążany " + b + ": ilość zleceń 3, suma " + formatTotal(20.25) + "\n" +
                                 "Rachunek obciążany " + a + ": ilość zleceń 1, suma " + formatTotal(1000000) + "\n" +
                                 "Uwagi: 2\n";
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    const auto contractors = dir.write("kontrahenci.txt", "KONTRAHENCI\r\n" + contractor());
    const BatchRun c = runBatchCommand({"--dry-run", contractors.string()});
    EXPECT_EQ(c.out.find("Rachunek obciążany"), std::string::npos) << c.out;
    EXPECT_EQ(c.out.find("Uwagi:"), std::string::npos) << c.out;
}

} // namespace
} // namespace quarvel
