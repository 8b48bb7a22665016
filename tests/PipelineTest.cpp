#include "CodePageIdentification.h"
#include "ForwardingSource.h"
#include "Pipeline.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>

namespace quarvel {
namespace {

using test::W;

TEST(LoadFile, AMissingFileChangesNothing) {
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI\na|b\n");
    ASSERT_EQ(t.file().records().size(), 1U);
    EXPECT_EQ(loadIntoWindow(t.session, dir.path() / "gone.txt"), LoadOutcome::Missing);
    EXPECT_EQ(t.file().records().size(), 1U);
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST(LoadFile, AFolderCannotBeOpenedAndTheEarlierRecordsStay) {
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI\na|b\n");
    std::filesystem::create_directory(dir.path() / "folder.txt");
    EXPECT_EQ(loadIntoWindow(t.session, dir.path() / "folder.txt"), LoadOutcome::OpenFailed);
    EXPECT_EQ(t.file().records().size(), 1U);
    ASSERT_EQ(t.ui.messages.size(), 1U);
    EXPECT_EQ(t.ui.messages[0].rfind(W("Nie można otworzyć pliku: "), 0), 0U) << t.ui.messages[0];
    EXPECT_NE(t.ui.messages[0].find(W("to jest folder")), std::string::npos);
    EXPECT_EQ(t.ui.messageKinds, std::vector{MessageKind::Error});
}

TEST(LoadFile, AReadFailureStopsTheLoadAndKeepsNoHalfFile) {
    test::TempDir dir;
    test::TestSession t;
    const std::string content = "ZLECENIA\n12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\n"
                                "12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\n";
    const auto path = dir.write("in.txt", content);
    int opened = 0;
    t.session.openInput = [&](const std::filesystem::path&) {
        // The reader's opening fails part way; the identification's second opening reads everything.
        ++opened;
        return OpenedSource{
            std::make_unique<test::MemorySource>(
                content, test::MemoryReading{.chunk = content.size(), .failAfter = opened == 1 ? 90 : content.size()}),
            0};
    };
    EXPECT_EQ(loadIntoWindow(t.session, path), LoadOutcome::ReadFailed);
    EXPECT_TRUE(t.file().records().empty());
    EXPECT_FALSE(t.state().saveButton.enabled);
    ASSERT_EQ(t.ui.messages.size(), 1U);
    EXPECT_EQ(t.ui.messages[0], W("Błąd odczytu pliku: ") + path.string() + W("\rPrzyczyna: błąd wejścia/wyjścia\r"
                                                                            "Wczytywanie pliku przerwane!"));
    EXPECT_EQ(t.ui.messageKinds, std::vector{MessageKind::Error});
}

TEST(LoadFile, AFailingIdentificationStopsTheLoadWhateverTheReaderRead) {
    // The identification reads its own opening in the background; when it fails part way, the records
    // the reader built meanwhile are dropped, and earlier records are gone as on any other failure.
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI\nFirma|a|b|c|12345678901234567890123456|d|e|f|g\n", "earlier.txt");
    ASSERT_EQ(t.file().records().size(), 1U);
    std::string content = "ZLECENIA\n";
    for (int i = 0; i < 5000; ++i) content += "12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\n";
    const auto path = dir.write("in.txt", content);
    int opened = 0;
    t.session.openInput = [&](const std::filesystem::path&) {
        ++opened;
        return OpenedSource{std::make_unique<test::MemorySource>(
                                content, test::MemoryReading{.chunk = content.size(),
                                                             .failAfter = opened == 1 ? content.size() : 1000}),
                            0};
    };
    EXPECT_EQ(loadIntoWindow(t.session, path), LoadOutcome::Stopped);
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(t.file().records().empty());
    EXPECT_FALSE(t.state().saveButton.enabled);
    EXPECT_EQ(t.ui.messages, std::vector<std::string>{W("Błąd odczytu pliku: ") + path.string() +
                                                      W("\rPrzyczyna: błąd wejścia/wyjścia\rWczytywanie pliku przerwane!")});
}

// A real file on disk, changed by the test at the moment the reader has read its first block.
class ChangingSource final : public ForwardingSource {
public:
    ChangingSource(std::unique_ptr<ByteSource> inner, std::function<void()> change)
        : ForwardingSource(std::move(inner)), m_change(std::move(change)) {}
    std::size_t read(char* buffer, std::size_t n) override {
        const std::size_t got = ForwardingSource::read(buffer, n);
        if (m_change) std::exchange(m_change, nullptr)();
        return got;
    }

private:
    std::function<void()> m_change;
};

TEST(LoadFile, AFileThatChangesWhileItIsReadIsAReadFailure) {
    std::string content = "ZLECENIA\n";
    for (int i = 0; i < 20000; ++i) content += "12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\n";
    struct Case {
        const char* what;
        int changedOpening; // 1: the reader's, 2: the identification's
        std::function<void(const std::filesystem::path&)> change;
        bool beforeOpening = false; // else while that opening is read
    };
    const auto rewrite = [](const std::filesystem::path& path, const std::string& bytes) {
        std::FILE* f = test::OpenFile(path, "r+b");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    bool notReplaced = false;
    const std::vector<Case> cases = {
        {"lines appended", 1, [](const auto& path) { std::filesystem::resize_file(path, std::filesystem::file_size(path) + 100); }},
        {"truncated", 1, [](const auto& path) { std::filesystem::resize_file(path, 5000); }},
        {"truncated under the identification", 2, [](const auto& path) { std::filesystem::resize_file(path, 5000); }},
        {"rewritten in place, same size", 1, [&](const auto& path) { rewrite(path, "KONTRAHENCI\n"); }},
        {"replaced by a copy between the two openings", 2, [&](const auto& path) {
             const auto other = path.parent_path() / "other.txt";
             std::filesystem::copy_file(path, other);
             // Wine replaces no file that a process has open, shared for deleting or not.
             notReplaced = platform::renameFile(other, path) != 0;
         }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::TestSession t;
        const auto path = dir.write("in.txt", content);
        // An older file: a change made now gives it another time of last change.
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
        int opened = 0;
        t.session.openInput = [&](const std::filesystem::path& p) {
            if (c.beforeOpening && opened + 1 == c.changedOpening) c.change(path);
            OpenedSource source = openFileSource(p);
            if (++opened == c.changedOpening && !c.beforeOpening) {
                source.source = std::make_unique<ChangingSource>(std::move(source.source), [&] { c.change(path); });
            }
            return source;
        };
        const LoadOutcome outcome = loadIntoWindow(t.session, path);
        if (notReplaced && test::OnWindows()) {
            test::SkipCase(c.what, "the system cannot replace a file that is open");
            notReplaced = false;
            continue;
        }
        EXPECT_EQ(outcome, LoadOutcome::ReadFailed);
        EXPECT_TRUE(t.file().records().empty());
        EXPECT_FALSE(t.state().saveButton.enabled);
        EXPECT_EQ(t.ui.messages, std::vector<std::string>{W("Błąd odczytu pliku: ") + path.string() +
                                                          W("\rPrzyczyna: plik został zmieniony podczas odczytu\r"
                                                            "Wczytywanie pliku przerwane!")});
    }
}

TEST(LoadFile, DataLeftUnreadAfterAnEndMarkIsTold) {
    const std::string line = "12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\r\n";
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += line;
    struct Case {
        const char* what;
        std::string content;
        std::size_t records;
        std::optional<UnreadTail> tail;
    };
    const std::vector<Case> cases = {
        {"no end mark", "ZLECENIA\r\n" + lines, 3000, {}},
        {"an end mark at the end", "ZLECENIA\r\n" + lines + "\x1A", 3000, {}},
        {"end marks and line ends after it", "ZLECENIA\r\n" + lines + "\x1A\r\n\x1A\x1A\n", 3000, {}},
        {"lines after it", "ZLECENIA\r\n" + lines + "\x1A" + lines, 3000, UnreadTail{3002, lines.size()}},
        {"after the second line", "ZLECENIA\r\n" + line + "\x1Ax", 1, UnreadTail{3, 1}},
        {"inside a line it ends only the line", "ZLECENIA\r\n" + line + "x\x1Ay\r\n" + line, 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::TestSession t;
        test::LoadBytes(t, dir, c.content);
        EXPECT_EQ(t.file().records().size(), c.records);
        ASSERT_EQ(t.file().unreadTail.has_value(), c.tail.has_value());
        if (c.tail) {
            EXPECT_EQ(t.file().unreadTail->line, c.tail->line);
            EXPECT_EQ(t.file().unreadTail->bytes, c.tail->bytes);
        }
        EXPECT_TRUE(t.ui.messages.empty()) << "the open command, not the load, tells the user";
    }
}

TEST(LoadFile, AHeaderWithoutDataLeavesEverythingAtZero) {
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI|ISO_LATIN2\nFirma|a|b|c|12345678901234567890123456|d|e|f|g\n");
    ASSERT_TRUE(t.state().saveButton.enabled);
    t.state().replaceControl.checked = true;
    test::LoadBytes(t, dir, "ZLECENIA|MAZOVIA\r\n", "second.txt"); // plain ASCII identifies as MAZOVIA
    EXPECT_TRUE(t.file().records().empty());
    EXPECT_EQ(t.file().kind, FileKind::Orders);
    EXPECT_FALSE(t.state().grid.visible);
    EXPECT_FALSE(t.state().saveButton.enabled);
    EXPECT_FALSE(t.state().replaceControl.checked) << "every load switches the replace option off";
    EXPECT_EQ(t.state().kindPanel.text, "ZLECENIA");
    EXPECT_EQ(t.state().codePageList.background, kGreen);
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST(LoadFile, ResetKeepsKindUntilTheNextHeader) {
    test::TestSession t;
    t.file().kind = FileKind::Orders;
    t.state().showLogButton.enabled = true;
    t.state().otherCodePageMarker.visible = true;
    t.state().validTotalLabel.text = "x";
    resetLoadedFile(t.file());
    resetLoadControls(t.state());
    EXPECT_EQ(t.file().kind, FileKind::Orders);
    EXPECT_FALSE(t.state().showLogButton.enabled);
    EXPECT_FALSE(t.state().otherCodePageMarker.visible);
    EXPECT_EQ(t.state().validTotalLabel.text, "");
    EXPECT_EQ(t.state().codePageList.selected, -1);
}

TEST(LoadFile, blankToSpace) {
    EXPECT_EQ(blankToSpace(""), " ");
    EXPECT_EQ(blankToSpace(" "), " ");
    EXPECT_EQ(blankToSpace("x"), "x");
}

} // namespace
} // namespace quarvel
