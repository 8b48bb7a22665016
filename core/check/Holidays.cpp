#include "Holidays.h"

#include "CheckTexts.h"

#include <array>
#include <cstdio>

namespace quarvel {
namespace {

using std::chrono::year;

// The days off of the Polish law on public holidays. When the law changes, one line here changes: a new
// holiday is a line with the year it holds from, a holiday that ends gets its last year.
constexpr std::array kPolishHolidays = {
    HolidayRule::fixed(std::chrono::January / 1),
    HolidayRule::fixed(std::chrono::January / 6, year{2011}), // Epiphany
    HolidayRule::easterPlus(0),                               // Easter Sunday
    HolidayRule::easterPlus(1),                               // Easter Monday
    HolidayRule::fixed(std::chrono::May / 1),
    HolidayRule::fixed(std::chrono::May / 3),
    HolidayRule::easterPlus(49), // Pentecost Sunday
    HolidayRule::easterPlus(60), // Corpus Christi
    HolidayRule::fixed(std::chrono::August / 15),
    HolidayRule::fixed(std::chrono::November / 1),
    HolidayRule::fixed(std::chrono::November / 11),
    HolidayRule::fixed(std::chrono::December / 24, year{2025}), // Christmas Eve
    HolidayRule::fixed(std::chrono::December / 25),
    HolidayRule::fixed(std::chrono::December / 26),
};

// The longest run of days off the rules make is five (24-26 December after a weekend); a bound far above
// it keeps a table gone wrong from looping for ever.
constexpr int kMaxDaysOffInARow = 14;

} // namespace

std::span<const HolidayRule> polishHolidayRules() {
    return kPolishHolidays;
}

std::chrono::year_month_day easterSunday(std::chrono::year y) {
    // The anonymous Gregorian algorithm (Meeus, Jones, Butcher): the Paschal full moon from the golden
    // number and the century's solar and lunar corrections, then the following Sunday.
    const int yearNumber = static_cast<int>(y);
    const int a = yearNumber % 19;
    const int b = yearNumber / 100;
    const int c = yearNumber % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return {y, std::chrono::month{static_cast<unsigned>(month)}, std::chrono::day{static_cast<unsigned>(day)}};
}

bool isPublicHoliday(std::chrono::year_month_day date) {
    if (!date.ok()) return false;
    const year y = date.year();
    const std::chrono::month_day monthDay = date.month() / date.day();
    // Easter is worked out only when a rule that needs it holds in this year.
    std::chrono::sys_days easter{};
    bool easterKnown = false;
    for (const HolidayRule& rule : kPolishHolidays) {
        if (y < rule.firstYear || y > rule.lastYear) continue;
        if (rule.anchor == HolidayAnchor::FixedDate) {
            if (rule.date == monthDay) return true;
            continue;
        }
        if (!easterKnown) {
            easter = std::chrono::sys_days{easterSunday(y)};
            easterKnown = true;
        }
        if (std::chrono::sys_days{date} == easter + rule.afterEaster) return true;
    }
    return false;
}

bool isDayOff(std::chrono::year_month_day date) {
    if (!date.ok()) return false;
    const std::chrono::weekday weekday{std::chrono::sys_days{date}};
    return weekday == std::chrono::Saturday || weekday == std::chrono::Sunday || isPublicHoliday(date);
}

std::chrono::year_month_day businessDayFrom(std::chrono::year_month_day date) {
    if (!date.ok()) return date;
    std::chrono::sys_days day{date};
    for (int k = 0; k < kMaxDaysOffInARow && isDayOff(std::chrono::year_month_day{day}); ++k)
        day += std::chrono::days{1};
    return std::chrono::year_month_day{day};
}

std::string polishDateWithWeekday(std::chrono::year_month_day date) {
    if (!date.ok()) return {};
    const std::chrono::weekday weekday{std::chrono::sys_days{date}};
    char digits[32];
    const int written = std::snprintf(digits, sizeof digits, "%02u.%02u.%04d", static_cast<unsigned>(date.day()),
                                      static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
    std::string text = texts::kWeekdayNames[weekday.c_encoding()];
    text += ", ";
    text.append(digits, written > 0 ? static_cast<std::size_t>(written) : 0);
    return text;
}

} // namespace quarvel
