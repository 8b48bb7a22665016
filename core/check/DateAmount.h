#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

/// The program's own date settings, fixed at start-up and independent of the system's: "/" between the
/// parts, and dates written MM/DD/YY (formatOrderDate).
struct DateSettings {
    char separator = '/';
};
inline constexpr DateSettings kDateSettings{};

/// Reads month/day[/year[/]] with "/" between the numbers and spaces allowed before each number and
/// separator. A year of one or two digits lies in the current century, without a year the date is in
/// the current year. Nothing else reads as a date.
std::optional<std::chrono::year_month_day> parseOrderDate(std::string_view text, std::chrono::year currentYear);

/// The date as MM/DD/YY: two-digit month and day, the last two digits of the year.
std::string formatOrderDate(std::chrono::year_month_day date);

/// The length of formatOrderDate's text, which is the maximum length of the date field of the layout.
inline constexpr std::size_t kOrderDateLength = 8;

/// Writes formatOrderDate's text at `out`, which has room for kOrderDateLength bytes.
void writeOrderDate(std::chrono::year_month_day date, char* out);

/// Reads a decimal number with "." as the only decimal point: optional spaces and sign, digits with an
/// optional fraction (a lone point is 0), an optional exponent, optional spaces. Overflow fails.
std::optional<double> parseAmount(std::string_view text);

} // namespace quarvel
