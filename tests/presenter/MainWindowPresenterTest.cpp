#include "CodePageIdentification.h"
#include "MainWindowPresenter.h"

#include "presenter/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <stdexcept>

namespace quarvel {
namespace {

using test::GridFixture;
using test::W;

constexpr int kNazwa1 = 2, kNip = 12;

TEST(OpenCommand, ACancelledDialogChangesNothing) {
    GridFixture g;
    g.t.ui.nextFile = g.dir.write("first.txt", test::FaultyContractors());
    chooseAndOpenFile(g.t.session);
    const WindowState before = g.state();
    g.t.ui.nextFile.reset();
    g.t.ui.busyCalls.clear();
    chooseAndOpenFile(g.t.session);
    ASSERT_EQ(g.t.ui.lastFilters.size(), 2U);
    EXPECT_EQ(g.t.ui.lastFilters[0].description + g.t.ui.lastFilters[0].pattern, "Pliki TXT*.txt");
    EXPECT_EQ(g.t.ui.lastFilters[1].description + g.t.ui.lastFilters[1].pattern, "Wszystkie pliki*.*");
    EXPECT_EQ(g.state().fileNameLabel.text, "first.txt");
    EXPECT_EQ(g.state().allCountLabel.text + g.state().validCountLabel.text + g.state().invalidCountLabel.text, "734");
    EXPECT_EQ(g.grid().rows, before.grid.rows);
    EXPECT_EQ(g.t.file().fileName, g.dir.path() / "first.txt");
    EXPECT_TRUE(g.t.ui.busyCalls.empty());
}

TEST(OpenCommand, TellsOfDataAnEndMarkLeftUnread) {
    GridFixture g;
    g.t.ui.nextFile = g.dir.write("przerwany.txt", "KONTRAHENCI\n" + test::Contractor() + "\x1A" + test::Contractor());
    chooseAndOpenFile(g.t.session);
    EXPECT_EQ(g.state().allCountLabel.text, "1");
    EXPECT_EQ(g.t.ui.messages,
              std::vector<std::string>{W("Znak końca pliku (0x1A) na początku linii nr 3 zakończył wczytywanie pliku: ") +
                                       g.t.ui.nextFile->string() + W("\rPominięto dalszą część pliku, bajtów: ") +
                                       std::to_string(test::Contractor().size())});
}

TEST(OpenCommand, ShowsTheCountsAndTheNameWithoutFolderWhateverTheOutcome) {
    struct Case {
        std::string name, content, all, ok, bad;
        bool gridVisible;
    };
    const std::vector<Case> cases = {
        {"kontrahenci.txt", test::FaultyContractors(), "7", "3", "4", true},
        {"zlecenia_łódź.txt", "ZLECENIA\n", "0", "0", "0", false},            // header, no data line
        {"zły.txt", "NAGLOWEK\n" + test::Contractor(), "0", "0", "0", false}, // no keyword: a message
        {"", "", "7", "0", "0", true},                                        // vanished: the earlier records stay
    };
    for (const Case& c : cases) {
        GridFixture g;
        g.t.ui.nextFile = g.dir.write("first.txt", test::FaultyContractors());
        chooseAndOpenFile(g.t.session);
        g.t.ui.busyCalls.clear();
        g.t.ui.nextFile = c.name.empty() ? g.dir.path() / "vanished.txt" : g.dir.write(c.name, c.content);
        chooseAndOpenFile(g.t.session);
        EXPECT_EQ(g.state().fileNameLabel.text, W(c.name.empty() ? "vanished.txt" : c.name));
        EXPECT_EQ(g.state().allCountLabel.text, c.all) << c.name;
        EXPECT_EQ(g.state().validCountLabel.text, c.ok) << c.name;
        EXPECT_EQ(g.state().invalidCountLabel.text, c.bad) << c.name;
        EXPECT_EQ(g.grid().visible, c.gridVisible) << c.name;
        EXPECT_EQ(g.t.file().fileName, *g.t.ui.nextFile) << c.name;
        EXPECT_EQ(g.t.ui.busyCalls.front(), true);
        EXPECT_EQ(g.t.ui.busyCalls.back(), false);
    }
}

// Switches a setting as the user would and runs its handler.
template <class Setting, class Value>
void change(GridFixture& g, Setting& setting, Value value, void (*handler)(Session&)) {
    setting = value;
    handler(g.t.session);
}

TEST(OptionChanges, OptionTogglesReRunCorrectionValidationAndTheGrid) {
    GridFixture g(test::FaultyContractors());
    g.select(kNazwa1, 2);
    change(g, g.state().trimFields.checked, false, trimFieldsToggled);
    EXPECT_EQ(g.lines(), (std::vector<std::string>{"4", "5", "6", "7", "8"})) << "the untrimmed name is too long";
    EXPECT_EQ(g.state().invalidCountLabel.text, "5");
    EXPECT_EQ(g.memo(), (std::vector<std::string>{W("Błędy dla wybranej linii:"), "1. Brak danych w linii nr 4"}))
        << "the details follow the first cell of the new grid";
    change(g, g.state().trimFields.checked, true, trimFieldsToggled);
    EXPECT_EQ(g.state().shownCountLabel.text, "4");

    g.show(RecordFilter::All);
    change(g, g.state().replaceControl.checked, true, replaceControlToggled);
    EXPECT_EQ(g.text(kNip, 5), "ab?cd");
    EXPECT_EQ(g.look(kNip, 5).background, kCellChanged);
    change(g, g.state().replaceControl.checked, false, replaceControlToggled);
    EXPECT_EQ(g.look(kNip, 5).background, kCellInvalid);
}

TEST(OptionChanges, ACodePageChangeReconvertsAndShowsTheMarkerWhileItDiffers) {
    // "Śląsk" in ISO-8859-2, where both letters lie elsewhere than in Windows-1250.
    GridFixture g("KONTRAHENCI|ISO_LATIN2\n" + test::Contractor("\xA6l\xB1sk"));
    ASSERT_EQ(g.t.file().identifiedCodePage, CodePage::IsoLatin2);
    g.show(RecordFilter::All);
    EXPECT_FALSE(g.state().otherCodePageMarker.visible);
    for (const auto& [page, name, marker, glyph] :
         {std::tuple{CodePage::WindowsEe, std::string("\xA6l\xB1sk"), true, Glyph::Cross},
          {CodePage::IsoLatin2, W("Śląsk"), false, Glyph::ValidTick}}) {
        change(g, g.state().codePageList.selected, codePageItem(page), codePageChosen);
        EXPECT_EQ(g.state().otherCodePageMarker.visible, marker) << page;
        EXPECT_EQ(g.text(kNazwa1, 1), name) << page;
        EXPECT_EQ(g.look(1, 1).left, glyph) << page;
        EXPECT_EQ(g.state().saveButton.enabled, !marker) << page;
    }
}

TEST(Details, ShowingAndHidingSetsHeightTopAndVisibility) {
    // A window of the design's width in the middle of a screen without panels or frame: the formula alone.
    for (const auto& [checked, screen, height, top] :
         {std::tuple{false, 1080, 220, 430}, {true, 1080, 646, 217}, {false, 769, 220, 274}, {true, 769, 646, 61}}) {
        WindowState state;
        state.showDetails.checked = checked;
        const ScreenRect area{0, 0, 1366, screen};
        const WindowPlacement current{259, 40, 848, checked ? 200 : 626};
        const DetailsLayout layout = layOutDetails(state, current, {area, area, {}});
        EXPECT_EQ(layout.placement, (WindowPlacement{259, top, 848, height})) << checked << " " << screen;
        EXPECT_EQ(layout.detailsVisible, checked);
    }
}

TEST(Details, TheWindowStaysOnTheScreenWithItsTitleBarInReach) {
    constexpr FrameMargins kFrame{1, 24, 1, 1}; // a title bar and thin borders
    struct Case {
        const char* what;
        ScreenRect screen;
        int panel; // height a panel at the top of the screen takes from the windows
        WindowPlacement current, expected;
    };
    const std::vector<Case> cases = {
        {"1920 x 1080: the formula holds", {0, 0, 1920, 1080}, 0, {535, 400, 848, 200}, {535, 217, 848, 646}},
        // 1366 x 768 at 150 %: 910 x 512 of the window system's pixels; the formula's top is -67.
        {"1366 x 768 at 150 %", {0, 0, 910, 512}, 0, {30, 150, 848, 200}, {30, 0, 848, 512 - 25}},
        // At 125 % the formula's top is -16, and the frame's bottom would fall 37 pixels below the screen.
        {"1366 x 768 at 125 %", {0, 0, 1092, 614}, 0, {100, 200, 848, 200}, {100, 0, 848, 614 - 25}},
        // A panel at the top: the frame starts below it, the client area shrinks by what it takes.
        {"a panel at the top", {0, 0, 1366, 640}, 30, {100, 200, 848, 200}, {100, 30, 848, 610 - 25}},
        {"a panel, room enough", {0, 0, 1366, 768}, 30, {100, 200, 848, 200}, {100, 61, 848, 646}},
        // Moved off the screen by the user: back inside, horizontally too.
        {"off the left edge", {0, 0, 1920, 1080}, 0, {-300, 10, 848, 200}, {0, 217, 848, 646}},
        {"off the right edge", {0, 0, 1920, 1080}, 0, {1500, 10, 848, 200}, {1920 - 850, 217, 848, 646}},
        // Narrower than the window: it starts at the left edge and gives up its width.
        {"a narrow screen", {0, 0, 800, 1080}, 0, {10, 10, 848, 200}, {0, 217, 798, 646}},
        // The second of two screens: the formula counts from that screen's top.
        {"a second screen", {1920, 100, 1280, 1024}, 0, {2000, 300, 848, 200}, {2000, 289, 848, 646}},
    };
    for (const Case& c : cases) {
        WindowState state;
        state.showDetails.checked = true;
        const ScreenRect available{c.screen.left, c.screen.top + c.panel, c.screen.width, c.screen.height - c.panel};
        EXPECT_EQ(layOutDetails(state, c.current, {c.screen, available, kFrame}).placement, c.expected) << c.what;
    }
    // Without a screen (none known yet) nothing is moved.
    const WindowPlacement anywhere{-5000, -5000, 848, 626};
    EXPECT_EQ(keepOnScreen(anywhere, kFrame, {}), anywhere);
}

TEST(Details, TheGridKeepsItsRowsBeforeTheStripsUnderTheBarKeepTheirHeight) {
    // 100 px of the record area are not rows, rows are 18 px, the strips want 144 and need at least 60.
    const auto split = [](int available) {
        return detailsSplit({available, 100, 18, 144, 60});
    };
    const int gridWanted = 100 + kGridRowsKept * 18;
    struct Case {
        int available, records, below;
    };
    for (const Case& c : {Case{gridWanted + 144 + 200, gridWanted + 200, 144}, // a tall window: the grid takes the rest
                          Case{gridWanted + 144, gridWanted, 144},             // the design's split
                          Case{gridWanted + 100, gridWanted, 100},             // shorter: the strips give way first
                          Case{gridWanted, gridWanted - 60, 60},               // down to their minimum
                          Case{40, 0, 60}}) {                                  // never below it
        const DetailsSplit s = split(c.available);
        EXPECT_EQ(std::pair(s.records, s.below), std::pair(c.records, c.below)) << c.available;
    }
}

TEST(Statistics, DesignPlacesHoldWhereTheTextsFitAndGiveWayWhereTheyDoNot) {
    // Captions ending at 215 (the first, widest one) and lower, as the window's font draws them; the
    // total's width proportional to its size.
    const auto measures = [](int contentsTop, int firstCount) {
        StatisticsMeasures m;
        m.contentsTop = contentsTop;
        m.captionRight = {215, 159, 176};
        m.valueWidth = {firstCount, 7, 9};
        m.widestGroup = 479;
        m.detailsHeight = 19;
        return m;
    };
    const auto totalOf = [](double pixelsPerPoint) {
        return [pixelsPerPoint](double points) { return static_cast<int>(std::lround(pixelsPerPoint * points)); };
    };
    struct Case {
        const char* what;
        StatisticsMeasures measures;
        double totalPixelsPerPoint;
        std::array<int, 3> rows;
        int valueRight, totalLeft, totalWidth;
        double points;
        bool cut;
        int groupWidth, groupHeight;
    };
    // A font in which the widest total of the pattern does not fit the strip even at the smallest size.
    StatisticsMeasures wideFont = measures(14, 7);
    wideFont.widestTotalAtSmallest = 250;
    const std::vector<Case> cases = {
        {"the design", measures(14, 7), 10, {16, 32, 48}, 270, 294, 172, 10, false, 470, 93},
        {"a taller title and border", measures(19, 7), 10, {21, 37, 53}, 270, 294, 172, 10, false, 470, 96},
        {"a seven-digit count", measures(14, 53), 10, {16, 32, 48}, 274, 298, 168, 10, false, 470, 93},
        {"a total wider than the group", measures(14, 7), 18, {16, 32, 48}, 270, 294, 180, 10, false, 478, 93},
        {"wider than the strip allows", measures(14, 7), 19.2, {16, 32, 48}, 270, 283, 192, 10, false, 479, 93},
        {"wider still: smaller", measures(14, 7), 21.5, {16, 32, 48}, 270, 282, 193, 8.5, false, 479, 93},
        {"too wide at any size", measures(14, 7), 40, {16, 32, 48}, 270, 282, 193, 8, true, 479, 93},
        {"a wide font: the group makes room", wideFont, 21.5, {16, 32, 48}, 270, 294, 215, 10, false, 513, 93},
        {"a wide font, past the pattern", wideFont, 40, {16, 32, 48}, 270, 282, 262, 8, true, 548, 93},
    };
    for (const Case& c : cases) {
        const StatisticsLayout l = statisticsLayout(c.measures, totalOf(c.totalPixelsPerPoint));
        EXPECT_EQ(l.rowTop, c.rows) << c.what;
        EXPECT_EQ(l.totalTop, c.rows[0] + 14) << c.what;
        EXPECT_EQ(l.detailsTop, c.rows[0] + 52) << c.what;
        EXPECT_EQ(std::tuple(l.valueRight, l.totalLeft), std::tuple(c.valueRight, c.totalLeft)) << c.what;
        EXPECT_EQ(l.totalWidth, c.totalWidth) << c.what;
        EXPECT_EQ(std::tuple(l.totalPoints, l.totalCut), std::tuple(c.points, c.cut)) << c.what;
        EXPECT_EQ(std::tuple(l.groupWidth, l.groupHeight), std::tuple(c.groupWidth, c.groupHeight)) << c.what;
    }
}

TEST(OpenCommand, DataLeftAfterAnEndMarkIsAWarning) {
    GridFixture g;
    const std::string tail = "\x1A" + test::Contractor();
    g.t.ui.nextFile = g.dir.write("kontrahenci.txt", "KONTRAHENCI\n" + test::Contractor() + tail);
    chooseAndOpenFile(g.t.session);
    ASSERT_EQ(g.t.ui.messages.size(), 1U);
    EXPECT_EQ(g.t.ui.messageKinds, std::vector{MessageKind::Warning});
}

TEST(OpenCommand, ATieOfCodePagesReadingTheLettersApartIsAWarning) {
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"no code page named", "KONTRAHENCI\nPaj\xA5k" + test::Contractor(),
         {tieWarningMessage({CodePage::Mazovia, CodePage::Csk, CodePage::IbmLatin2, CodePage::Ventura, CodePage::WindowsEe})}},
        {"the code page named", "KONTRAHENCI|IBM_LATIN2\nPaj\xA5k" + test::Contractor(), {}},
        {"CYFROMAT and DHN alone", "KONTRAHENCI\nx\x89\x8A" + test::Contractor(), {}},
    };
    for (const Case& c : cases) {
        GridFixture g;
        g.t.ui.nextFile = g.dir.write("remis.txt", c.content);
        chooseAndOpenFile(g.t.session);
        EXPECT_EQ(g.t.ui.messages, c.messages) << c.what;
    }
    EXPECT_EQ(tieWarningMessage({CodePage::Mazovia, CodePage::Csk}),
              W("Strona kodowa rozpoznana przy remisie liczby polskich liter (MAZOVIA, CSK); sprawdź polskie litery "
                "albo podaj stronę kodową (--code-page)"));
}

TEST(OpenCommand, TheDialogStartsInTheFolderOfTheFileLoadedLast) {
    GridFixture g;
    g.t.ui.nextFile.reset();
    chooseAndOpenFile(g.t.session);
    EXPECT_EQ(g.t.ui.lastStartFolder, std::filesystem::path()) << "nothing loaded yet: where the platform starts";

    std::filesystem::create_directories(g.dir.path() / "a" / "b");
    g.t.ui.nextFile = g.dir.write("a/b/first.txt", test::FaultyContractors());
    chooseAndOpenFile(g.t.session);
    g.t.ui.nextFile.reset();
    chooseAndOpenFile(g.t.session);
    EXPECT_EQ(g.t.ui.lastStartFolder, g.dir.path() / "a" / "b");

    // A file that could not be read still is the one loaded last.
    g.t.ui.nextFile = g.dir.write("second.txt", "NAGLOWEK\n");
    chooseAndOpenFile(g.t.session);
    g.t.ui.nextFile.reset();
    chooseAndOpenFile(g.t.session);
    EXPECT_EQ(g.t.ui.lastStartFolder, g.dir.path());

    // A folder removed since: the nearest one above it that is still there.
    g.t.file().fileName = g.dir.path() / "a" / "b" / "first.txt";
    std::filesystem::remove_all(g.dir.path() / "a" / "b");
    EXPECT_EQ(openDialogFolder(g.t.file()), g.dir.path() / "a");
}

// The busy cursor is on while the output is written and off again however the write ends: saved,
// failed, or broken off by an exception.
TEST(SaveCommand, IsBusyOnlyWhileTheOutputIsWritten) {
    struct Case {
        const char* what;
        OutputOpener open;
        bool throws;
        std::vector<MessageKind> shown;
    };
    const OutputOpener breaking = [](platform::NativeFile&) -> std::unique_ptr<FileOutput> {
        throw std::runtime_error("broken");
    };
    const std::vector<Case> cases = {
        {"saved", openFileOutput, false, {MessageKind::Information}},
        {"disk full", test::FailingOutput(10, ENOSPC), false, {MessageKind::Error}},
        {"broken off", breaking, true, {}},
    };
    for (const Case& c : cases) {
        GridFixture g(test::FaultyContractors());
        g.t.session.openOutput = c.open;
        g.t.ui.busyCalls.clear();
        g.t.ui.messageKinds.clear();
        if (c.throws) {
            EXPECT_THROW(saveValidRecordsAndLog(g.t.session), std::runtime_error) << c.what;
        } else {
            EXPECT_EQ(saveValidRecordsAndLog(g.t.session).ok, c.shown.front() == MessageKind::Information)
                << c.what;
        }
        EXPECT_EQ(g.t.ui.busyCalls, (std::vector<bool>{true, false})) << c.what;
        EXPECT_EQ(g.t.ui.messageKinds, c.shown) << c.what;
    }
}

} // namespace
} // namespace quarvel
