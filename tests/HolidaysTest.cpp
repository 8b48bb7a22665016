#include "Holidays.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace quarvel {
namespace {

using namespace std::chrono;
using test::W;

// A date as a failure message shows it.
std::string iso(year_month_day date) {
    char text[32];
    std::snprintf(text, sizeof text, "%d-%02u-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()));
    return text;
}

// Easter by Gauss's method with its two exceptions, as a second computation to hold the first against.
year_month_day gaussEaster(int y) {
    const int a = y % 19;
    const int b = y % 4;
    const int c = y % 7;
    const int k = y / 100;
    const int p = (13 + 8 * k) / 25;
    const int q = k / 4;
    const int m = (15 - p + k - q) % 30;
    const int n = (4 + k - q) % 7;
    const int d = (19 * a + m) % 30;
    const int e = (2 * b + 4 * c + 6 * d + n) % 7;
    int daysAfterMarch22 = d + e;
    if (d == 29 && e == 6) daysAfterMarch22 = 28;                            // 19 April, not 26
    if (d == 28 && e == 6 && (11 * m + 11) % 30 < 19) daysAfterMarch22 = 27; // 18 April, not 25
    return year_month_day{sys_days{year{y} / March / 22} + days{daysAfterMarch22}};
}

TEST(Holidays, EasterAgreesWithGaussAndTheAlmanac) {
    for (int y = 1900; y <= 2100; ++y)
        EXPECT_EQ(iso(easterSunday(year{y})), iso(gaussEaster(y)));
    // Dates from the almanac, among them the earliest and latest Easters of the range and the years where
    // Gauss's method needs its exceptions.
    const std::vector<year_month_day> known = {
        2024y / March / 31, 2025y / April / 20, 2026y / April / 5,  2027y / March / 28, 1900y / April / 15,
        1913y / March / 23, 2008y / March / 23, 1943y / April / 25, 2038y / April / 25, 1981y / April / 19,
        2076y / April / 19, 1954y / April / 18, 2049y / April / 18, 2000y / April / 23, 2100y / March / 28,
    };
    for (const year_month_day& date : known)
        EXPECT_EQ(iso(easterSunday(date.year())), iso(date));
}

TEST(Holidays, TheDaysOffOf2024To2027) {
    // From the calendar; 24 December is a day off from 2025 on.
    const std::vector<year_month_day> holidays = {
        2024y / 1 / 1,   2024y / 1 / 6,   2024y / 3 / 31, 2024y / 4 / 1,  2024y / 5 / 1,   2024y / 5 / 3,
        2024y / 5 / 19,  2024y / 5 / 30,  2024y / 8 / 15, 2024y / 11 / 1, 2024y / 11 / 11, 2024y / 12 / 25,
        2024y / 12 / 26, //
        2025y / 1 / 1,   2025y / 1 / 6,   2025y / 4 / 20, 2025y / 4 / 21, 2025y / 5 / 1,   2025y / 5 / 3,
        2025y / 6 / 8,   2025y / 6 / 19,  2025y / 8 / 15, 2025y / 11 / 1, 2025y / 11 / 11, 2025y / 12 / 24,
        2025y / 12 / 25, 2025y / 12 / 26, //
        2026y / 1 / 1,   2026y / 1 / 6,   2026y / 4 / 5,  2026y / 4 / 6,  2026y / 5 / 1,   2026y / 5 / 3,
        2026y / 5 / 24,  2026y / 6 / 4,   2026y / 8 / 15, 2026y / 11 / 1, 2026y / 11 / 11, 2026y / 12 / 24,
        2026y / 12 / 25, 2026y / 12 / 26, //
        2027y / 1 / 1,   2027y / 1 / 6,   2027y / 3 / 28, 2027y / 3 / 29, 2027y / 5 / 1,   2027y / 5 / 3,
        2027y / 5 / 16,  2027y / 5 / 27,  2027y / 8 / 15, 2027y / 11 / 1, 2027y / 11 / 11, 2027y / 12 / 24,
        2027y / 12 / 25, 2027y / 12 / 26,
    };
    for (sys_days day = sys_days{2024y / 1 / 1}; day <= sys_days{2027y / 12 / 31}; day += days{1}) {
        const year_month_day date{day};
        const bool holiday = std::find(holidays.begin(), holidays.end(), date) != holidays.end();
        const weekday w{day};
        EXPECT_EQ(isPublicHoliday(date), holiday) << iso(date);
        EXPECT_EQ(isDayOff(date), holiday || w == Saturday || w == Sunday) << iso(date);
    }
    // The two holidays with a first year are working days before it.
    EXPECT_FALSE(isPublicHoliday(2010y / 1 / 6));
    EXPECT_TRUE(isPublicHoliday(2011y / 1 / 6));
}

TEST(Holidays, TheBankExecutesOnTheNextBusinessDayWrittenWithItsWeekday) {
    struct Case {
        year_month_day date;
        std::string businessDay; // UTF-8
    };
    const std::vector<Case> cases = {
        {2026y / 12 / 24, "poniedziałek, 28.12.2026"}, // Christmas, then a weekend
        {2026y / 12 / 26, "poniedziałek, 28.12.2026"},
        {2026y / 12 / 28, "poniedziałek, 28.12.2026"}, // a business day is its own
        {2024y / 12 / 24, "wtorek, 24.12.2024"},       // before 24 December became a holiday
        {2027y / 12 / 24, "poniedziałek, 27.12.2027"},
        {2024y / 3 / 30, "wtorek, 02.04.2024"}, // Saturday, Easter Sunday and Monday
        {2025y / 5 / 1, "piątek, 02.05.2025"},
        {2025y / 5 / 3, "poniedziałek, 05.05.2025"}, // 3 May on a Saturday
        {2026y / 6 / 4, "piątek, 05.06.2026"},       // Corpus Christi
        {2026y / 1 / 6, "środa, 07.01.2026"},
        {2026y / 12 / 31, "czwartek, 31.12.2026"},
        {2027y / 1 / 1, "poniedziałek, 04.01.2027"}, // across the year, over a weekend
        {2028y / 1 / 1, "poniedziałek, 03.01.2028"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(polishDateWithWeekday(businessDayFrom(c.date)), W(c.businessDay)) << iso(c.date);
}

// The checks and the notes keep their verdicts by day in a small table: days that share its places
// (1024 days apart) come in any order and must each get their own.
TEST(Holidays, ADayTableGivesEachDayItsOwnResult) {
    std::vector<year_month_day> dates;
    for (sys_days day = sys_days{2024y / 1 / 1}; day < sys_days{2031y / 1 / 1}; day += std::chrono::days{1})
        dates.emplace_back(day);
    std::mt19937 random(1024);
    std::shuffle(dates.begin(), dates.end(), random);
    DayTable<bool, isDayOff> dayOff;
    DayTable<year_month_day, businessDayFrom> businessDay;
    for (int round = 0; round < 2; ++round) {
        for (const year_month_day date : dates) {
            ASSERT_EQ(dayOff(date), isDayOff(date)) << iso(date);
            ASSERT_EQ(businessDay(date), businessDayFrom(date)) << iso(date);
        }
    }
}

TEST(Holidays, EveryWeekdayHasItsPolishName) {
    const std::vector<std::string> week = {"poniedziałek, 07.12.2026", "wtorek, 08.12.2026", "środa, 09.12.2026",
                                           "czwartek, 10.12.2026",     "piątek, 11.12.2026", "sobota, 12.12.2026",
                                           "niedziela, 13.12.2026"};
    for (unsigned k = 0; k < week.size(); ++k)
        EXPECT_EQ(polishDateWithWeekday(2026y / 12 / day{7 + k}), W(week[k]));
    // Dates that do not exist are no days off and have no text.
    for (const year_month_day bad : {2026y / 2 / 29, 2026y / 13 / 1, 2026y / 4 / 31, year_month_day{}}) {
        EXPECT_FALSE(isDayOff(bad));
        EXPECT_EQ(businessDayFrom(bad), bad);
        EXPECT_EQ(polishDateWithWeekday(bad), "");
    }
}

} // namespace
} // namespace quarvel
