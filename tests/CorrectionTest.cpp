#include "Correction.h"

#include "Validation.h"
#include "support/ReferenceForms.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace quarvel {
namespace {

using test::W;
using test::withoutSpaces;

TEST(NormalizeAccountNumber, DropsPrefixSpacesAndCountryCode) {
    const std::string nrb = "12345678901234567890123456";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {nrb, nrb},
        {"PL" + nrb, nrb},
        {"pl" + nrb, "pl" + nrb},                                          // only capital letters
        {"12 3456 7890 1234 5678 9012 3456", nrb},                         // longer than 26: spaces go
        {"PL12 3456 7890 1234 5678 9012 3456", nrb},                       // then the country code
        {"12 34567890123456789012345", "12 34567890123456789012345"},      // 26 characters keep their spaces
        {"BANK-001-" + nrb, "BANK-001-" + nrb},                            // first "-" not after eight characters
        {"BANKPKO1-" + nrb, nrb},                                          // eight characters and "-" go first
        {"BANKPKO1-PL" + nrb, nrb},
        {"BANKPKO1-12 3456 7890 1234 5678 9012 3456", nrb},
        {"12-34-56", "12-34-56"},
        {"", ""},
        {" ", " "},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(normalizeAccountNumber(in), out) << in;
    EXPECT_EQ(withoutSpaces(" a b  c "), "abc");
}

// The account rule of the format, step by step with withoutSpaces: the reference for normalizeAccountNumber
// and for the window the correction run keeps instead of a new text.
std::string accountByTheRule(const std::string& s) {
    std::string r = s.find('-') == 8 ? s.substr(9) : s;
    if (r.size() > 26) r = withoutSpaces(r);
    if (r.starts_with("PL")) r.erase(0, 2);
    return r;
}

TEST(NormalizeAccountNumber, AgreesWithTheRuleSpelledWithRemoveSpaces) {
    std::mt19937 random(20261209);
    const std::string alphabet = "0123456789  PLpl-x";
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const std::size_t length = random() % 40;
        for (std::size_t k = 0; k < length; ++k)
            text += alphabet[random() % alphabet.size()];
        if (round % 7 == 0 && text.size() > 8) text[8] = '-';
        const std::string expected = accountByTheRule(text);
        ASSERT_EQ(normalizeAccountNumber(text), expected) << '"' << text << '"';
        const AccountWindow window = normalizeAccountWindow(text);
        if (!window.removeSpaces) {
            EXPECT_EQ(text.substr(window.start), expected) << '"' << text << '"';
        }
    }
}

struct Loaded {
    test::TempDir dir;
    test::TestSession t;
    explicit Loaded(std::string_view bytes, const Clock& clock = test::kDecember7) : t(clock) {
        test::LoadBytes(t, dir, bytes);
    }
    LoadedFile& file() { return t.file(); }
    void rerun() {
        runCorrectionPass(t.session);
        ValidateAllRecords(t.session);
    }
};

const std::string kNrb = "12345678901234567890123456";
const std::string kNrb2 = "98765432109876543210987654";

std::string order(const std::string& date, const std::string& amount, const std::string& rest = "") {
    return date + "|" + amount + "|" + kNrb + "|" + kNrb2 + "|Tytul 1|Tytul 2" + rest + "\r\n";
}

TEST(Correction, MovesPastEightCharacterDatesToToday) {
    struct Case {
        std::string date;
        std::string corrected;
    };
    const std::vector<Case> cases = {
        {"01/15/06", "12/07/26"},   // past
        {"12/07/26", "12/07/26"},   // today stays today
        {"12/06/26", "12/07/26"},   // yesterday
        {"12/08/26", "12/08/26"},   // tomorrow stays
        {"1/5/2027", "01/05/27"},   // future, rewritten with two-digit parts
        {"1/5/2007", "12/07/26"},   // four-digit year, past
        {"1/5/07", "1/5/07"},       // another length: not rewritten
        {"12/31/2006", "12/31/20"}, // ten characters: not rewritten, then trimmed to eight
        {"13/01/26", "13/01/26"},   // does not read: unchanged
        {"3 / 4/27", "03/04/27"},   // spaces before a separator and a number
    };
    for (const Case& c : cases) {
        Loaded l("ZLECENIA\n" + order(c.date, "1"));
        EXPECT_EQ(l.file().value(0, 0), c.corrected) << c.date;
        EXPECT_EQ(l.file().originalValue(0, 0), c.date) << c.date;
    }
}

TEST(Correction, ReadsTheAmountBeforeTrimming) {
    Loaded l("ZLECENIA\n" + order("12/24/26", "1234567890123456") + order("12/24/26", "100,50"));
    EXPECT_EQ(l.file().value(0, 1), "123456789012345");
    EXPECT_DOUBLE_EQ(l.file().records()[0].amount, 1234567890123456.0);
    EXPECT_TRUE(l.file().records()[0].isValid());
    EXPECT_DOUBLE_EQ(l.file().validTotal, 1234567890123456.0);
    EXPECT_EQ(l.file().value(1, 1), "100,50");
    EXPECT_EQ(l.file().records()[1].amount, 0.0);
}

// The amounts are read from the raw values once a load; every re-run and every next load keeps to them.
TEST(Correction, KeepsTheAmountsOfTheFileLoaded) {
    Loaded l("ZLECENIA\n" + order("12/24/26", "5") + order("12/24/26", "x"));
    test::LoadBytes(l.t, l.dir, "ZLECENIA\n" + order("12/24/26", "x") + order("12/24/26", "7") + order("12/24/26", "1.5"),
                    "second.txt");
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(l.file().records().size(), 3U);
        EXPECT_FALSE(l.file().records()[0].amountRead) << run;
        EXPECT_EQ(l.file().records()[1].amount, 7.0) << run;
        EXPECT_EQ(l.file().records()[2].amount, 1.5) << run;
        EXPECT_DOUBLE_EQ(l.file().validTotal, 8.5) << run;
        l.t.state().trimFields.checked = !l.t.state().trimFields.checked;
        l.rerun();
    }
}

TEST(Correction, NormalizesTheAccountFieldsOfEachKind) {
    Loaded orders("ZLECENIA\n12/24/26|5|PL" + kNrb + "|BANKPKO1-" + kNrb2 + "|a|b\n");
    EXPECT_EQ(orders.file().value(0, 2), kNrb);
    EXPECT_EQ(orders.file().value(0, 3), kNrb2);
    EXPECT_TRUE(orders.file().records()[0].changed);

    Loaded contractors("KONTRAHENCI\nPL12|n2|a1|a2|PL12 3456 7890 1234 5678 9012 3456|b1|b2|b3|b4\n");
    EXPECT_EQ(contractors.file().value(0, 0), "PL12") << "only the account number is normalized";
    EXPECT_EQ(contractors.file().value(0, 4), kNrb);
    EXPECT_TRUE(contractors.file().records()[0].isValid());

    // What follows a dropped prefix is converted from the file's code page as any other value.
    Loaded letters("ZLECENIA|IBM_LATIN2\n12/24/26|5|PL\xA5\xA5|BANKPKO1-\xA5\x86|\xA5|\xA5\n");
    letters.t.state().codePageList.selected = codePageItem(CodePage::IbmLatin2);
    letters.rerun();
    EXPECT_EQ(letters.file().value(0, 2), W("ąą"));
    EXPECT_EQ(letters.file().value(0, 3), W("ąć"));
}

TEST(Correction, TrimsAndReplacesFromTheRawValuesEveryRun) {
    const std::string name = std::string(30, 'n') + "\t" + std::string(9, 'm'); // 40 characters with a tab
    Loaded l("KONTRAHENCI\n" + name + "|n2|a1|a2|" + kNrb + "|b1|b2|b3|b4\n");
    LoadedFile& f = l.file();
    WindowState& s = l.t.state();
    EXPECT_TRUE(s.trimFields.checked);
    EXPECT_EQ(f.value(0, 0).view(), name.substr(0, 35));
    EXPECT_EQ(fieldErrors(f, 0, 0), std::vector<std::string>{W("Pole zawiera znaki niezgodne z Windows")});

    s.replaceControl.checked = true;
    l.rerun();
    EXPECT_EQ(f.value(0, 0).view(), std::string(30, 'n') + "?mmmm");
    EXPECT_TRUE(fieldErrors(f, 0, 0).empty());
    EXPECT_TRUE(f.records()[0].isValid());
    EXPECT_TRUE(f.records()[0].changed);

    s.trimFields.checked = false;
    s.replaceControl.checked = false;
    l.rerun();
    EXPECT_EQ(f.value(0, 0).view(), name) << "switching the options off restores the full value";
    EXPECT_EQ(fieldErrors(f, 0, 0), (std::vector<std::string>{W("Pole posiada zbyt dużą ilość znaków = 40. Maksymalna "
                                                                "ilość dla tego pola = 35"),
                                                              W("Pole zawiera znaki niezgodne z Windows")}));
    EXPECT_FALSE(f.records()[0].changed);
    EXPECT_EQ(f.rawValue(0, 0), name);
}

TEST(Correction, ReplacesOnlyControlBytes) {
    Loaded l("KONTRAHENCI|WINDOWS_EE\na\x01\x1F\x7F\xE9\x80" "b|n2|a1|a2|" + kNrb + "|b1|b2|b3|b4\n");
    l.t.state().codePageList.selected = codePageItem(CodePage::WindowsEe); // 80 alone would make it CSK
    l.t.state().replaceControl.checked = true;
    l.rerun();
    EXPECT_EQ(l.file().value(0, 0), "a??\x7F\xE9\x80" "b");
    EXPECT_EQ(fieldErrors(l.file(), 0, 0), std::vector<std::string>{W("Pole zawiera znaki niezgodne z Windows")});
}

TEST(Correction, ConvertsFromTheSelectedCodePage) {
    // "ą" in MAZOVIA (86) is no letter in Windows-1250, and B9 is "ą" in Windows-1250 only.
    Loaded l("KONTRAHENCI|MAZOVIA\nx\x86\x86\x86x|\xB9|a1|a2|" + kNrb + "|b1|b2|b3|b4\n");
    LoadedFile& f = l.file();
    ASSERT_EQ(f.identifiedCodePage, CodePage::Mazovia);
    EXPECT_EQ(f.value(0, 0), "x\xB9\xB9\xB9x");
    EXPECT_EQ(f.value(0, 1), "\xB9");
    EXPECT_FALSE(f.records()[0].changed) << "conversion alone is no change";

    l.t.state().codePageList.selected = codePageItem(CodePage::WindowsEe);
    l.rerun();
    EXPECT_EQ(f.value(0, 0), "x\x86\x86\x86x");
    EXPECT_EQ(f.originalValue(0, 0), "x\x86\x86\x86x");
    EXPECT_FALSE(f.records()[0].isValid());
    EXPECT_EQ(f.rawValue(0, 0), "x\x86\x86\x86x");
}

TEST(Correction, KeepsBlankFieldsAsASpaceAndPassesOverEmptyLines) {
    Loaded l("KONTRAHENCI\n\n |n2|a1|a2|" + kNrb + "|b1|b2|b3|b4\n");
    ASSERT_EQ(l.file().records().size(), 2U);
    EXPECT_EQ(l.file().fieldCount(0), 0U);
    EXPECT_EQ(l.file().value(1, 0), " ");
}

TEST(Correction, MovesDatesToTheDayOfTheRun) {
    const FixedClock later{std::chrono::year{2027} / 1 / 3};
    Loaded l("ZLECENIA\n" + order("12/24/26", "1"), later);
    EXPECT_EQ(l.file().value(0, 0), "01/03/27");
}

} // namespace
} // namespace quarvel
