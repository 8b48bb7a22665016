// Files from other programs that are broken, foreign or hostile, loaded the way the open command loads
// them: what the user is shown afterwards, and that nothing of the file is kept that a record does not need.

#include "CheckTexts.h"
#include "Validation.h"
#include "Pipeline.h"
#include "LoadTexts.h"
#include "OutputWriter.h"
#include "support/TestSupport.h"
#include "MainWindowPresenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <future>

namespace quarvel {
namespace {

using test::W;

const std::string kAccount = "61109010140000071219812874";

// A contractor line with every required field, from its NAZWA1 on.
std::string contractor(const std::string& name) {
    return name + "|b|c|d|" + kAccount + "|f|g|h|i";
}

struct Load {
    test::TempDir dir;
    test::TestSession t;
    LoadOutcome outcome{};
    std::filesystem::path path;

    explicit Load(std::string_view bytes, const std::string& name = "input.txt") {
        path = dir.write(name, bytes);
        t.file().fileName = path;
        outcome = loadIntoWindow(t.session, path);
    }
    const LoadedFile& file() { return t.file(); }
    const WindowState& state() { return t.state(); }
    std::vector<std::string>& messages() { return t.ui.messages; }
};

std::string headerMessage() {
    return texts::kNoHeaderKeyword + "\r" + texts::kLoadAborted;
}

// ---- What the user sees, file by file -----------------------------------------------------------------

struct Case {
    const char* what;
    std::string bytes;
    LoadOutcome outcome;
    FileKind kind;
    std::size_t records;
    std::vector<std::string> messages;
};

TEST(HostileFiles, ShowWhatTheFileHolds) {
    const std::string nul(1, '\0');
    const std::vector<Case> cases = {
        {"0 bytes", "", LoadOutcome::Empty, FileKind::None, 0, {}},
        {"only a header", "KONTRAHENCI|ISO_LATIN2\r\n", LoadOutcome::Loaded, FileKind::Contractors, 0, {}},
        {"only a header, without line end", "ZLECENIA", LoadOutcome::Loaded, FileKind::Orders, 0, {}},
        {"only 0x1A", "\x1A", LoadOutcome::Empty, FileKind::None, 0, {}},
        {"0x1A before everything",
         "\x1A"
         "KONTRAHENCI\r\n" +
             contractor("a") + "\r\n",
         LoadOutcome::Empty,
         FileKind::None,
         0,
         {}},
        {"only line ends", "\r\n\r\n\n", LoadOutcome::Stopped, FileKind::None, 0, {headerMessage()}},
        {"only carriage returns", "\r\r\r", LoadOutcome::Empty, FileKind::None, 0, {}},
        {"only NUL bytes", std::string(1000, '\0'), LoadOutcome::Stopped, FileKind::None, 0, {headerMessage()}},
        {"NUL bytes between the letters of the keyword",
         "K" + nul + "ONTRAHENCI\n" + contractor("a") + "\n",
         LoadOutcome::Stopped,
         FileKind::None,
         0,
         {headerMessage()}},
        // Carriage returns never end a line: the whole file is one header line.
        {"CR-only line ends",
         "KONTRAHENCI|MAZOVIA\r" + contractor("a") + "\r" + contractor("b") + "\r",
         LoadOutcome::Loaded,
         FileKind::Contractors,
         0,
         {}},
        {"a binary file",
         std::string("\x7F"
                     "ELF\x02\x01\x01") +
             nul + nul + "\xFF\xFE\x1A\x0A\x0A",
         LoadOutcome::Stopped,
         FileKind::None,
         0,
         {headerMessage()}},
        {"a header of a million bars",
         std::string(1'000'000, '|') + "KONTRAHENCI\n" + contractor("a") + "\n",
         LoadOutcome::Loaded,
         FileKind::Contractors,
         1,
         {}},
        {"many empty lines",
         "ZLECENIA\n" + std::string(100'000, '\n'),
         LoadOutcome::Loaded,
         FileKind::Orders,
         100'000,
         {}},
    };
    for (const Case& c : cases) {
        Load l(c.bytes);
        EXPECT_EQ(l.outcome, c.outcome) << c.what;
        EXPECT_EQ(l.file().kind, c.kind) << c.what;
        EXPECT_EQ(l.file().records().size(), c.records) << c.what;
        EXPECT_EQ(l.messages(), c.messages) << c.what;
        EXPECT_EQ(l.state().kindPanel.text,
                  c.kind == FileKind::None ? "BRAK" : c.kind == FileKind::Contractors ? "KONTRAHENCI" : "ZLECENIA")
            << c.what;
        // The grid starts with only the invalid records.
        EXPECT_EQ(l.state().grid.visible, l.file().invalidCount > 0) << c.what;
        if (c.records == 0) {
            EXPECT_FALSE(l.state().saveButton.enabled) << c.what;
        }
        EXPECT_EQ(static_cast<std::size_t>(l.file().validCount + l.file().invalidCount), c.records) << c.what;
    }
}

TEST(HostileFiles, AnEmptyLineIsALineWithoutData) {
    Load l("ZLECENIA\n\n\n");
    ASSERT_EQ(l.file().records().size(), 2U);
    EXPECT_EQ(l.file().lineErrors(1), std::vector<std::string>{"Brak danych w linii nr 3"});
    EXPECT_EQ(l.file().invalidCount, 2);
}

TEST(HostileFiles, NulBytesInsideValuesAreFindingsOrQuestionMarks) {
    const std::string line = contractor(std::string("a\0b", 3)) + "|" + std::string("\0\0\0", 3) + "\n";
    Load l("KONTRAHENCI\n" + line);
    ASSERT_EQ(l.file().records().size(), 1U);
    EXPECT_EQ(fieldErrors(l.file(), 0, 0), std::vector<std::string>{texts::kNotPermittedChars});
    EXPECT_EQ(l.file().rawValue(0, 9), " ") << "NUL bytes at the ends of a field are stripped like spaces";
    EXPECT_EQ(l.file().invalidCount, 1);
}

TEST(HostileFiles, ALineOfAMillionBarsKeepsThirteenBlankFields) {
    Load l("KONTRAHENCI\r\n" + std::string(1'000'000, '|') + "\r\n");
    ASSERT_EQ(l.file().records().size(), 1U);
    EXPECT_EQ(l.file().lineErrors(0), std::vector<std::string>{W("Zbyt duża ilość pól w linii nr 2")});
    ASSERT_EQ(l.file().fieldCount(0), 13U);
    for (std::size_t j = 0; j < 13; ++j) EXPECT_EQ(l.file().rawValue(0, j), " ") << j;
    EXPECT_EQ(fieldErrors(l.file(), 0, 4), std::vector<std::string>{texts::kBadNrb});
    EXPECT_LE(l.file().allRawValues().size(), 13U);
    // The room reserved from the file's size is given back once the line turned out to keep so little.
    EXPECT_LT(l.file().rawBytesReserved(), 1000U);
    EXPECT_LT(l.file().records().capacity(), 100U);
    EXPECT_EQ(l.file().invalidCount, 1);
    EXPECT_TRUE(l.messages().empty());
}

TEST(HostileFiles, AKeywordBeyondTheFirstReadBlockIsFound) {
    // The reader takes the file in blocks of 1 MiB; the keyword straddles the first boundary.
    const std::string header = std::string((std::size_t{1} << 20) - 5, ' ') + "KONTRAHENCI|" +
                               std::string(3'000'000, 'x') + "|IBM_LATIN2";
    Load l(header + "\n" + contractor("a") + "\n");
    EXPECT_EQ(l.file().kind, FileKind::Contractors);
    EXPECT_EQ(l.file().declaredCodePage, CodePage::Mazovia) << "the name stands in the third piece, not the second";
    EXPECT_EQ(l.file().records().size(), 1U);
}

// ---- Files in none of the eight code pages ------------------------------------------------------------

TEST(HostileFiles, AUtf8FileWithBomIsDecodedAndReadAsAnotherCodePagePassesNoMangledLetter) {
    const std::string utf8Lines[] = {
        "Żółw Sp. z o.o.|Zakład|ul. Łąkowa 1|00-950 Łódź|" + kAccount + "|Bank Śląski|Oddział|ul. Ćmy 2|Gdańsk",
        "Źródło|Ślęzak|ul. Żeromskiego 44|26-600 Radom|" + kAccount + "|PKO|Oddział|ul. Mała|Łódź",
        "Wiśniewski|Piotr|ul. Leśna 8|80-001 Gdańsk|" + kAccount + "|Bank Morski|Gdańsk|ul. Portowa 1|Gdańsk",
    };
    std::string file = "\xEF\xBB\xBFKONTRAHENCI|WINDOWS_EE\r\n";
    for (const std::string& line : utf8Lines) file += line + "\r\n";
    {
        // The mark makes it UTF-8, whatever the header declares: every letter decoded, every record valid.
        Load l(file);
        ASSERT_EQ(l.outcome, LoadOutcome::Loaded);
        EXPECT_EQ(l.file().kind, FileKind::Contractors) << "the BOM stands before the keyword, which is still found";
        EXPECT_EQ(l.file().identifiedCodePage, CodePage::Utf8);
        EXPECT_EQ(l.file().declaredCodePage, CodePage::WindowsEe);
        EXPECT_EQ(l.state().codePageList.background, kRed);
        EXPECT_EQ(l.file().validCount, 3);
        EXPECT_EQ(test::JoinValues(l.file(), 0), W(utf8Lines[0]) + "||||") << "and four optional fields missing";
    }
    // Read as the single-byte code page the header names, the same bytes pass no record: a Polish letter's
    // first byte (0xC3, 0xC4, 0xC5) is none of the permitted Windows-1250 bytes.
    for (const bool replace : {false, true}) {
        Load l(file);
        ASSERT_EQ(l.file().records().size(), 3U);
        l.t.state().codePageList.selected = codePageItem(CodePage::WindowsEe);
        l.t.state().replaceControl.checked = replace;
        codePageChosen(l.t.session);
        EXPECT_EQ(l.file().validCount, 0);
        EXPECT_FALSE(l.state().saveButton.enabled);
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 0; j < 9; ++j) {
                const bool plainAscii = std::all_of(l.file().rawValue(i, j).begin(), l.file().rawValue(i, j).end(),
                                                    [](char c) { return static_cast<unsigned char>(c) < 0x80; });
                const std::vector<std::string> errors = fieldErrors(l.file(), i, j);
                const bool flagged = std::find(errors.begin(), errors.end(), texts::kNotPermittedChars) != errors.end();
                EXPECT_EQ(flagged, !plainAscii) << "record " << i << " field " << j;
            }
        }
    }
}

TEST(HostileFiles, AUtf16FileIsDecodedWithItsMarkAndRefusedAtItsHeaderWithout) {
    const std::string text = "KONTRAHENCI|WINDOWS_EE\r\n" + contractor("Łódź") + "\r\n";
    std::string utf16;
    for (char c : cp1250FromUtf8(text)) {
        // Windows-1250 and UTF-16 agree below 0x80; the two letters of "Łódź" above it are spelled out.
        const char16_t unit = c == '\xA3' ? u'Ł' : c == '\xF3' ? u'ó' : c == '\x9F' ? u'ź' : static_cast<char16_t>(c);
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    {
        Load l("\xFF\xFE" + utf16);
        ASSERT_EQ(l.outcome, LoadOutcome::Loaded);
        EXPECT_EQ(l.file().identifiedCodePage, CodePage::Utf8);
        EXPECT_EQ(l.file().value(0, 0), W("Łódź"));
        EXPECT_EQ(l.file().validCount, 1);
    }
    // Without its mark every other byte is 0x00, so the header holds no keyword the reader can find.
    Load l(utf16);
    EXPECT_EQ(l.outcome, LoadOutcome::Stopped);
    EXPECT_TRUE(l.file().records().empty());
    EXPECT_EQ(l.messages(), std::vector<std::string>{headerMessage()});
    EXPECT_FALSE(l.state().saveButton.enabled);
}

// ---- The input file itself ----------------------------------------------------------------------------

TEST(HostileFiles, TheInputFileIsUnchangedAfterLoadAndSave) {
    const std::string bytes = test::ReadFile(test::ExamplePath("zlecenia_mazovia.txt"));
    test::TempDir dir;
    const auto path = dir.write("zlecenia.txt", bytes);
    // An mtime in the past, so that any write would show.
    const auto past = std::filesystem::last_write_time(path) - std::chrono::hours(24);
    std::filesystem::last_write_time(path, past);
    const auto perms = std::filesystem::status(path).permissions();

    test::TestSession t;
    t.file().fileName = path;
    ASSERT_EQ(loadIntoWindow(t.session, path), LoadOutcome::Loaded);
    ASSERT_GT(t.file().validCount, 0);
    t.state().replaceControl.checked = true;
    rerunCorrection(t.session);
    ASSERT_TRUE(saveValidRecordsAndLog(t.session).ok);

    EXPECT_EQ(test::ReadFile(path), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(path), past);
    EXPECT_EQ(std::filesystem::status(path).permissions(), perms);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "zlecenia_doVexa.txt"));
}

TEST(HostileFiles, AFolderIsNotOpenedAndTheEarlierRecordsStay) {
    Load l("KONTRAHENCI\n" + contractor("a") + "\n");
    const auto folder = l.dir.path() / "folder.txt";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(loadIntoWindow(l.t.session, folder), LoadOutcome::OpenFailed);
    EXPECT_EQ(l.file().records().size(), 1U);
    EXPECT_EQ(l.messages(), std::vector<std::string>{W("Nie można otworzyć pliku: ") + folder.string() +
                                                     W("\rPrzyczyna: to jest folder, a nie plik")});
}

TEST(HostileFiles, ANameThatIsNoUtf8IsShownWithQuestionMarks) {
    test::TempDir dir;
    test::TestSession t;
    const auto folder = dir.path() / "\xFF\xFEz\xB3y.txt"; // bytes of no UTF-8 text
    std::filesystem::create_directory(folder);
    EXPECT_EQ(loadIntoWindow(t.session, folder), LoadOutcome::OpenFailed);
    ASSERT_EQ(t.ui.messages.size(), 1U);
    EXPECT_NE(t.ui.messages[0].find("z?y.txt"), std::string::npos) << t.ui.messages[0];
}

TEST(HostileFiles, AVanishedFileChangesNothing) {
    Load l("KONTRAHENCI\n" + contractor("a") + "\n");
    const auto gone = l.dir.write("gone.txt", "ZLECENIA\n");
    std::filesystem::remove(gone);
    const WindowState before = l.state();
    EXPECT_EQ(loadIntoWindow(l.t.session, gone), LoadOutcome::Missing);
    EXPECT_EQ(l.file().records().size(), 1U);
    EXPECT_EQ(l.file().kind, FileKind::Contractors);
    EXPECT_TRUE(l.messages().empty());
    EXPECT_EQ(l.state().grid.rows, before.grid.rows);
    EXPECT_EQ(l.state().saveButton.enabled, before.saveButton.enabled);
}

TEST(HostileFiles, ABrokenLinkIsAVanishedFile) {
    if (const std::string why = test::WhyNoSymbolicLinks(); !why.empty()) GTEST_SKIP() << why;
    Load l("KONTRAHENCI\n" + contractor("a") + "\n");
    const auto link = l.dir.path() / "link.txt";
    std::filesystem::create_symlink(l.dir.path() / "nowhere.txt", link);
    EXPECT_EQ(loadIntoWindow(l.t.session, link), LoadOutcome::Missing);
    EXPECT_EQ(l.file().records().size(), 1U);
    EXPECT_TRUE(l.messages().empty());
}

std::string notAFileMessage(const std::filesystem::path& path) {
    return W("Nie można otworzyć pliku: ") + path.string() + W("\rPrzyczyna: to nie jest zwykły plik, lecz urządzenie lub potok");
}

TEST(HostileFiles, ANamedPipeIsRefusedAtOnce) {
    Load l("KONTRAHENCI\n" + contractor("a") + "\n");
    const auto fifo = l.dir.path() / "pipe.txt";
    if (!test::WhyNoNamedPipes().empty()) GTEST_SKIP() << test::WhyNoNamedPipes();
    ASSERT_TRUE(test::MakeNamedPipe(fifo));
    // Opening a pipe for reading waits for a writer; should the load ever try, the watchdog opens the
    // other end so that the test ends and fails instead of hanging.
    auto load = std::async(std::launch::async, [&] { return loadIntoWindow(l.t.session, fifo); });
    if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the load waits for a writer of the pipe";
        test::TouchNamedPipe(fifo);
    }
    EXPECT_EQ(load.get(), LoadOutcome::OpenFailed);
    EXPECT_EQ(l.file().records().size(), 1U);
    EXPECT_EQ(l.messages(), std::vector<std::string>{notAFileMessage(fifo)});
}

TEST(HostileFiles, ADeviceIsRefused) {
    // /dev/zero would never end; /dev/null is harmless but no file either. Both are refused alike.
    for (const char* device : {"/dev/null", "/dev/zero"}) {
        if (!std::filesystem::exists(device)) continue;
        test::TestSession t;
        EXPECT_EQ(loadIntoWindow(t.session, device), LoadOutcome::OpenFailed) << device;
        EXPECT_EQ(t.ui.messages, std::vector<std::string>{notAFileMessage(device)}) << device;
    }
}

TEST(HostileFiles, AnUnreadableFileIsReportedWithItsReason) {
    Load l("KONTRAHENCI\n" + contractor("a") + "\n");
    const auto path = l.dir.write("locked.txt", "ZLECENIA\n");
    l.t.session.openInput = [](const std::filesystem::path&) { return OpenedSource{nullptr, EACCES}; };
    EXPECT_EQ(loadIntoWindow(l.t.session, path), LoadOutcome::OpenFailed);
    EXPECT_EQ(l.file().records().size(), 1U);
    EXPECT_EQ(l.messages(), std::vector<std::string>{W("Nie można otworzyć pliku: ") + path.string() +
                                                     W("\rPrzyczyna: brak uprawnień dostępu")});
}

TEST(HostileFiles, AFailingSecondReadingStopsAtTheHeader) {
    // The identification reads the file a second time; when that opening fails, the load stops.
    test::TempDir dir;
    test::TestSession t;
    const auto path = dir.write("in.txt", "KONTRAHENCI\n" + contractor("a") + "\n");
    int openings = 0;
    t.session.openInput = [&openings](const std::filesystem::path& p) {
        return ++openings == 1 ? openFileSource(p) : OpenedSource{nullptr, EIO};
    };
    EXPECT_EQ(loadIntoWindow(t.session, path), LoadOutcome::Stopped);
    EXPECT_TRUE(t.file().records().empty());
    EXPECT_EQ(t.ui.messages, std::vector<std::string>{W("Błąd odczytu pliku: ") + path.string() +
                                                      W("\rPrzyczyna: błąd wejścia/wyjścia\rWczytywanie pliku przerwane!")});
}

} // namespace
} // namespace quarvel
