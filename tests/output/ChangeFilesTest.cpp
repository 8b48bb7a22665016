// Files written together or not at all: what is refused before anything is written, what is kept of an
// earlier file, and what happens to temporary files.

#include "AtomicFile.h"
#include "Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <new>

namespace quarvel {
namespace {

namespace fs = std::filesystem;
using test::W;

Producer text(std::string content) {
    return [content = std::move(content)](FileOutput& out) { out.write(content); };
}

// Names in a folder, so a test can tell that nothing beside the expected files is left.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ChangeFiles, RefusesBeforeAnythingIsWritten) {
    test::TempDir dir;
    const fs::path input = dir.write("in.txt", "input");
    const fs::path earlier = dir.write("earlier.txt", "earlier");
    const std::string noLinks = test::WhyNoSymbolicLinks();
    if (noLinks.empty()) {
        fs::create_symlink(input, dir.path() / "link-to-input");
        fs::create_symlink("loop-b", dir.path() / "loop-a");
        fs::create_symlink("loop-a", dir.path() / "loop-b");
        fs::create_symlink("/dev/null", dir.path() / "link-to-device");
    }
    fs::create_hard_link(input, dir.path() / "hard-to-input");
    fs::create_directory(dir.path() / "folder");
    const bool pipes = test::MakeNamedPipe(dir.path() / "pipe");
    ASSERT_TRUE(pipes || !test::WhyNoNamedPipes().empty());
    const std::vector<std::string> before = namesIn(dir.path());

    struct Case {
        const char* what;
        std::vector<fs::path> targets;
        const char* reason;
    };
    const std::string longName(300, 'x');
    std::vector<Case> cases = {
        {"the input itself", {input}, "to ten sam plik co plik wejściowy"},
        {"a link to the input", {dir.path() / "link-to-input"}, "to ten sam plik co plik wejściowy"},
        {"a hard link to the input", {dir.path() / "hard-to-input"}, "to ten sam plik co plik wejściowy"},
        {"the input by another spelling",
         {dir.path() / "folder" / ".." / "in.txt"},
         "to ten sam plik co plik wejściowy"},
        {"two changes of one file", {earlier, dir.path() / "." / "earlier.txt"}, "to ten sam plik co pierwszy"},
        {"two changes of one new file",
         {dir.path() / "new.txt", dir.path() / "new.txt"},
         "to ten sam plik co pierwszy"},
        {"a folder", {dir.path() / "folder"}, "to jest folder"},
        // Where the system has no pipes in folders, a name it keeps for a device in every folder.
        {pipes ? "a pipe" : "a reserved name", {dir.path() / (pipes ? "pipe" : "COM1.txt")}, "to nie jest zwykły plik"},
        {"a link to a device", {dir.path() / "link-to-device"}, "to nie jest zwykły plik"},
        {"a loop of links", {dir.path() / "loop-a"}, "zapętlone dowiązania symboliczne"},
        {"a name too long", {dir.path() / longName}, "zbyt długa nazwa pliku"},
        {"a folder that is a file", {earlier / "x.txt"}, "część ścieżki nie jest folderem"},
    };
    if (!noLinks.empty()) {
        std::erase_if(cases, [&](const Case& c) {
            const std::string_view what = c.what;
            const bool symbolic =
                what == "a link to the input" || what == "a link to a device" || what == "a loop of links";
            if (symbolic) test::SkipCase(what, noLinks);
            return symbolic;
        });
    }
    for (const Case& c : cases) {
        std::vector<FileChange> changes;
        for (std::size_t k = 0; k < c.targets.size(); ++k) {
            changes.push_back({c.targets[k], text("new"), k == 0 ? "pierwszy" : "drugi"});
        }
        const WriteResult result = changeFilesTogether(changes, {{input, W("plik wejściowy")}});
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.message.rfind(W("Nie można zapisać pliku: ") + c.targets.back().string(), 0), 0U)
            << c.what << ": " << result.message;
        EXPECT_NE(result.message.find(W(c.reason)), std::string::npos) << c.what << ": " << result.message;
        const WriteResult checked = checkFileChanges(changes, {{input, W("plik wejściowy")}});
        if (checked.ok && std::string_view(c.what) == "a name too long" && test::OnWindows()) {
            test::SkipCase("a name too long, refused before writing", "Windows tells it only when the file is made");
        } else {
            EXPECT_EQ(checked.message, result.message) << c.what;
        }
        EXPECT_EQ(test::ReadFile(input), "input") << c.what;
        EXPECT_EQ(test::ReadFile(earlier), "earlier") << c.what;
        EXPECT_EQ(namesIn(dir.path()), before) << c.what;
    }
    if (pipes) {
        EXPECT_TRUE(fs::is_fifo(dir.path() / "pipe"));
    }
}

TEST(ChangeFiles, WritesThroughALinkAndKeepsPermissionsOfTheEarlierFile) {
    if (const std::string why = test::WhyNoSymbolicLinks(); !why.empty()) GTEST_SKIP() << why;
    test::TempDir dir;
    const fs::path real = dir.write("real.txt", "earlier");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir.path() / "sub");
    fs::create_symlink("../real.txt", dir.path() / "sub" / "link.txt");
    ASSERT_TRUE(writeFileAtomically(dir.path() / "sub" / "link.txt", text("new")).ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "sub" / "link.txt"));
    EXPECT_EQ(test::ReadFile(real), "new");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    const fs::perms shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(real, shared);
    ASSERT_TRUE(writeFileAtomically(real, text("again")).ok);
    EXPECT_EQ(fs::status(real).permissions(), shared);

    // A new file gets what any new file gets: everything the process's mask lets through.
    const auto mask = umask(022);
    ASSERT_TRUE(writeFileAtomically(dir.path() / "fresh.txt", text("x")).ok);
    umask(mask);
    EXPECT_EQ(fs::status(dir.path() / "fresh.txt").permissions(), shared);
}

TEST(ChangeFiles, AnyNameTheSystemAllowsCanBeWritten) {
    test::TempDir dir;
    for (const std::size_t length : {std::size_t{1}, std::size_t{200}, std::size_t{245}, std::size_t{255}}) {
        const fs::path target = dir.path() / std::string(length, 'n');
        const WriteResult result = writeFileAtomically(target, text("x"));
        EXPECT_TRUE(result.ok) << length << ": " << result.message;
        EXPECT_EQ(test::ReadFile(target), "x") << length;
    }
}

TEST(ChangeFiles, AllOrNothing) {
    struct Case {
        const char* what;
        bool secondFailsWhileWritten; // else when it is put in place
    };
    for (const Case c : {Case{"the second fails while written", true}, Case{"the second fails when put in place", false}}) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path first = dir.write("first.txt", "earlier first");
        const fs::path gone = dir.write("gone.txt", "earlier gone");
        const fs::path second = dir.path() / "second.txt";
        const Producer failing = [&](FileOutput& out) {
            out.write("new second");
            if (c.secondFailsWhileWritten) throw std::bad_alloc();
            // Checked and written, but a folder takes the name before the rename.
            fs::create_directory(second);
        };
        const WriteResult result = changeFilesTogether(
            {{first, text("new first"), "first"}, {gone, {}, "gone"}, {second, failing, "second"}});
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message.rfind(W("Nie można zapisać pliku: ") + second.string(), 0), 0U) << result.message;
        EXPECT_NE(result.message.find(W(c.secondFailsWhileWritten ? "za mało pamięci" : "to jest folder")),
                  std::string::npos)
            << result.message;
        EXPECT_EQ(test::ReadFile(first), "earlier first");
        EXPECT_EQ(test::ReadFile(gone), "earlier gone");
        std::vector<std::string> expected = {"first.txt", "gone.txt"};
        if (!c.secondFailsWhileWritten) expected.push_back("second.txt");
        EXPECT_EQ(namesIn(dir.path()), expected);
    }
}

TEST(ChangeFiles, ReplacesAndRemovesTogether) {
    test::TempDir dir;
    const fs::path kept = dir.write("kept.txt", "earlier");
    const fs::path gone = dir.write("gone.txt", "earlier");
    const bool links = test::WhyNoSymbolicLinks().empty();
    if (links) fs::create_symlink("kept.txt", dir.path() / "gone-link.txt");
    if (!links) test::SkipCase("a link removed", test::WhyNoSymbolicLinks());
    const WriteResult result = changeFilesTogether({{kept, text("new"), "kept"},
                                                    {gone, {}, "gone"},
                                                    {dir.path() / "gone-link.txt", {}, "gone link"},
                                                    {dir.path() / "never-there.txt", {}, "never there"}});
    ASSERT_TRUE(result.ok) << result.message;
    // A link to remove goes itself; the file it names stays.
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"kept.txt"});
    EXPECT_EQ(test::ReadFile(kept), "new");
}

TEST(ChangeFiles, TemporaryFilesOfAKilledRunGoWithTheNextWriteOnly) {
    test::TempDir dir;
    const fs::path abandoned = dir.write(".quarvel-0123abcd.tmp", "left by a killed run");
    const fs::path lookalike = dir.write(".quarvel-0123abcx.tmp", "not ours");
    const bool links = test::WhyNoSymbolicLinks().empty();
    if (links) fs::create_symlink("abandoned", dir.path() / ".quarvel-89abcdef.tmp");
    if (!links) test::SkipCase("a link with a temporary name", test::WhyNoSymbolicLinks());
    int error = 0;
    // One being written by a running process stays.
    platform::NativeFile held = platform::createOwnFile(dir.path() / ".quarvel-00000000.tmp", false, error);
    ASSERT_TRUE(held.isOpen()) << error;

    ASSERT_TRUE(writeFileAtomically(dir.path() / "out.txt", text("x")).ok);
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(lookalike));
    if (links) {
        EXPECT_TRUE(fs::is_symlink(dir.path() / ".quarvel-89abcdef.tmp"));
    }
    EXPECT_TRUE(fs::exists(dir.path() / ".quarvel-00000000.tmp"));

    held.close();
    ASSERT_TRUE(writeFileAtomically(dir.path() / "out.txt", text("y")).ok);
    EXPECT_FALSE(fs::exists(dir.path() / ".quarvel-00000000.tmp"));
    EXPECT_TRUE(isTemporaryFileName(".quarvel-0123abcd.tmp"));
    EXPECT_FALSE(isTemporaryFileName(lookalike.filename()));
}

} // namespace
} // namespace quarvel
