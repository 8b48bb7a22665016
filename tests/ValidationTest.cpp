#include "Validation.h"

#include "Correction.h"
#include "FieldChecks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace quarvel {
namespace {

using test::W;

const std::string kNrb = "12345678901234567890123456";
const std::string kNrb2 = "98765432109876543210987654";

struct Loaded {
    test::TempDir dir;
    test::TestSession t;
    explicit Loaded(std::string_view bytes) { test::LoadBytes(t, dir, bytes); }
    LoadedFile& file() { return t.file(); }
    WindowState& state() { return t.state(); }
    void rerun() {
        runCorrectionPass(t.session);
        ValidateAllRecords(t.session);
    }
};

std::string contractor(const std::string& account = kNrb, const std::string& name = "Firma") {
    return name + "|Druga|Ulica 1|00-001 Miasto|" + account + "|Bank|Oddzial|Adres 1|Adres 2\n";
}

std::string order(const std::string& date, const std::string& amount, const std::string& debited = kNrb,
                  const std::string& credited = kNrb2) {
    return date + "|" + amount + "|" + debited + "|" + credited + "|Tytul 1|Tytul 2\n";
}

TEST(IsNrbNumber, WantsExactlyTwentySixDigits) {
    EXPECT_TRUE(isNrbNumber(kNrb));
    EXPECT_FALSE(isNrbNumber(kNrb.substr(1)));
    EXPECT_FALSE(isNrbNumber(kNrb + "0"));
    EXPECT_FALSE(isNrbNumber("1234567890123456789012345A"));
    EXPECT_FALSE(isNrbNumber("12 34567890123456789012345"));
    EXPECT_FALSE(isNrbNumber(""));
    // Every byte at every place: the number is judged a word at a time, and the words overlap.
    for (std::size_t k = 0; k < kNrb.size(); ++k) {
        for (int b = 0; b < 256; ++b) {
            std::string text = kNrb;
            text[k] = static_cast<char>(b);
            EXPECT_EQ(isNrbNumber(text), b >= '0' && b <= '9') << k << " " << b;
        }
    }
}

TEST(FieldChecks, PermitPrintableAsciiAndTheWindowsLetters) {
    for (int b = 0; b < 256; ++b) {
        const bool expected = (b >= 0x20 && b <= 0x7F) || b == 0xA7 || isAllowedChar(static_cast<std::uint8_t>(b));
        EXPECT_EQ(isPermittedByte(static_cast<std::uint8_t>(b)), expected && b != 0x0A && b != 0x0D) << b;
    }
    EXPECT_TRUE(isPermittedByte(0x7F));
    EXPECT_TRUE(isPermittedByte(0xA7));
    EXPECT_FALSE(isPermittedByte(0xE9));
    EXPECT_FALSE(isPermittedByte(0x80));
    EXPECT_FALSE(isPermittedByte('\t'));
}

TEST(FieldChecks, GiveTheMessagesInCheckOrder) {
    struct Case {
        const char* what;
        std::string nazwa2; // field 1, required, at most 35
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"plain", "abc", {}},
        {"exactly the maximum", std::string(35, 'x'), {}},
        {"one too many", std::string(36, 'x'), {W("Pole posiada zbyt dużą ilość znaków = 36. Maksymalna ilość dla tego pola = 35")}},
        {"long with a bad byte",
         std::string(39, 'x') + "\xE9",
         {W("Pole posiada zbyt dużą ilość znaków = 40. Maksymalna ilość dla tego pola = 35"),
          W("Pole zawiera znaki niezgodne z Windows")}},
        {"section sign and 7F", "\xA7\x7F", {}},
        {"all Polish letters", W("ĄĆĘŁŃÓŚŹŻąćęłńóśźż"), {}},
        {"one bad byte among many", "a\x80" "b\x81", {W("Pole zawiera znaki niezgodne z Windows")}},
        {"blank is not empty", " ", {}},
    };
    for (const Case& c : cases) {
        Loaded l("KONTRAHENCI|WINDOWS_EE\nFirma|" + c.nazwa2 + "|Ulica 1|Miasto|" + kNrb + "|Bank|Oddz|Adr1|Adr2\n");
        l.state().trimFields.checked = false;
        l.state().codePageList.selected = codePageItem(CodePage::WindowsEe);
        l.rerun();
        EXPECT_EQ(fieldErrors(l.file(), 0, 1), c.messages) << c.what;
        EXPECT_EQ(l.file().records()[0].fieldValid(1), c.messages.empty()) << c.what;
        EXPECT_EQ(l.file().records()[0].isValid(), c.messages.empty()) << c.what;
    }
}

TEST(FieldChecks, TrimmingLeavesNoValueTooLong) {
    Loaded l("KONTRAHENCI\n" + contractor(kNrb, std::string(60, 'x')));
    EXPECT_TRUE(l.file().records()[0].isValid());
    EXPECT_TRUE(l.file().records()[0].changed);
}

TEST(FieldChecks, MissingRequiredFieldsAreEmptyOptionalOnesPass) {
    Loaded l("KONTRAHENCI\nFirma|Druga|Ulica\n");
    const LoadedFile& f = l.file();
    EXPECT_TRUE(fieldErrors(f, 0, 2).empty());
    EXPECT_EQ(fieldErrors(f, 0, 3), std::vector<std::string>{"Wymagane pole jest puste"});
    EXPECT_EQ(fieldErrors(f, 0, 4),
              (std::vector<std::string>{"Wymagane pole jest puste", W("Nieprawidłowy numer NRB")}));
    EXPECT_EQ(fieldErrors(f, 0, 8), std::vector<std::string>{"Wymagane pole jest puste"});
    for (std::size_t j = 9; j < 13; ++j)
        EXPECT_TRUE(fieldErrors(f, 0, j).empty()) << j;
    EXPECT_TRUE(f.records()[0].hasFieldErrors);
}

TEST(ContentChecks, JudgeAccountNumbers) {
    struct Case {
        std::string account;
        bool valid;
    };
    const std::vector<Case> cases = {
        {kNrb, true},
        {kNrb.substr(1), false},
        {kNrb + "1", false},
        {"1234567890123456789012345X", false},
        {"12 3456 7890 1234 5678 9012 3456", true},
        {"PL" + kNrb, true},
        {"12-3456-7890-1234-5678-9012-3456", false},
        {" ", false},
    };
    for (const Case& c : cases) {
        Loaded l("KONTRAHENCI\n" + contractor(c.account));
        EXPECT_EQ(l.file().records()[0].isValid(), c.valid) << c.account;
        if (!c.valid) {
            EXPECT_EQ(fieldErrors(l.file(), 0, 4), std::vector<std::string>{W("Nieprawidłowy numer NRB")}) << c.account;
        }
    }
}

// The check digits by the other form of the rule (ISO 7064 MOD 97-10): 98 less the remainder of the
// number with "PL00" in front, moved to the end; the remainder taken nine digits at a time, each piece
// after the remainder of the one before, as banks compute it by hand.
std::string withCheckDigits(const std::string& bban) {
    std::string rest = bban + "252100";
    std::uint64_t remainder = 0;
    while (!rest.empty()) {
        const std::string piece = std::to_string(remainder) + rest.substr(0, 7);
        rest.erase(0, 7);
        remainder = std::stoull(piece) % 97;
    }
    const auto check = static_cast<unsigned>(98 - remainder);
    return std::string(1, static_cast<char>('0' + check / 10)) + static_cast<char>('0' + check % 10) + bban;
}

TEST(HasNrbCheckDigits, AgreesWithTheRuleAndCatchesEveryMistypedDigit) {
    EXPECT_TRUE(hasNrbCheckDigits("61109010140000071219812874"));
    EXPECT_TRUE(hasNrbCheckDigits("27114020040000300201355387"));
    EXPECT_FALSE(hasNrbCheckDigits(kNrb));
    EXPECT_FALSE(hasNrbCheckDigits("6110901014000007121981287")) << "25 digits";
    EXPECT_FALSE(hasNrbCheckDigits("PL61109010140000071219812874"));
    std::mt19937_64 random(97);
    for (int round = 0; round < 2000; ++round) {
        std::string bban;
        for (int k = 0; k < 24; ++k)
            bban += static_cast<char>('0' + random() % 10);
        const std::string nrb = withCheckDigits(bban);
        ASSERT_TRUE(hasNrbCheckDigits(nrb)) << nrb;
        // One digit mistyped, wherever it is, or two neighbours swapped: the rule catches both.
        const std::size_t at = random() % nrb.size();
        std::string typo = nrb;
        typo[at] = static_cast<char>('0' + (nrb[at] - '0' + 1 + random() % 9) % 10);
        EXPECT_FALSE(hasNrbCheckDigits(typo)) << typo;
        std::string swapped = nrb;
        std::swap(swapped[at], swapped[(at + 1) % nrb.size()]);
        if (swapped != nrb) {
            EXPECT_FALSE(hasNrbCheckDigits(swapped)) << swapped;
        }
    }
}

TEST(ContentChecks, CheckDigitsAreCheckedOnlyWithTheOptionAndInThePlaceOfTheAccountCheck) {
    const std::string good = "61109010140000071219812874";
    const std::string wrongDigits = "61109010140000071219812875";
    Loaded l("ZLECENIA\n" + order("12/31/26", "1", good, wrongDigits) +
             order("12/31/26", "1", wrongDigits + "9", good) +
             order("12/31/26", "1", "PL" + good, "61 1090 1014 0000 0712 1981 2874"));
    const auto messages = [&l](std::size_t i, std::size_t j) { return fieldErrors(l.file(), i, j); };
    EXPECT_EQ(l.file().validCount, 2) << "without the option the digits are only counted";
    l.state().checkNrbDigits.checked = true;
    l.rerun();
    EXPECT_EQ(messages(0, kOrderCreditedAccount),
              std::vector<std::string>{W("Nieprawidłowe cyfry kontrolne numeru NRB")});
    EXPECT_TRUE(messages(0, kOrderDebitedAccount).empty());
    EXPECT_EQ(messages(1, kOrderDebitedAccount), std::vector<std::string>{W("Nieprawidłowy numer NRB")})
        << "27 digits fail the account check, and no check digits are read";
    EXPECT_TRUE(l.file().records()[2].isValid()) << "the digits are those left after normalisation";
    EXPECT_EQ(l.file().validCount, 1);
    EXPECT_EQ(l.file().invalidCount, 2);
    l.state().checkNrbDigits.checked = false;
    l.rerun();
    EXPECT_EQ(l.file().validCount, 2);
    EXPECT_TRUE(messages(0, kOrderCreditedAccount).empty());
}

TEST(ContentChecks, JudgeDatesAmountsAndBothAccountsOfAnOrder) {
    struct Case {
        std::string line;
        std::size_t field; // the failing field, or 99
        std::string message;
    };
    const std::vector<Case> cases = {
        {order("12/07/26", "100"), 99, ""},
        {order("1/5/07", "100.5"), 99, ""},
        {order("12/24/26", "-3"), 99, ""},
        {order("12/24/26", "0"), 99, ""},
        {order("12/24/26", "1e3"), 99, ""},
        {order("2026-12-07", "1"), 0, W("Nieprawidłowy format daty")},
        {order("20261207", "1"), 0, W("Nieprawidłowy format daty")},
        {order("13/01/26", "1"), 0, W("Nieprawidłowy format daty")},
        {order("02/30/26", "1"), 0, W("Nieprawidłowy format daty")},
        {order("12/24/26", "100,50"), 1, W("Nieprawidłowa kwota zlecenia")},
        {order("12/24/26", "1 000.00"), 1, W("Nieprawidłowa kwota zlecenia")},
        {order("12/24/26", " "), 1, W("Nieprawidłowa kwota zlecenia")},
        {order("12/24/26", "1", "PL123"), 2, W("Nieprawidłowy numer NRB")},
        {order("12/24/26", "1", kNrb, "x"), 3, W("Nieprawidłowy numer NRB")},
    };
    for (const Case& c : cases) {
        Loaded l("ZLECENIA\n" + c.line);
        const LoadedFile& f = l.file();
        EXPECT_EQ(f.records()[0].isValid(), c.field == 99) << c.line;
        for (std::size_t j = 0; j < 11; ++j) {
            const auto expected = j == c.field ? std::vector<std::string>{c.message} : std::vector<std::string>{};
            EXPECT_EQ(fieldErrors(f, 0, j), expected) << c.line << " field " << j;
        }
    }
}

TEST(Validation, CountsSumsAndFillsTheStatistics) {
    Loaded l("ZLECENIA\n" + order("12/24/26", "12.5") + order("12/24/26", "bad") + "\n" +
             order("12/24/26", "1222") + order("12/24/26", "1", "x"));
    const LoadedFile& f = l.file();
    EXPECT_EQ(f.validCount, 2);
    EXPECT_EQ(f.invalidCount, 3);
    EXPECT_DOUBLE_EQ(f.validTotal, 1234.5);
    const WindowState& s = l.state();
    EXPECT_EQ(s.validCountLabel.text, "2");
    EXPECT_EQ(s.invalidCountLabel.text, "3");
    EXPECT_EQ(s.invalidCountLabel.textColour, kRed);
    EXPECT_EQ(s.validTotalLabel.text, "   1 234,50 PLN");
    EXPECT_TRUE(s.validTotalLabel.visible);
    EXPECT_TRUE(s.saveButton.enabled);
    EXPECT_FALSE(f.records()[2].hasFieldErrors) << "a line error alone makes the record invalid";
    EXPECT_FALSE(f.records()[2].isValid());
    EXPECT_EQ(f.records()[1].amount, 0.0);
}

TEST(Validation, FollowsOptionChangesBothWays) {
    Loaded l("KONTRAHENCI\n" + contractor(kNrb, "Firma\tSp") + contractor());
    WindowState& s = l.state();
    EXPECT_EQ(s.invalidCountLabel.text, "1");
    EXPECT_EQ(s.invalidCountLabel.textColour, kRed);
    EXPECT_FALSE(s.validTotalLabel.visible) << "a contractors file hides the total";
    s.replaceControl.checked = true;
    l.rerun();
    EXPECT_EQ(s.invalidCountLabel.text, "0");
    EXPECT_EQ(s.invalidCountLabel.textColour, kGreen);
    EXPECT_EQ(s.validCountLabel.text, "2");
    s.replaceControl.checked = false;
    l.rerun();
    EXPECT_EQ(s.invalidCountLabel.textColour, kRed);
}

TEST(Validation, WithoutValidRecordsSavingIsOffAndTheTotalShowsZero) {
    Loaded l("ZLECENIA\n" + order("bad", "1") + "\n");
    EXPECT_EQ(l.state().validTotalLabel.text, "    0,00 PLN");
    EXPECT_TRUE(l.state().validTotalLabel.visible);
    EXPECT_FALSE(l.state().saveButton.enabled);
    EXPECT_EQ(l.file().invalidCount, 2);
}

TEST(Validation, MarksWhatCorrectionChanged) {
    struct Case {
        std::string line;
        bool changed;
    };
    const std::vector<Case> cases = {
        {order("12/24/26", "1"), false},
        {order("01/15/06", "1"), true},          // date moved to today
        {order("12/24/26", "1", "PL" + kNrb), true},
        {order("1/5/07", "1"), false},           // not rewritten
        {order("12/24/26", "1234567890123456"), true},
    };
    for (const Case& c : cases) {
        Loaded l("ZLECENIA\n" + c.line);
        EXPECT_EQ(l.file().records()[0].changed, c.changed) << c.line;
    }
}

// The load corrects and checks each record in one pass; the correction alone, then the checks alone,
// must judge every record of every kind alike, with every option, over several slices of records.
TEST(Validation, InOnePassWithTheCorrectionJudgesAsTheTwoPasses) {
    std::mt19937 random(2026);
    const auto pick = [&random](const std::vector<std::string>& choices) {
        return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
    };
    const std::vector<std::string> dates = {"12/24/26", "01/15/06", "1/5/07", "12/25/26", "13/01/26", "", "12/26/2026"};
    const std::vector<std::string> amounts = {"12.5", "bad", "1234567890123456", "0", "-3", "1,5", ""};
    const std::vector<std::string> accounts = {kNrb, "PL" + kNrb, "ABCDEFGH-" + kNrb, "12 3456 7890 1234 5678 9012 3456",
                                               "x", "", "PL 12 3456 7890 1234 5678 9012 3456"};
    const std::vector<std::string> texts = {"Tytul", "", "Za\x01sp\xF3\xB3k\xEA", std::string(300, 'a'), " ok ", "\xE6\xF3\xBF"};
    const std::vector<std::string> nips = {"", "5260250274", "526-025-02-74", "PL5260250274", "1234567890"};
    const std::size_t lines = 2 * RecordStore::kMinRecordsPerSlice + 123;
    std::string orders = "ZLECENIA\n";
    std::string contractors = "KONTRAHENCI\n";
    for (std::size_t i = 0; i < lines; ++i) {
        orders += pick(dates) + "|" + pick(amounts) + "|" + pick(accounts) + "|" + pick(accounts) + "|" + pick(texts) +
                  "|" + pick(texts) + "|" + pick(texts) + "|" + pick(texts) + "\n";
        contractors += pick(texts) + "|" + pick(texts) + "|U 1|00-001 M|" + pick(accounts) + "|B|O|A|A|" +
                       pick(texts) + "|" + pick(nips) + "\n";
    }
    struct Options {
        CodePage page;
        bool trim, replaceControl, checkNrbDigits, checkNipDigits;
    };
    const std::vector<Options> options = {{CodePage::WindowsEe, true, false, false, false},
                                          {CodePage::IsoLatin2, false, true, true, true},
                                          {CodePage::Utf8, true, true, false, true},
                                          {CodePage::Utf8, false, false, true, false}};
    const std::chrono::year_month_day today = test::kDecember7.today();
    for (const std::string& bytes : {orders, contractors}) {
        test::LoadedBytes once(bytes);
        test::LoadedBytes twice(bytes);
        for (const Options& o : options) {
            const CorrectionSettings settings{o.page, o.trim, o.replaceControl};
            correctAndValidate(once.file(), settings, today, o.checkNrbDigits, o.checkNipDigits);
            runCorrectionPass(twice.file(), settings, today);
            validateRecords(twice.file(), today.year(), o.checkNrbDigits, o.checkNipDigits);
            const LoadedFile& a = once.file();
            const LoadedFile& b = twice.file();
            ASSERT_EQ(a.records().size(), b.records().size());
            EXPECT_EQ(a.validCount, b.validCount);
            EXPECT_EQ(a.invalidCount, b.invalidCount);
            EXPECT_EQ(a.validTotal, b.validTotal);
            for (std::size_t i = 0; i < a.records().size(); ++i) {
                const Record& x = a.records()[i];
                const Record& y = b.records()[i];
                const auto verdicts = [](const Record& r) {
                    return std::tuple(r.fieldErrorBits, r.invalidMask, r.fixedMask, r.decodedMask, r.hasFieldErrors,
                                      r.changed, r.amountRead, r.executionOnDayOff, r.amount);
                };
                ASSERT_EQ(verdicts(x), verdicts(y)) << "line " << LoadedFile::lineNumber(i) << ", " << o.page;
                ASSERT_EQ(test::JoinValues(a, i), test::JoinValues(b, i)) << "line " << LoadedFile::lineNumber(i);
            }
        }
    }
}

TEST(FormatTotal, FillsThePatternWithSpacesBetweenGroups) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0, "    0,00 PLN"},
        {12.5, "    12,50 PLN"},
        {1234.5, "   1 234,50 PLN"},
        {1234567.891, "  1 234 567,89 PLN"},
        {-12.5, "-    12,50 PLN"},
        {0.004, "    0,00 PLN"},
        {-0.004, "    0,00 PLN"},
        {999.999, "   1 000,00 PLN"},
        {123456789012345.0, "123 456 789 012 345,00 PLN"},
        {1234567890123456.0, "1234 567 890 123 456,00 PLN"},
    };
    for (const auto& [amount, text] : cases) EXPECT_EQ(formatTotal(amount), text) << amount;
}

} // namespace
} // namespace quarvel
