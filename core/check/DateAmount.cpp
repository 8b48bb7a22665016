#include "DateAmount.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace quarvel {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

class DateReader {
public:
    explicit DateReader(std::string_view text) : m_text(text) {}

    void skipSpaces() {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
    }
    bool separator() {
        skipSpaces();
        if (m_pos < m_text.size() && m_text[m_pos] == kDateSettings.separator) {
            ++m_pos;
            return true;
        }
        return false;
    }
    /// A run of digits, ending at the first non-digit or once the value has reached 1000.
    bool number(int& value, int& digits) {
        skipSpaces();
        value = 0;
        digits = 0;
        while (m_pos < m_text.size() && isDigit(m_text[m_pos]) && value < 1000) {
            value = value * 10 + (m_text[m_pos] - '0');
            ++digits;
            ++m_pos;
        }
        return digits > 0;
    }
    bool atEnd() {
        skipSpaces();
        return m_pos == m_text.size();
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// The power of ten of the first significant digit of "digits[.digits]": 0 for 1..9, -1 for 0.1..0.9.
long long decimalMagnitude(std::string_view mantissa) {
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return 0;
    if (first < point) return static_cast<long long>(point - first) - 1;
    return -static_cast<long long>(first - point);
}

// Up to 15 digits make an integer that a double holds exactly, and so do the powers of ten up to 10^15:
// the double nearest to such a decimal, as from_chars reads it, is then one division of exact numbers,
// which is rounded to the nearest.
constexpr std::size_t kMaxExactDigits = 15;
constexpr std::array<double, kMaxExactDigits + 1> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Whether `text` is "MM/DD/YY" exactly, two digits each: most dates are.
bool isTwoDigitDate(std::string_view text) {
    if (text.size() != kOrderDateLength || text[2] != kDateSettings.separator || text[5] != kDateSettings.separator)
        return false;
    for (const std::size_t k : {0, 1, 3, 4, 6, 7}) {
        if (!isDigit(text[k])) return false;
    }
    return true;
}

int twoDigits(const char* text) {
    return (text[0] - '0') * 10 + (text[1] - '0');
}

} // namespace

std::optional<std::chrono::year_month_day> parseOrderDate(std::string_view text, std::chrono::year currentYear) {
    const int century = 100 * (static_cast<int>(currentYear) / 100);
    int month = 0;
    int day = 0;
    int year = static_cast<int>(currentYear);
    if (isTwoDigitDate(text)) {
        // Read at once, as the reader below reads it.
        month = twoDigits(text.data());
        day = twoDigits(text.data() + 3);
        year = twoDigits(text.data() + 6) + century;
    } else {
        DateReader in(text);
        int digits = 0;
        if (!in.number(month, digits) || !in.separator() || !in.number(day, digits)) return std::nullopt;
        if (in.separator()) {
            int written = 0;
            if (!in.number(written, digits)) return std::nullopt;
            year = digits <= 2 ? written + century : written;
            in.separator();
        }
        if (!in.atEnd()) return std::nullopt;
    }
    // std::chrono::day keeps only a byte of its argument (day 257 would become day 1), so the day is
    // bounded before it is built.
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) return std::nullopt;
    return date;
}

void writeOrderDate(std::chrono::year_month_day date, char* out) {
    const auto twoDigits = [](unsigned n, char* at) {
        at[0] = static_cast<char>('0' + n / 10 % 10);
        at[1] = static_cast<char>('0' + n % 10);
    };
    twoDigits(static_cast<unsigned>(date.month()), out);
    out[2] = kDateSettings.separator;
    twoDigits(static_cast<unsigned>(date.day()), out + 3);
    out[5] = kDateSettings.separator;
    twoDigits(static_cast<unsigned>(static_cast<int>(date.year()) % 100), out + 6);
}

std::string formatOrderDate(std::chrono::year_month_day date) {
    std::string text(kOrderDateLength, '\0');
    writeOrderDate(date, text.data());
    return text;
}

std::optional<double> parseAmount(std::string_view text) {
    std::size_t pos = 0;
    const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
    while (at(pos) == ' ') ++pos;
    bool negativeSign = false;
    if (at(pos) == '+' || at(pos) == '-') {
        negativeSign = at(pos) == '-';
        ++pos;
    }
    const std::size_t mantissa = pos;
    // The digits are gathered into one integer as they are passed, while there are few enough of them.
    std::uint64_t integer = 0;
    std::size_t digits = 0;
    std::size_t fractionDigits = 0;
    const auto digitRun = [&](bool fraction) {
        for (; isDigit(at(pos)); ++pos, ++digits) {
            if (digits < kMaxExactDigits) integer = integer * 10 + static_cast<std::uint64_t>(text[pos] - '0');
            if (fraction) ++fractionDigits;
        }
    };
    digitRun(false);
    bool point = false;
    if (at(pos) == '.') {
        point = true;
        ++pos;
        digitRun(true);
    }
    if (digits == 0 && !point) return std::nullopt;
    const std::size_t mantissaEnd = pos;
    bool negativeExponent = false;
    long long exponent = 0; // saturated: only its size relative to a double's range matters
    if (at(pos) == 'e' || at(pos) == 'E') {
        ++pos;
        if (at(pos) == '+' || at(pos) == '-') {
            negativeExponent = at(pos) == '-';
            ++pos;
        }
        if (!isDigit(at(pos))) return std::nullopt;
        while (isDigit(at(pos))) {
            exponent = std::min(exponent * 10 + (at(pos) - '0'), 1'000'000LL);
            ++pos;
        }
    }
    const std::size_t end = pos;
    while (at(pos) == ' ') ++pos;
    if (pos != text.size()) return std::nullopt;

    if (digits == 0) return negativeSign ? -0.0 : 0.0; // a lone point reads as 0
    if (end == mantissaEnd && digits <= kMaxExactDigits) {
        const double value = static_cast<double>(integer) / kPowersOfTen[fractionDigits];
        return negativeSign ? -value : value;
    }
    double value = 0;
    // from_chars takes no leading "+" and no bare "." before the exponent, and ignores the locale.
    const char* first = text.data() + mantissa;
    const char* last = text.data() + end;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // Out of range either way: too large fails, too small reads as zero. The sign of the exponent
        // alone cannot tell which ("1" and 320 zeros "e-5" is too large), the decimal magnitude can.
        const long long signedExponent = negativeExponent ? -exponent : exponent;
        if (decimalMagnitude(text.substr(mantissa, mantissaEnd - mantissa)) + signedExponent > 0) return std::nullopt;
        value = 0;
    } else if (ec != std::errc() || ptr != last) {
        return std::nullopt;
    }
    return negativeSign ? -value : value;
}

} // namespace quarvel
