#include "AccountTotalsTable.h"

#include "presenter/ViewTestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using test::GridFixture;

const std::string kFirst = "11111111111111111111111111";
const std::string kSecond = "22222222222222222222222222";

std::string order(const std::string& amount, const std::string& debited, const std::string& credited = kFirst) {
    return "12/08/26|" + amount + "|" + debited + "|" + credited + "|Tytul|Tytul\n";
}

TEST(AccountTotalsButton, OnlyAFileOfOrdersWithAValidOneHasTotalsToShow) {
    struct Case {
        const char* what;
        std::string content;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"orders, one valid", "ZLECENIA\n" + order("10.00", kFirst) + order("1", kFirst, "x"), true},
        {"contractors", test::FaultyContractors(), false},
        {"orders, none valid", "ZLECENIA\n" + order("10.00", kFirst, "x"), false},
        {"a header and no line", "ZLECENIA\n", false},
        {"no keyword", "NAGLOWEK\n" + order("10.00", kFirst), false},
    };
    for (const Case& c : cases) {
        GridFixture g;
        EXPECT_FALSE(g.state().accountTotalsButton.enabled) << "before any load";
        // After a file whose totals could be shown, so that each case has to switch the button itself.
        test::LoadBytes(g.t, g.dir, "ZLECENIA\n" + order("1", kSecond));
        test::LoadBytes(g.t, g.dir, c.content);
        EXPECT_EQ(g.state().accountTotalsButton.enabled, c.enabled) << c.what;
        EXPECT_EQ(hasAccountTotals(g.t.file()), c.enabled) << c.what;
    }
}

TEST(AccountTotalsButton, FollowsARerunThatMakesTheOrdersInvalid) {
    // The debited account's check digits are wrong: valid until the NRB option is switched on.
    GridFixture g("ZLECENIA\n" + order("1", "12345678901234567890123456", kSecond));
    ASSERT_TRUE(g.state().accountTotalsButton.enabled);
    g.state().checkNrbDigits.checked = true;
    checkNrbDigitsToggled(g.t.session);
    EXPECT_FALSE(g.state().accountTotalsButton.enabled);
    g.state().checkNrbDigits.checked = false;
    checkNrbDigitsToggled(g.t.session);
    EXPECT_TRUE(g.state().accountTotalsButton.enabled);
}

TEST(AccountTotalsRows, OneRowPerDebitedAccountInOrderOfFirstAppearanceOfTheValidOrders) {
    const std::string lines = order("5", kSecond, "x")              // invalid: its account comes later
                              + order("1234.5", "PL" + kFirst)      // corrected account
                              + order("0.25", kSecond) + "\n"        // a line without data
                              + order("999999", kFirst, "x")         // invalid: not counted
                              + order("-0.75", kFirst) + order("1000000", kSecond);
    GridFixture g("ZLECENIA\n" + lines);
    const std::vector<AccountTotalsRow> rows = accountTotalsRows(g.t.file());
    const std::vector<AccountTotalsRow> expected = {{kFirst, "2", "1 233,75 PLN"}, {kSecond, "2", "1 000 000,25 PLN"}};
    EXPECT_EQ(rows, expected);
    // The same digits and separators as the grand total, which carries the padding the table drops.
    GridFixture one("ZLECENIA\n" + order("1234.5", kFirst));
    EXPECT_NE(one.state().validTotalLabel.text.find(accountTotalsRows(one.t.file()).at(0).total), std::string::npos);
    EXPECT_TRUE(accountTotalsRows(GridFixture(test::FaultyContractors()).t.file()).empty());
}

} // namespace
} // namespace quarvel
