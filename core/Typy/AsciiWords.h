#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quarvel {

/// Eight bytes of text as one number, for looking at them all at once.
inline std::uint64_t LoadEightBytes(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

/// Whether some byte of `word` lies outside 0x20..0x7F. A byte below 0x20 borrows in the subtraction and
/// so sets its top bit there; a borrow can also mark a higher byte wrongly, but only when some byte really
/// is below 0x20, so the answer is exact.
constexpr bool AnyByteOutsidePrintableAscii(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101U;
    constexpr std::uint64_t kHigh = 0x8080808080808080U;
    return ((word | ((word - 0x20 * kOnes) & ~word)) & kHigh) != 0;
}

/// Whether every byte of `word` is an ASCII digit. Exact: below the lowest byte that is not a digit
/// nothing borrows or carries, and that byte sets its own top bit in one of the three terms.
constexpr bool AllDigits(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101U;
    constexpr std::uint64_t kHigh = 0x8080808080808080U;
    return ((word | (word - 0x30 * kOnes) | (word + 0x46 * kOnes)) & kHigh) == 0;
}

/// Whether every byte of `bytes` lies in 0x20..0x7F.
inline bool AllPrintableAscii(const char* bytes, std::size_t size) {
    std::size_t k = 0;
    for (; k + 8 <= size; k += 8) {
        if (AnyByteOutsidePrintableAscii(LoadEightBytes(bytes + k))) return false;
    }
    for (; k < size; ++k) {
        const auto b = static_cast<unsigned char>(bytes[k]);
        if (b < 0x20 || b > 0x7F) return false;
    }
    return true;
}

} // namespace quarvel
