#include "Nip.h"

#include <array>
#include <cstddef>

namespace quarvel {
namespace {

constexpr std::size_t kNipDigits = 10;
constexpr std::array<int, kNipDigits - 1> kNipWeights = {6, 5, 7, 2, 3, 4, 5, 6, 7};

bool isSeparator(char c) {
    return c == ' ' || c == '-';
}

bool isLetter(char c, char upper) {
    return c == upper || c == upper - 'A' + 'a';
}

} // namespace

bool isValidNip(std::string_view text) {
    // The digits are gathered as they come, so a value of any length costs one pass and no copy; a
    // "PL" is taken only before the first digit, so it can be written "PL 123…" or "pl-123…".
    std::array<int, kNipDigits> digits{};
    std::size_t count = 0;
    bool prefixSeen = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (isSeparator(c)) continue;
        if (c >= '0' && c <= '9') {
            if (count == kNipDigits) return false;
            digits[count++] = c - '0';
        } else if (count == 0 && !prefixSeen && isLetter(c, 'P') && k + 1 < text.size() && isLetter(text[k + 1], 'L')) {
            prefixSeen = true;
            ++k;
        } else {
            return false;
        }
    }
    if (count != kNipDigits) return false;
    int sum = 0;
    for (std::size_t k = 0; k < kNipWeights.size(); ++k)
        sum += digits[k] * kNipWeights[k];
    // A remainder of 10 has no digit to match: no NIP is ever issued with it.
    return sum % 11 == digits[kNipDigits - 1];
}

bool nipFieldPasses(std::string_view value) {
    if (value.find_first_not_of(' ') == std::string_view::npos) return true;
    return isValidNip(value);
}

} // namespace quarvel
