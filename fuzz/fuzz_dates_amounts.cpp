// The readers of execution dates and amounts on arbitrary text.
//
// Input: two bytes choosing the current year, then the text. A date is compared with a reading of its
// own built the other way round (tokens first, then their order); an amount with strtod of the "C"
// locale: whatever reads must read to the same number, except that a value too small for a double reads
// as zero, and a lone point reads as 0 where strtod reads nothing.

#include "FuzzSupport.h"

#include "DateAmount.h"
#include "Validation.h"

#include <cerrno>
#include <cfloat>
#include <clocale>
#include <cmath>

namespace quarvel::fuzz {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// ---- Dates ----------------------------------------------------------------------------------------------

struct Token {
    enum Kind { Number, Slash } kind;
    std::string_view digits;
};

std::optional<std::chrono::year_month_day> referenceDate(std::string_view text, std::chrono::year currentYear) {
    // Spaces only separate tokens; digits must stand together; nothing but digits, "/" and spaces.
    std::vector<Token> tokens;
    for (std::size_t k = 0; k < text.size();) {
        if (text[k] == ' ') {
            ++k;
        } else if (text[k] == '/') {
            tokens.push_back({Token::Slash, {}});
            ++k;
        } else if (isDigit(text[k])) {
            const std::size_t start = k;
            while (k < text.size() && isDigit(text[k])) ++k;
            tokens.push_back({Token::Number, text.substr(start, k - start)});
        } else {
            return std::nullopt;
        }
    }
    // N / N, N / N / N or N / N / N /
    const std::size_t n = tokens.size();
    if (n != 3 && n != 5 && n != 6) return std::nullopt;
    for (std::size_t k = 0; k < n; ++k) {
        if (tokens[k].kind != (k % 2 == 0 ? Token::Number : Token::Slash)) return std::nullopt;
    }
    // A number is read until its value reaches 1000, so a run with more than four significant digits
    // leaves digits behind, which no rule accepts.
    std::vector<int> numbers;
    for (std::size_t k = 0; k < n; k += 2) {
        const std::string_view run = tokens[k].digits;
        const std::size_t significant = run.size() - std::min(run.find_first_not_of('0'), run.size());
        if (significant > 4) return std::nullopt;
        numbers.push_back(significant == 0 ? 0 : std::stoi(std::string(run)));
    }
    int year = static_cast<int>(currentYear);
    if (n >= 5) {
        year = tokens[4].digits.size() <= 2 ? numbers[2] + 100 * (static_cast<int>(currentYear) / 100) : numbers[2];
    }
    if (year < 1 || year > 9999 || numbers[0] < 1 || numbers[0] > 12 || numbers[1] > 31) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(numbers[0])},
                                           std::chrono::day{static_cast<unsigned>(numbers[1])}};
    if (!date.ok()) return std::nullopt;
    return date;
}

void checkDate(std::string_view text, std::chrono::year currentYear) {
    const auto got = parseOrderDate(text, currentYear);
    const auto expected = referenceDate(text, currentYear);
    FUZZ_CHECK(got.has_value() == expected.has_value(), "date '" + std::string(text) + "'");
    if (!got) return;
    FUZZ_CHECK(*got == *expected, "date value of '" + std::string(text) + "'");
    FUZZ_CHECK(got->ok());
    // Written as MM/DD/YY it reads back as the same date when that lies in the current century.
    const std::string written = formatOrderDate(*got);
    FUZZ_CHECK(written.size() == 8 && written[2] == '/' && written[5] == '/', written);
    if (static_cast<int>(got->year()) / 100 != static_cast<int>(currentYear) / 100) return;
    const auto again = parseOrderDate(written, currentYear);
    FUZZ_CHECK(again.has_value() && *again == *got, written);
}

// ---- Amounts --------------------------------------------------------------------------------------------

/// Whether the text has the shape of an amount: spaces, sign, digits with an optional point and digits
/// (at least a digit or the point), an optional exponent with digits, spaces. Also says whether the part
/// before the exponent holds a digit.
bool amountShape(std::string_view text, bool& mantissaDigits) {
    std::size_t k = 0;
    const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
    while (at(k) == ' ') ++k;
    if (at(k) == '+' || at(k) == '-') ++k;
    std::size_t digits = 0;
    bool point = false;
    while (isDigit(at(k)) || (at(k) == '.' && !point)) {
        if (at(k) == '.') {
            point = true;
        } else {
            ++digits;
        }
        ++k;
    }
    mantissaDigits = digits > 0;
    if (digits == 0 && !point) return false;
    if (at(k) == 'e' || at(k) == 'E') {
        ++k;
        if (at(k) == '+' || at(k) == '-') ++k;
        if (!isDigit(at(k))) return false;
        while (isDigit(at(k))) ++k;
    }
    while (at(k) == ' ') ++k;
    return k == text.size();
}

void checkAmount(std::string_view text) {
    const std::optional<double> got = parseAmount(text);
    bool mantissaDigits = false;
    const bool shaped = amountShape(text, mantissaDigits);
    const std::string where = "amount '" + std::string(text) + "'";
    if (!shaped) {
        FUZZ_CHECK(!got.has_value(), where + " reads though it is no number");
        return;
    }
    if (!mantissaDigits) {
        FUZZ_CHECK(got.has_value() && *got == 0, where + ": a lone point reads as 0");
        return;
    }
    const std::string copy(text);
    errno = 0;
    char* end = nullptr;
    const double expected = std::strtod(copy.c_str(), &end);
    const bool range = errno == ERANGE;
    // strtod stops before the trailing spaces.
    FUZZ_CHECK(end != copy.c_str());
    for (const char* p = end; *p != '\0'; ++p) FUZZ_CHECK(*p == ' ', where + ": strtod stopped early");
    if (range && std::isinf(expected)) {
        FUZZ_CHECK(!got.has_value(), where + " overflows but reads");
        return;
    }
    FUZZ_CHECK(got.has_value(), where + " does not read");
    if (range) {
        // Underflow: zero, or the same subnormal value strtod gives.
        FUZZ_CHECK(*got == 0 || *got == expected, where + " underflow");
        FUZZ_CHECK(std::fabs(expected) < DBL_MIN, where);
        return;
    }
    FUZZ_CHECK(*got == expected, where + " reads to another number");
    // The total of such amounts is always shown.
    const std::string total = formatTotal(*got);
    FUZZ_CHECK(total.ends_with(" PLN") && total.size() < 420, total);
}

} // namespace
} // namespace quarvel::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarvel::fuzz;
    Choices choose(data, size);
    const int high = choose.byte();
    const int low = choose.byte();
    const std::chrono::year currentYear{1 + (high * 256 + low) % 9999};
    const std::string_view text = choose.rest();
    checkDate(text, currentYear);
    checkAmount(text);
    return 0;
}
