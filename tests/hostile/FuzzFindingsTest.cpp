// Inputs the fuzz targets found, each kept as a test of what the user must see.

#include "CheckTexts.h"
#include "DateAmount.h"
#include "Validation.h"
#include "Pipeline.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using std::chrono::year;

const std::string kAccount = "61109010140000071219812874";

// std::chrono::day keeps a byte of its argument: day 526 was taken as 526 - 512 = 14, day 257 as 1.
TEST(FuzzFindings, ADayBeyondTheMonthNeverReads) {
    for (const char* text : {"12/526", "1/257/26", "2/256/2026", "3/1000/26", "1/9999", "12/287/26/"}) {
        EXPECT_FALSE(parseOrderDate(text, year{2026})) << text;
    }
    EXPECT_TRUE(parseOrderDate("1/31/26", year{2026}));
    EXPECT_FALSE(parseOrderDate("1/32/26", year{2026}));
}

TEST(FuzzFindings, AnOrderWithSuchADayIsInvalidAndKeepsItsDate) {
    test::TempDir dir;
    test::TestSession t;
    const std::string tail = "|10.00|" + kAccount + "|" + kAccount + "|a|b\n";
    // 8 characters: read as 1 January and moved to the day of the load before; 6 characters: accepted.
    test::LoadBytes(t, dir, "ZLECENIA\n1/257/26" + tail + "12/526" + tail + "12/24/26" + tail);
    ASSERT_EQ(t.file().records().size(), 3U);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(fieldErrors(t.file(), i, 0), std::vector<std::string>{texts::kBadDate}) << i;
        EXPECT_FALSE(t.file().records()[i].isValid()) << i;
    }
    EXPECT_EQ(t.file().value(0, 0), "1/257/26");
    EXPECT_EQ(t.file().validCount, 1);
}

// Out of a double's range, the sign of the exponent was taken to tell too large from too small.
TEST(FuzzFindings, AnAmountOutOfRangeFailsWhenLargeAndIsZeroWhenSmall) {
    const std::string zeros(320, '0');
    struct Case {
        std::string text;
        std::optional<double> expected;
    };
    const std::vector<Case> cases = {
        {"1" + zeros + "e-5", std::nullopt},            // 1e315
        {"1" + zeros + "e-12", 1e308},                  // in range after all
        {"0." + std::string(400, '0') + "1", 0.0},      // 1e-401
        {"0." + std::string(400, '0') + "1e+5", 0.0},   // 1e-396
        {"0." + std::string(400, '0') + "1e+400", 0.1}, // in range
        {"1e-400", 0.0},
        {"1e309", std::nullopt},
        {"-1e99999999999999999999", std::nullopt},
        {"1e-99999999999999999999", 0.0},
        {"0e99999", 0.0},
    };
    for (const Case& c : cases) {
        const std::optional<double> got = parseAmount(c.text);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.text.substr(0, 40);
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.expected) << c.text.substr(0, 40);
        }
    }
}

} // namespace
} // namespace quarvel
