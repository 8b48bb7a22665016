#include "DateAmount.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdint>
#include <random>
#include <string>

namespace quarvel {
namespace {

using namespace std::chrono;

TEST(ParseOrderDate, ReadsMonthDayAndYear) {
    struct Case {
        const char* text;
        std::optional<year_month_day> date;
    };
    const std::vector<Case> cases = {
        {"12/07/26", 2026y / 12 / 7},
        {"1/5/07", 2007y / 1 / 5},
        {"1/5/2007", 2007y / 1 / 5},
        {"01/15/06", 2006y / 1 / 15},
        {"1/5/7", 2007y / 1 / 5},        // one digit: current century
        {"1/5/007", year{7} / 1 / 5},    // three digits: as written
        {"1/5/0099", year{99} / 1 / 5},  // four digits with leading zeros: as written
        {"1/5/99", 2099y / 1 / 5},       // the current century, not the last one
        {"3/4", 2026y / 3 / 4},          // no year: the current one
        {"3/4/", std::nullopt},          // a second "/" needs its year
        {"3/4/26/", 2026y / 3 / 4},      // one further "/" may follow
        {"3/4/26//", std::nullopt},
        {" 3 / 4 / 26 / ", 2026y / 3 / 4},
        {"12/31/20", 2020y / 12 / 31},
        {"02/29/24", 2024y / 2 / 29},
        {"02/29/26", std::nullopt},
        {"02/30/26", std::nullopt},
        {"13/01/26", std::nullopt},
        {"0/01/26", std::nullopt},
        {"01/00/26", std::nullopt},
        {"1/5/0", 2000y / 1 / 5},        // one digit: the current century, so year 0 is 2000
        {"2026-12-07", std::nullopt},
        {"20261207", std::nullopt},
        {"12.07.26", std::nullopt},
        {"", std::nullopt},
        {"/", std::nullopt},
        {"1/", std::nullopt},
        {"a1/5/26", std::nullopt},
        {"1/5/26x", std::nullopt},
        {"\t1/5/26", std::nullopt},      // only spaces are skipped
        {"1/5/10000", std::nullopt},     // reading stops at 1000: the last zero is left over
        {"00012/5/26", 2026y / 12 / 5},  // the limit is on the value, not on the digits
        {"0012/5/26", 2026y / 12 / 5},
    };
    for (const Case& c : cases) {
        const auto got = parseOrderDate(c.text, 2026y);
        if (c.date == std::nullopt) {
            EXPECT_FALSE(got.has_value()) << c.text;
        } else {
            ASSERT_TRUE(got.has_value()) << c.text;
            EXPECT_EQ(*got, *c.date) << c.text;
        }
    }
}

// "MM/DD/YY" is read at once; a leading space sends the same date through the general reader.
TEST(ParseOrderDate, ReadsTwoDigitDatesAsTheGeneralReader) {
    for (const year current : {2026y, 2099y, 2100y, year{99}}) {
        for (int month = 0; month < 100; ++month) {
            for (int day = 0; day < 100; day += month % 7 == 0 ? 1 : 3) {
                for (const int y : {0, 7, 26, 99}) {
                    char text[9];
                    std::snprintf(text, sizeof text, "%02d/%02d/%02d", month, day, y);
                    EXPECT_EQ(parseOrderDate(text, current), parseOrderDate(std::string(" ") + text, current)) << text;
                }
            }
        }
    }
    for (const char* other : {"12-07-26", "12/07/2", "1a/07/26", "12/07/26 ", "12/0/726"}) {
        EXPECT_EQ(parseOrderDate(other, 2026y), parseOrderDate(std::string(" ") + other, 2026y)) << other;
    }
}

TEST(FormatOrderDate, WritesTwoDigitParts) {
    EXPECT_EQ(formatOrderDate(2026y / 12 / 7), "12/07/26");
    EXPECT_EQ(formatOrderDate(2007y / 1 / 5), "01/05/07");
    EXPECT_EQ(formatOrderDate(year{7} / 1 / 5), "01/05/07");
}

TEST(ParseAmount, ReadsDecimalNumbersWithAPoint) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const std::vector<Case> cases = {
        {"100", 100.0},
        {"100.5", 100.5},
        {"-3", -3.0},
        {"+3", 3.0},
        {"0", 0.0},
        {"1e3", 1000.0},
        {"1E+3", 1000.0},
        {"2.5e-1", 0.25},
        {".5", 0.5},
        {"5.", 5.0},
        {".", 0.0},
        {"-.", 0.0},
        {"  12.50  ", 12.5},
        {"1e-400", 0.0}, // too small to hold: zero
        {"1e400", std::nullopt},
        {"100,50", std::nullopt},
        {"1 000.00", std::nullopt},
        {" ", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"e5", std::nullopt},
        {"1e", std::nullopt},
        {"1e+", std::nullopt},
        {"1.2.3", std::nullopt},
        {"PLN 5", std::nullopt},
        {"5 PLN", std::nullopt},
        {"0x10", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"\t5", std::nullopt},
        {"--5", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = parseAmount(c.text);
        if (c.value == std::nullopt) {
            EXPECT_FALSE(got.has_value()) << c.text << " read as " << got.value_or(0);
        } else {
            ASSERT_TRUE(got.has_value()) << c.text;
            EXPECT_DOUBLE_EQ(*got, *c.value) << c.text;
        }
    }
}

// Plain decimals are read without from_chars; the result must be the very double from_chars gives,
// down to the last bit and the sign of a zero, for every length the short way takes and beyond it.
TEST(ParseAmount, ReadsPlainDecimalsToTheSameBitsAsFromChars) {
    std::mt19937_64 random(20261209);
    const auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
    for (int round = 0; round < 200000; ++round) {
        const std::size_t length = 1 + random() % 20;
        std::string digits;
        for (std::size_t k = 0; k < length; ++k) digits += static_cast<char>('0' + random() % 10);
        if (round % 7 == 0) digits[0] = '0';
        const std::size_t point = random() % (length + 2); // past the end: no point
        std::string number = point <= length ? digits.substr(0, point) + "." + digits.substr(point) : digits;
        double expected = 0;
        const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), expected);
        ASSERT_EQ(ec, std::errc()) << number;
        const bool negative = round % 3 == 0;
        const std::string text = std::string(random() % 2, ' ') + (negative ? "-" : round % 3 == 1 ? "+" : "") + number;
        const std::optional<double> got = parseAmount(text);
        ASSERT_TRUE(got.has_value()) << text;
        ASSERT_EQ(bits(*got), bits(negative ? -expected : expected)) << text;
    }
}

TEST(ParseAmount, IgnoresTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, "pl_PL.UTF-8");
    if (previous == nullptr) previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(parseAmount("1.5"), 1.5);
    EXPECT_FALSE(parseAmount("1,5"));
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace
} // namespace quarvel
