#include "AccountTotals.h"

#include "Validation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quarvel {
namespace {

TEST(AccountTotals, CountAndSumTheValidOrdersOfEachDebitedAccountInOrderOfFirstAppearance) {
    const std::vector<std::string> accounts = {"11111111111111111111111111", "22222222222222222222222222",
                                               "33333333333333333333333333", "44444444444444444444444444"};
    struct Expected {
        std::string account;
        std::int32_t records = 0;
        std::int64_t cents = 0;
    };
    std::vector<Expected> expected;
    std::string lines;
    std::int32_t validOrders = 0;
    std::mt19937 random(26);
    for (int k = 0; k < 3000; ++k) {
        const std::string& account = accounts[random() % accounts.size()];
        const std::int64_t cents = static_cast<std::int64_t>(random() % 20'000'000) - 1'000'000;
        const char* sign = cents < 0 ? "-" : "";
        const std::int64_t whole = (cents < 0 ? -cents : cents);
        const std::string amount =
            sign + std::to_string(whole / 100) + "." + std::to_string(whole % 100 / 10) + std::to_string(whole % 10);
        // Every seventh order is invalid (a bad credited account), every thirteenth line has no data, and an
        // account is written in the ways the correction accepts.
        const bool valid = k % 7 != 3;
        const std::string written = k % 5 == 0 ? "PL" + account : account;
        lines += "12/08/26|" + amount + "|" + written + "|" + (valid ? accounts[0] : "x") + "|Tytul|Tytul\n";
        if (k % 13 == 0) lines += "\n";
        if (!valid) continue;
        ++validOrders;
        auto at =
            std::find_if(expected.begin(), expected.end(), [&](const Expected& e) { return e.account == account; });
        if (at == expected.end()) at = expected.insert(expected.end(), Expected{account});
        ++at->records;
        at->cents += cents;
    }
    test::LoadedBytes l("ZLECENIA\n" + lines);
    ASSERT_EQ(l.file().validCount, validOrders);
    const std::vector<AccountTotal> totals = totalsPerDebitedAccount(l.file());
    ASSERT_EQ(totals.size(), expected.size());
    for (std::size_t k = 0; k < totals.size(); ++k) {
        EXPECT_EQ(totals[k].account, expected[k].account);
        EXPECT_EQ(totals[k].records, expected[k].records) << expected[k].account;
        const double exact = static_cast<double>(expected[k].cents) / 100;
        EXPECT_NEAR(totals[k].total, exact, 1e-4) << expected[k].account;
        EXPECT_EQ(totals[k].totalText, formatTotal(exact)) << expected[k].account;
    }

    // With one account the batch is the whole file: the same sum, to the last bit, as the grand total.
    test::LoadedBytes one("ZLECENIA\n12/08/26|0.1|" + accounts[0] + "|" + accounts[1] + "|a|b\n12/08/26|0.2|" +
                          accounts[0] + "|" + accounts[1] + "|a|b\n12/08/26|1e3|" + accounts[0] + "|" + accounts[1] +
                          "|a|b\n");
    const std::vector<AccountTotal> single = totalsPerDebitedAccount(one.file());
    ASSERT_EQ(single.size(), 1U);
    EXPECT_EQ(single[0].total, one.file().validTotal);
    EXPECT_EQ(single[0].totalText, "   1 000,30 PLN");

    test::LoadedBytes contractors("KONTRAHENCI\nA|B|C|D|" + accounts[0] + "|E|F|G|H\n");
    EXPECT_TRUE(totalsPerDebitedAccount(contractors.file()).empty());
}

} // namespace
} // namespace quarvel
