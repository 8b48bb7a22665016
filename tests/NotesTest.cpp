#include "Notes.h"

#include "Pipeline.h"
#include "Validation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvel {
namespace {

using test::W;

const std::string kDebited = "12345678901234567890123456";
const std::string kCredited = "98765432109876543210987654";
// Today is Monday 7 December 2026 (test::kDecember7); 8 December is a Tuesday.
constexpr std::chrono::year kCurrentYear{2026};

struct Order {
    std::string date = "12/08/26";
    std::string amount = "100.50";
    std::string debited = kDebited;
    std::string credited = kCredited;
    std::string title1 = "Faktura 1";
    std::string title2 = "Czerwiec";
    std::string title3 = "";
    std::string title4 = "";

    std::string line() const {
        return date + "|" + amount + "|" + debited + "|" + credited + "|" + title1 + "|" + title2 + "|||" + "|" +
               title3 + "|" + title4 + "\n";
    }
};

// Each note as its record's line number and its text, in order.
std::vector<std::string> notesOf(const std::vector<RecordNote>& notes) {
    std::vector<std::string> texts;
    for (const RecordNote& note : notes)
        texts.push_back(std::to_string(LoadedFile::lineNumber(note.record)) + ": " + noteText(note));
    return texts;
}

std::string doubleNote(int line, int earlierLine) {
    return std::to_string(line) + ": " + W("Możliwe podwójne zlecenie: takie samo jak w linii nr ") +
           std::to_string(earlierLine);
}

TEST(Notes, AnOrderLikeAnEarlierValidOneInEveryComparedFieldIsAPossibleDoublePayment) {
    const auto with = [](auto change) {
        Order order;
        change(order);
        return order.line();
    };
    const std::string base = Order{}.line();
    struct Case {
        const char* what;
        std::string lines; // after the header; the first order is line 2
        std::vector<std::string> notes;
    };
    const std::vector<Case> cases = {
        {"the same order", base + base, {doubleNote(3, 2)}},
        {"another debited account", base + with([](Order& o) { o.debited = kCredited; }), {}},
        {"another credited account", base + with([](Order& o) { o.credited = kDebited; }), {}},
        {"another amount", base + with([](Order& o) { o.amount = "100.51"; }), {}},
        {"another first title", base + with([](Order& o) { o.title1 = "Faktura 2"; }), {}},
        {"another invoice number at the end of a long title",
         with([](Order& o) { o.title3 = "Faktura VAT nr 2026/12/000123"; }) +
             with([](Order& o) { o.title3 = "Faktura VAT nr 2026/12/000124"; }),
         {}},
        {"another second title", base + with([](Order& o) { o.title2 = "Lipiec"; }), {}},
        {"another third title", base + with([](Order& o) { o.title3 = "x"; }), {}},
        {"another fourth title", base + with([](Order& o) { o.title4 = "x"; }), {}},
        {"titles differing only in case", base + with([](Order& o) { o.title1 = "FAKTURA 1"; }), {}},
        {"text moved from one title to the next",
         with([](Order& o) {
             o.title1 = "ab";
             o.title2 = "c";
         }) + with([](Order& o) {
             o.title1 = "a";
             o.title2 = "bc";
         }),
         {}},
        {"another date and transfer type only",
         base + "12/09/26|100.50|" + kDebited + "|" + kCredited + "|Faktura 1|Czerwiec|X|PLN|S||\n",
         {doubleNote(3, 2)}},
        {"the same amount written otherwise", base + with([](Order& o) { o.amount = "100.5"; }), {doubleNote(3, 2)}},
        {"the same accounts before correction",
         base + with([](Order& o) {
             o.debited = "PL" + kDebited;
             o.credited = "98 7654 3210 9876 5432 1098 7654";
         }),
         {doubleNote(3, 2)}},
        {"a third copy names the first",
         base + with([](Order& o) { o.title1 = "x"; }) + base + base,
         {doubleNote(4, 2), doubleNote(5, 2)}},
        {"an invalid earlier order", with([](Order& o) { o.date = "13/01/26"; }) + base + base, {doubleNote(4, 3)}},
        {"an invalid later order", base + with([](Order& o) { o.amount = "100,50"; }), {}},
        {"lines without data between", base + "\n\n" + base, {doubleNote(5, 2)}},
        {"two pairs",
         base + with([](Order& o) { o.amount = "7"; }) + base + with([](Order& o) { o.amount = "7"; }),
         {doubleNote(4, 2), doubleNote(5, 3)}},
    };
    for (const Case& c : cases) {
        test::LoadedBytes l("ZLECENIA\n" + c.lines);
        EXPECT_EQ(notesOf(findPossibleDoublePayments(l.file())), c.notes) << c.what;
        // Orders filed under one hash are compared in full, each with every earlier one: orders that differ
        // must hash apart, or many orders alike but for a title make the search quadratic; and so must the
        // tags the checks keep in the records, which the search reads. Judged on the last two orders of the
        // cases of two or three.
        const RecordList& records = l.file().records();
        const std::size_t n = records.size();
        if ((n == 2 || n == 3) && records[n - 2].isValid() && records[n - 1].isValid()) {
            const bool alike =
                c.notes == std::vector<std::string>{doubleNote(static_cast<int>(n) + 1, static_cast<int>(n))};
            const Record& earlier = records[n - 2];
            const Record& later = records[n - 1];
            EXPECT_EQ(sameOrderHash(l.file(), earlier) == sameOrderHash(l.file(), later), alike) << c.what;
            EXPECT_EQ(earlier.sameOrderTag == later.sameOrderTag, alike) << c.what;
        }
    }
    // The search's table is sized for the valid orders the checks counted; when it is told of fewer, it
    // grows as it goes and finds the same notes.
    std::string many = "ZLECENIA\n";
    std::vector<std::string> manyNotes;
    for (int k = 0; k < 200; ++k) {
        many += Order{.title1 = "Faktura " + std::to_string(k % 70)}.line();
        if (k >= 70) manyNotes.push_back(doubleNote(k + 2, k % 70 + 2));
    }
    test::LoadedBytes grown(many);
    grown.file().validCount = 1;
    EXPECT_EQ(notesOf(findPossibleDoublePayments(grown.file())), manyNotes);

    test::LoadedBytes contractors("KONTRAHENCI\nA|B|C|D|" + kDebited + "|E|F|G|H\nA|B|C|D|" + kDebited + "|E|F|G|H\n");
    EXPECT_TRUE(findPossibleDoublePayments(contractors.file()).empty()) << "only payment orders are paid twice";
}

TEST(Notes, ARerunFindsTheDoublePaymentsOfTheValuesItJudged) {
    // Orders alike under some options only, each option also changing which of them are valid.
    ASSERT_FALSE(hasNrbCheckDigits(kDebited));
    const std::string longTitle = "Faktura VAT nr 2026/12/000123 za grudzien ";
    const std::string lines = "ZLECENIA\n" + Order{}.line() + Order{}.line() + Order{.title1 = "Fak\x01tura"}.line() +
                              Order{.title1 = "Fak?tura"}.line() + Order{.title3 = longTitle + "A"}.line() +
                              Order{.title3 = longTitle + "B"}.line();
    struct Case {
        const char* what;
        RunSettings settings;
        std::vector<std::string> notes;
    };
    const std::vector<Case> cases = {
        {"as loaded: titles cut to their length", {}, {doubleNote(3, 2), doubleNote(7, 6)}},
        {"control bytes made \"?\"",
         {.codePage = std::nullopt, .replaceControl = true},
         {doubleNote(3, 2), doubleNote(5, 4), doubleNote(7, 6)}},
        {"titles not cut, and so too long", {.codePage = std::nullopt, .trimFields = false}, {doubleNote(3, 2)}},
        {"the accounts' check digits wrong", {.codePage = std::nullopt, .checkNrbDigits = true}, {}},
        {"as loaded again", {}, {doubleNote(3, 2), doubleNote(7, 6)}},
    };
    test::LoadedBytes rerun(lines);
    for (const Case& c : cases) {
        rerunChecks(rerun.t.session, c.settings);
        EXPECT_EQ(notesOf(rerun.file().notes), c.notes) << c.what;
        test::TestSession fresh;
        const test::TempDir dir;
        loadFile(fresh.session, dir.write("input.txt", lines), c.settings);
        EXPECT_EQ(notesOf(fresh.file().notes), c.notes) << c.what << ", loaded so";
    }
}

TEST(Notes, AValidOrderDueOnADayOffIsExecutedOnTheNextBusinessDay) {
    struct Case {
        std::string date;
        std::string amount;
        std::string note; // UTF-8 text after the prefix, or nothing
    };
    const std::string none;
    const std::vector<Case> cases = {
        {"12/08/26", "1", none},                       // Tuesday
        {"12/12/26", "1", "poniedziałek, 14.12.2026"}, // Saturday
        {"12/13/26", "1", "poniedziałek, 14.12.2026"}, // Sunday
        {"12/24/26", "1", "poniedziałek, 28.12.2026"}, // Christmas Eve, then Christmas and a weekend
        {"1/1/27", "1", "poniedziałek, 04.01.2027"},
        {"12/06/26", "1", none}, // a Sunday before today: the correction moves it to today, a Monday
        {"12/6/26", "1", "poniedziałek, 07.12.2026"}, // not eight characters: the correction leaves it
        {"12/24/26", "x", none},                      // invalid: no note
        {"12/24", "1", "poniedziałek, 28.12.2026"},   // the year is the current one
        {"02/29/27", "1", none},                      // no such date: invalid
    };
    std::string lines;
    for (const Case& c : cases)
        lines += c.date + "|" + c.amount + "|" + kDebited + "|" + kCredited + "|Tytul|Tytul\n";
    test::LoadedBytes l("ZLECENIA\n" + lines);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (!cases[i].note.empty())
            expected.push_back(std::to_string(LoadedFile::lineNumber(i)) + ": " +
                               W("Data wykonania przypada w dzień wolny od pracy; bank wykona zlecenie w najbliższym "
                                 "dniu roboczym: " +
                                 cases[i].note));
    }
    EXPECT_EQ(notesOf(findExecutionOnDaysOff(l.file(), kCurrentYear)), expected);
    // The two rules together, a record's double payment first.
    test::LoadedBytes twice("ZLECENIA\n" + Order{}.line() + Order{.date = "12/12/26"}.line());
    const std::vector<RecordNote> both = findNotes(twice.file(), kCurrentYear);
    ASSERT_EQ(both.size(), 2U);
    EXPECT_EQ(both[0].kind, NoteKind::PossibleDoublePayment);
    EXPECT_EQ(both[1].kind, NoteKind::ExecutionOnDayOff);
    EXPECT_EQ(both[0].record, 1U);
    EXPECT_EQ(both[1].record, 1U);
}

} // namespace
} // namespace quarvel
