#include "RecordGrid.h"

#include "presenter/ViewTestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using test::GridFixture;
using test::kNrb;
using test::W;

constexpr int kNazwa1 = 2, kNazwa2 = 3, kAdres2 = 5, kKonto = 6, kLogo = 11, kNip = 12, kFax = 14;

TEST(RecordGrid, FiltersChooseTheRowsAndTheirCount) {
    GridFixture g(test::FaultyContractors());
    for (const auto& [filter, lines] :
         {std::pair{RecordFilter::All, std::vector<std::string>{"2", "3", "4", "5", "6", "7", "8"}},
          {RecordFilter::InvalidOnly, {"4", "5", "6", "7"}},
          {RecordFilter::ValidOnly, {"2", "3", "8"}}}) {
        g.show(filter);
        EXPECT_EQ(g.lines(), lines);
        EXPECT_EQ(g.state().shownCountLabel.text, std::to_string(lines.size()));
        EXPECT_EQ(recordOfRow(g.t.session, 1), std::stol(lines[0]) - 2);
        EXPECT_TRUE(g.grid().visible);
    }
    GridFixture valid("KONTRAHENCI\n" + test::Contractor()); // start-up filter: only invalid records
    EXPECT_FALSE(valid.grid().visible);
    EXPECT_EQ(valid.state().shownCountLabel.text, "0");
}

TEST(RecordGrid, CellTextsColoursAndGlyphs) {
    GridFixture g(test::FaultyContractors());
    g.show(RecordFilter::All);
    struct Cell {
        int column, row;
        std::string text;
        Rgb background;
    };
    const std::vector<Cell> cells = {
        {kNazwa1, 1, "Firma", kCellPlain},
        {kLogo, 1, "", kCellOptional},   // optional, missing from the line
        {kKonto, 2, kNrb, kCellChanged}, // "PL" dropped
        {kNazwa1, 3, "", kCellInvalid},
        {kLogo, 3, "", kCellInvalid},      // a line without data
        {kNazwa1, 4, "Firma", kCellPlain}, // only the line is faulty
        {kKonto, 5, "123", kCellInvalid},  // changed and invalid: pink wins
        {kNip, 5, "ab\001cd", kCellInvalid},
        {kLogo, 5, "LOGO", kCellOptional},
        {kAdres2, 6, "", kCellInvalid}, // required and missing
        {kNazwa1, 7, std::string(35, 'N'), kCellChanged},
        {kLogo, 7, "ABCDEFGHIJ", kCellChanged}, // trimmed
    };
    for (const Cell& c : cells) {
        EXPECT_EQ(g.text(c.column, c.row), c.text) << c.column << "," << c.row;
        EXPECT_EQ(g.look(c.column, c.row).kind, CellKind::Field);
        EXPECT_EQ(g.look(c.column, c.row).background, c.background) << c.column << "," << c.row;
    }
    const std::vector<std::pair<Glyph, Glyph>> glyphs = {{Glyph::ValidTick, Glyph::UnchangedTick},
                                                         {Glyph::ValidTick, Glyph::Changed},
                                                         {Glyph::Cross, Glyph::None},
                                                         {Glyph::Cross, Glyph::None},
                                                         {Glyph::Cross, Glyph::None},
                                                         {Glyph::Cross, Glyph::None},
                                                         {Glyph::ValidTick, Glyph::Changed}};
    for (int row = 1; row <= 7; ++row) {
        EXPECT_EQ(g.look(1, row).left, glyphs[row - 1].first) << row;
        EXPECT_EQ(g.look(1, row).right, glyphs[row - 1].second) << row;
    }
    EXPECT_EQ(g.text(0, 0) + g.text(1, 0) + g.text(kFax, 0), "LiniaStatusFAX");
    EXPECT_EQ(g.text(0, 3) + g.text(1, 3), "4") << "line number; the status column has no text";
    EXPECT_EQ(g.look(0, 1).kind, CellKind::LineNumber);
    EXPECT_EQ(g.look(kNazwa1, 0).kind, CellKind::Header);
    EXPECT_TRUE(g.look(kNazwa1, 1).blackFrame && !g.look(kNazwa2, 1).blackFrame) << "selected after the filling";
}

TEST(RecordGrid, DetailsOfTheSelectedRecordAndField) {
    GridFixture g(test::FaultyContractors());
    g.show(RecordFilter::All);
    const std::string lineBlock = W("Błędy dla wybranej linii:"), fieldBlock = W("Błędy w polach dla wybranej linii: ");
    const std::string empty = W(": Wymagane pole jest puste"), nrb = W(": Nieprawidłowy numer NRB");
    struct Case {
        int column, row;
        std::vector<std::string> memo;
        std::string original; // empty: the box is emptied and disabled
    };
    const std::vector<Case> cases = {
        {kNazwa1, 1, {}, ""},
        {kKonto, 2, {}, "PL" + kNrb},
        {kNazwa1, 2, {}, ""},
        {kKonto, 3, {lineBlock, "1. Brak danych w linii nr 4"}, ""},
        {kNazwa1, 4, {lineBlock, W("1. Zbyt duża ilość pól w linii nr 5")}, ""},
        {kKonto, 5, {fieldBlock, "1. NUMER KONTA" + nrb, W("1. NIP: Pole zawiera znaki niezgodne z Windows")}, "PL123"},
        {kFax,
         6,
         {fieldBlock, "1. ADRES2" + empty, "1. NUMER KONTA" + empty, "2. NUMER KONTA" + nrb, "1. NAZWA BANKU1" + empty,
          "1. NAZWA BANKU2" + empty, "1. ADRES BANKU1" + empty, "1. ADRES BANKU2" + empty},
         ""},
        {kNazwa1, 7, {}, std::string(36, 'N')},
    };
    for (const Case& c : cases) {
        g.memo() = {"stale"};
        g.original() = EditState{"stale", c.original.empty(), kRed};
        g.select(c.column, c.row);
        EXPECT_EQ(g.memo(), c.memo) << c.row;
        EXPECT_EQ(g.original().text, c.original) << c.row;
        EXPECT_EQ(g.original().enabled, !c.original.empty()) << c.row;
        if (!c.original.empty()) {
            EXPECT_EQ(g.original().background, kWhite) << c.row;
        }
        EXPECT_EQ(std::pair(g.grid().currentRow, g.grid().currentColumn), std::pair(c.row, c.column));
    }
    for (const auto& [column, row] : {std::pair{1, 5}, {kKonto, 0}, {kKonto, 8}, {15, 5}}) {
        g.select(column, row);
        EXPECT_TRUE(g.memo().empty()) << column << "," << row;
        EXPECT_EQ(g.original().text, std::string(36, 'N')) << "only the memo is emptied";
    }
}

TEST(RecordGrid, ColumnWidthsAndGlyphPositions) {
    for (const auto& [maxLength, width] : {std::pair{0, 120}, {10, 120}, {17, 122}, {18, 130}, {35, 252}, {40, 288}}) {
        EXPECT_EQ(fieldColumnWidth(maxLength), width) << maxLength;
    }
    GridFixture g("ZLECENIA\n1|2\n");
    ASSERT_EQ(gridColumnCount(g.state()), 13);
    EXPECT_EQ(g.grid().columns[1].width, 50);
    EXPECT_EQ(g.grid().columns[4].header, W("NUMER KONTA OBCIĄŻANEGO"));
    EXPECT_EQ(g.grid().columns[4].width, 288);
    for (const auto& [w, h, leftX, rightX, y] :
         {std::tuple{50, 18, 108, 132, 40}, {51, 19, 108, 132, 40}, {120, 30, 125, 185, 46}}) {
        const GlyphPlacement p = glyphPositions(100, 36, w, h);
        EXPECT_EQ(std::tuple(p.leftX, p.rightX, p.y), std::tuple(leftX, rightX, y)) << w << "x" << h;
    }
}

TEST(RecordGrid, EveryFillingShowsTheDetailsOfItsFirstCellAndNothingEarlier) {
    GridFixture g(test::FaultyContractors());
    const std::vector<std::string> fourthLine{W("Błędy dla wybranej linii:"), "1. Brak danych w linii nr 4"};
    for (const auto& [filter, memo] : {std::pair{RecordFilter::All, std::vector<std::string>{}},
                                       {RecordFilter::InvalidOnly, fourthLine},
                                       {RecordFilter::ValidOnly, std::vector<std::string>{}}}) {
        g.show(RecordFilter::All);
        g.select(kKonto, 5); // a changed value with its messages, which the filling must not leave behind
        ASSERT_TRUE(g.original().enabled);
        g.t.ui.busyCalls.clear();
        g.show(filter);
        EXPECT_EQ(g.memo(), memo) << static_cast<int>(filter);
        EXPECT_EQ(g.original().text, "") << static_cast<int>(filter);
        EXPECT_FALSE(g.original().enabled);
        EXPECT_EQ(std::pair(g.grid().currentRow, g.grid().currentColumn), std::pair(1, kNazwa1));
        EXPECT_EQ(g.t.ui.busyCalls, (std::vector<bool>{true, false}));
    }
    // A load that ends without records leaves no details of the file before.
    g.show(RecordFilter::All);
    g.select(kKonto, 5);
    test::LoadBytes(g.t, g.dir, "NAGLOWEK\nFirma|a\n", "bad.txt");
    EXPECT_TRUE(g.memo().empty());
    EXPECT_EQ(g.original().text, "");
}

TEST(RecordGrid, AFirstLineWithoutDataStillGetsEveryColumn) {
    GridFixture g("KONTRAHENCI\n\n" + test::Contractor());
    g.show(RecordFilter::All);
    ASSERT_EQ(gridColumnCount(g.state()), 15);
    EXPECT_EQ(g.lines(), (std::vector<std::string>{"2", "3"}));
    for (int column = kNazwa1; column <= kFax; ++column) {
        EXPECT_EQ(g.text(column, 1), "");
        EXPECT_EQ(g.look(column, 1).background, kCellInvalid) << column;
    }
    EXPECT_EQ(g.look(1, 1).left, Glyph::Cross);
    g.select(kFax, 1);
    EXPECT_EQ(g.memo(), (std::vector<std::string>{W("Błędy dla wybranej linii:"), "1. Brak danych w linii nr 2"}));
    EXPECT_FALSE(g.original().enabled);
}

TEST(RecordGrid, ALoadWithoutRecordsHidesTheGridAndLeavesNoRowNamingARecord) {
    GridFixture g(test::FaultyContractors());
    g.show(RecordFilter::All);
    test::LoadBytes(g.t, g.dir, "NAGLOWEK\nFirma|a\n", "bad.txt");
    EXPECT_FALSE(g.grid().visible);
    g.show(RecordFilter::All);
    EXPECT_FALSE(g.grid().visible);
    for (int row = 1; row < gridRowCount(g.state()); ++row) {
        EXPECT_EQ(recordOfRow(g.t.session, row), -1);
        EXPECT_EQ(g.text(kNazwa1, row), "");
        EXPECT_EQ(g.look(1, row).left, Glyph::None);
        g.select(kNazwa1, row);
    }
}

// Notes never make a record invalid: a noted record keeps its place among the valid ones, shows the note's
// sign where the valid tick stands, is listed by its own filter and tells its notes under "Uwagi:".
TEST(RecordGrid, NotesHaveTheirSignTheirFilterAndTheirDetails) {
    const std::string a = "61109010140000071219812874", b = "27114020040000300201355387";
    const auto order = [&](const std::string& date, const std::string& amount) {
        return date + "|" + amount + "|" + a + "|" + b + "|x|y\n";
    };
    // The clock says 7 December 2026; the 24th is a holiday before a holiday and a weekend.
    GridFixture g("ZLECENIA\n" + order("12/08/26", "10") + order("12/24/26", "10") + order("12/08/26", "zle") +
                  order("12/08/26", "11"));
    g.show(RecordFilter::WithNotes);
    EXPECT_EQ(g.lines(), std::vector<std::string>{"3"});
    EXPECT_EQ(g.state().shownCountLabel.text, "1");
    g.select(2, 1);
    EXPECT_EQ(g.memo(), (std::vector<std::string>{"Uwagi:", W("1. Możliwe podwójne zlecenie: takie samo jak w linii nr 2"),
                                                  W("2. Data wykonania przypada w dzień wolny od pracy; bank wykona "
                                                    "zlecenie w najbliższym dniu roboczym: poniedziałek, 28.12.2026")}));
    g.show(RecordFilter::All);
    const std::vector<Glyph> left = {Glyph::ValidTick, Glyph::Note, Glyph::Cross, Glyph::ValidTick};
    for (int row = 1; row <= 4; ++row)
        EXPECT_EQ(g.look(1, row).left, left[row - 1]) << row;
    g.show(RecordFilter::ValidOnly);
    EXPECT_EQ(g.lines(), (std::vector<std::string>{"2", "3", "5"}));
}

// The NIP option re-runs the checks like the other options, and stays for the next file loaded.
TEST(RecordGrid, TheNipOptionJudgesNipsAndStaysAcrossLoads) {
    const std::string wrong = "KONTRAHENCI\n" + test::Contractor("Firma", kNrb, "|L|1234563219") +
                              test::Contractor("Firma", kNrb, "|L|123-456-32-18");
    GridFixture g(wrong);
    g.show(RecordFilter::All);
    EXPECT_EQ(g.t.session.file.invalidCount, 0);
    g.state().checkNipDigits.checked = true;
    checkNipDigitsToggled(g.t.session);
    EXPECT_EQ(g.t.session.file.invalidCount, 1);
    EXPECT_EQ(g.look(1, 1).left, Glyph::Cross);
    EXPECT_EQ(g.look(1, 2).left, Glyph::ValidTick);
    g.select(kNip, 1);
    EXPECT_EQ(g.memo(), (std::vector<std::string>{W("Błędy w polach dla wybranej linii: "),
                                                  W("1. NIP: Nieprawidłowy numer NIP")}));
    EXPECT_EQ(g.text(kNip, 1), "1234563219") << "the value stays as it stands";
    test::LoadBytes(g.t, g.dir, wrong);
    EXPECT_TRUE(g.state().checkNipDigits.checked);
    EXPECT_EQ(g.t.session.file.invalidCount, 1);
}

} // namespace
} // namespace quarvel
