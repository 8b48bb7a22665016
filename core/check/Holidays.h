#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace quarvel {

/// How a public holiday's date is found.
enum class HolidayAnchor : unsigned char {
    FixedDate, ///< the same day every year
    Easter,    ///< a number of days after Easter Sunday
};

/// One public holiday and the years the law makes it one.
struct HolidayRule {
    HolidayAnchor anchor = HolidayAnchor::FixedDate;
    std::chrono::month_day date{};                          ///< FixedDate: its day
    std::chrono::days afterEaster{};                        ///< Easter: days after Easter Sunday
    std::chrono::year firstYear = std::chrono::year::min(); ///< a day off from 1 January of this year
    std::chrono::year lastYear = std::chrono::year::max();  ///< and until the end of this year

    static constexpr HolidayRule fixed(std::chrono::month_day day, std::chrono::year from = std::chrono::year::min()) {
        return {HolidayAnchor::FixedDate, day, {}, from, std::chrono::year::max()};
    }
    static constexpr HolidayRule easterPlus(int days, std::chrono::year from = std::chrono::year::min()) {
        return {HolidayAnchor::Easter, {}, std::chrono::days{days}, from, std::chrono::year::max()};
    }
};

/// The Polish public holidays on which banks do not execute orders.
std::span<const HolidayRule> polishHolidayRules();

/// Easter Sunday of a year of the Gregorian calendar.
std::chrono::year_month_day easterSunday(std::chrono::year year);

/// Whether the date is a Polish public holiday; an invalid date is none.
bool isPublicHoliday(std::chrono::year_month_day date);

/// Whether the date is a Saturday, a Sunday or a public holiday; an invalid date is none.
bool isDayOff(std::chrono::year_month_day date);

/// The first business day from the date on: the date itself when it is one. An invalid date is returned
/// as it is.
std::chrono::year_month_day businessDayFrom(std::chrono::year_month_day date);

/// `compute(date)` kept by day. The orders of a file share a few hundred dates: the results are kept one
/// per place of a small table, and a date taking another's place is worked out again. One per thread.
template <class Result, Result (*compute)(std::chrono::year_month_day)> class DayTable {
public:
    Result operator()(std::chrono::year_month_day date) {
        const auto day = static_cast<std::int32_t>(std::chrono::sys_days(date).time_since_epoch().count());
        Entry& entry = m_entries[static_cast<std::uint32_t>(day) % m_entries.size()];
        if (!entry.known || entry.day != day) entry = {day, true, compute(date)};
        return entry.result;
    }

private:
    struct Entry {
        std::int32_t day = 0;
        bool known = false;
        Result result{};
    };
    std::array<Entry, 1024> m_entries{};
};

/// The date as a Polish reader writes it, with its weekday, Windows-1250: "poniedziałek, 28.12.2026".
/// Empty for an invalid date.
std::string polishDateWithWeekday(std::chrono::year_month_day date);

} // namespace quarvel
