#include "view/MainWindow.h"

#include "view/ViewTestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using test::GridFixture;
using test::W;

constexpr int kNazwa1 = 2, kNip = 12;

TEST(OpenCommand, ACancelledDialogChangesNothing) {
    GridFixture g;
    g.t.ui.nextFile = g.dir.write("first.txt", test::FaultyContractors());
    bOtworzPlikClick(g.t.session);
    const WindowState before = g.state();
    g.t.ui.nextFile.reset();
    g.t.ui.busyCalls.clear();
    bOtworzPlikClick(g.t.session);
    ASSERT_EQ(g.t.ui.lastFilters.size(), 2U);
    EXPECT_EQ(g.t.ui.lastFilters[0].description + g.t.ui.lastFilters[0].pattern, "Pliki TXT*.txt");
    EXPECT_EQ(g.t.ui.lastFilters[1].description + g.t.ui.lastFilters[1].pattern, "Wszystkie pliki*.*");
    EXPECT_EQ(g.state().LabelNazwaPliku.text, "first.txt");
    EXPECT_EQ(g.state().LabelStatAll.text + g.state().LabelStatOK.text + g.state().LabelStatZle.text, "734");
    EXPECT_EQ(g.grid().rows, before.StringGridWczytane.rows);
    EXPECT_EQ(g.t.file().fileName, g.dir.path() / "first.txt");
    EXPECT_TRUE(g.t.ui.busyCalls.empty());
}

TEST(OpenCommand, TellsOfDataAnEndMarkLeftUnread) {
    GridFixture g;
    g.t.ui.nextFile = g.dir.write("przerwany.txt", "KONTRAHENCI\n" + test::Contractor() + "\x1A" + test::Contractor());
    bOtworzPlikClick(g.t.session);
    EXPECT_EQ(g.state().LabelStatAll.text, "1");
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
        bOtworzPlikClick(g.t.session);
        g.t.ui.busyCalls.clear();
        g.t.ui.nextFile = c.name.empty() ? g.dir.path() / "vanished.txt" : g.dir.write(c.name, c.content);
        bOtworzPlikClick(g.t.session);
        EXPECT_EQ(g.state().LabelNazwaPliku.text, W(c.name.empty() ? "vanished.txt" : c.name));
        EXPECT_EQ(g.state().LabelStatAll.text, c.all) << c.name;
        EXPECT_EQ(g.state().LabelStatOK.text, c.ok) << c.name;
        EXPECT_EQ(g.state().LabelStatZle.text, c.bad) << c.name;
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

TEST(Handlers, OptionTogglesReRunCorrectionValidationAndTheGrid) {
    GridFixture g(test::FaultyContractors());
    g.select(kNazwa1, 2);
    change(g, g.state().cbPrzytnijPola.checked, false, cbPrzytnijPolaClick);
    EXPECT_EQ(g.lines(), (std::vector<std::string>{"4", "5", "6", "7", "8"})) << "the untrimmed name is too long";
    EXPECT_EQ(g.state().LabelStatZle.text, "5");
    EXPECT_TRUE(g.memo().empty());
    change(g, g.state().cbPrzytnijPola.checked, true, cbPrzytnijPolaClick);
    EXPECT_EQ(g.state().LabelIloscWybranychRekordow.text, "4");

    g.show(RecordFilter::All);
    change(g, g.state().cbZamienNiedozwoloneZnaki.checked, true, cbZamienNiedozwoloneZnakiClick);
    EXPECT_EQ(g.text(kNip, 5), "ab?cd");
    EXPECT_EQ(g.look(kNip, 5).background, kCellChanged);
    change(g, g.state().cbZamienNiedozwoloneZnaki.checked, false, cbZamienNiedozwoloneZnakiClick);
    EXPECT_EQ(g.look(kNip, 5).background, kCellInvalid);
}

TEST(Handlers, ACodePageChangeReconvertsAndShowsTheMarkerWhileItDiffers) {
    // "Śląsk" in ISO-8859-2, where both letters lie elsewhere than in Windows-1250.
    GridFixture g("KONTRAHENCI|ISO_LATIN2\n" + test::Contractor("\xA6l\xB1sk"));
    ASSERT_EQ(g.t.file().identifiedCodePage, ISO_LATIN2);
    g.show(RecordFilter::All);
    EXPECT_FALSE(g.state().ShapeInnaStronaKodowaWPliku.visible);
    for (const auto& [page, name, marker, glyph] :
         {std::tuple{WINDOWS_EE, std::string("\xA6l\xB1sk"), true, Glyph::Cross},
          {ISO_LATIN2, W("Śląsk"), false, Glyph::ValidTick}}) {
        change(g, g.state().ComboBoxStrona.selected, page, ComboBoxStronaChange);
        EXPECT_EQ(g.state().ShapeInnaStronaKodowaWPliku.visible, marker) << page;
        EXPECT_EQ(g.text(kNazwa1, 1), name) << page;
        EXPECT_EQ(g.look(1, 1).left, glyph) << page;
        EXPECT_EQ(g.state().bZapiszTylkoPrawidlowe.enabled, !marker) << page;
    }
}

TEST(Details, ShowingAndHidingSetsHeightTopAndVisibility) {
    for (const auto& [checked, screen, height, top] :
         {std::tuple{false, 1080, 180, 450}, {true, 1080, 606, 237}, {false, 769, 180, 294}, {true, 769, 606, 81}}) {
        WindowState state;
        state.cbPokazSzczegoly.checked = checked;
        const DetailsLayout layout = PokazUkryjSzczegoly(state, screen);
        EXPECT_EQ(std::tuple(layout.clientHeight, layout.top, layout.detailsVisible), std::tuple(height, top, checked));
    }
}

} // namespace
} // namespace quarvel
