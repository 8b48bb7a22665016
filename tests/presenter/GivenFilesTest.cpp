// Files given outside the open command's dialog: named when the program starts, or dropped on its window.

#include "MainWindowPresenter.h"
#include "presenter/ViewTestSupport.h"
#include "ViewTexts.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using test::GridFixture;

// What the window shows after an open, to compare two roads to it.
std::vector<std::string> Shown(GridFixture& g) {
    const WindowState& s = g.state();
    std::vector<std::string> shown = {s.fileNameLabel.text,
                                      s.allCountLabel.text,
                                      s.validCountLabel.text,
                                      s.invalidCountLabel.text,
                                      s.kindPanel.text,
                                      std::to_string(s.codePageList.selected),
                                      s.saveButton.enabled ? "save on" : "save off",
                                      s.grid.visible ? "grid shown" : "grid hidden",
                                      g.t.file().fileName.string()};
    for (const std::string& message : g.t.ui.messages) shown.push_back("message: " + message);
    for (const std::size_t row : s.grid.rows) shown.push_back("row " + std::to_string(row));
    return shown;
}

TEST(GivenFiles, OneFileOpensExactlyAsWhenChosenInTheOpenDialog) {
    struct Case {
        std::string what;
        std::string name;                 // in a folder of its own; empty: that folder
        std::optional<std::string> bytes; // none: the file is missing
        std::size_t messages;
    };
    const std::vector<Case> cases = {
        {"a contractors file", "kontrahenci.txt", test::FaultyContractors(), 0},
        {"a header without keyword", "zły nagłówek.txt", "NAGLOWEK\n" + test::Contractor(), 1},
        {"a header and no line", "zlecenia.txt", "ZLECENIA\n", 0},
        {"a missing file: as one that vanished after the dialog", "nie ma.txt", std::nullopt, 0},
        {"a folder", "", std::nullopt, 1},
        {"a device", test::DeviceName(), std::nullopt, 1}, // an absolute name replaces the folder
    };
    for (const Case& c : cases) {
        const test::TempDir files;
        std::filesystem::path file = files.path() / platform::pathFromUtf8(c.name);
        if (c.bytes) file = files.write(c.name, *c.bytes);
        // Each road starts from the same earlier load, which a failed open must leave in place.
        GridFixture viaDialog(test::FaultyContractors());
        viaDialog.t.ui.nextFile = file;
        chooseAndOpenFile(viaDialog.t.session);
        GridFixture given(test::FaultyContractors());
        given.t.ui.busyCalls.clear();
        openGivenFiles(given.t.session, {file});
        const std::vector<std::string> expected = Shown(viaDialog);
        const std::vector<std::string> actual = Shown(given);
        EXPECT_EQ(actual, expected) << c.what;
        EXPECT_EQ(given.t.ui.messages.size(), c.messages) << c.what;
        ASSERT_FALSE(given.t.ui.busyCalls.empty()) << c.what;
        EXPECT_EQ(given.t.ui.busyCalls.back(), false) << c.what;
    }
}

TEST(GivenFiles, MoreThanOneIsRefusedWithAMessageAndNoneDoesNothing) {
    GridFixture g(test::FaultyContractors());
    const std::vector<std::string> before = Shown(g);
    const auto second = g.dir.write("drugi.txt", "ZLECENIA\n");

    openGivenFiles(g.t.session, {});
    EXPECT_EQ(Shown(g), before);

    g.t.ui.busyCalls.clear();
    openGivenFiles(g.t.session, {second, second});
    ASSERT_EQ(g.t.ui.messages, std::vector<std::string>{texts::kOnlyOneFile});
    g.t.ui.messages.clear();
    EXPECT_EQ(Shown(g), before);
    EXPECT_TRUE(g.t.ui.busyCalls.empty());
    EXPECT_EQ(texts::kOnlyOneFile, test::W("Można wczytać tylko jeden plik naraz."));
}

TEST(GivenFiles, ANameRelativeToTheWorkingFolderIsMadeWhole) {
    GridFixture g;
    g.dir.write("zlecenia.txt", "ZLECENIA\n");
    const std::filesystem::path working = std::filesystem::current_path();
    std::filesystem::current_path(g.dir.path());
    openGivenFiles(g.t.session, {"zlecenia.txt"});
    std::filesystem::current_path(working);
    EXPECT_EQ(g.t.file().fileName, g.dir.path() / "zlecenia.txt");
    EXPECT_EQ(g.state().fileNameLabel.text, "zlecenia.txt");
    EXPECT_EQ(g.state().kindPanel.text, "ZLECENIA");
}

} // namespace
} // namespace quarvel
