#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quarvel {

/// Eight bytes of text as one number, for looking at them all at once.
inline std::uint64_t loadEightBytes(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

/// The top bit of every byte of `word` that lies outside 0x20..0x7F. A byte below 0x20 borrows in the
/// subtraction and so sets its top bit there; a borrow can also mark a higher byte wrongly, so a printable
/// byte may be marked too, but only above one that really is below 0x20: no byte outside is ever missed.
constexpr std::uint64_t markOutsidePrintableAscii(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101U;
    constexpr std::uint64_t kHigh = 0x8080808080808080U;
    return (word | ((word - 0x20 * kOnes) & ~word)) & kHigh;
}

/// Whether some byte of `word` is 0x80 or above; exact: such a byte, and no other, has its top bit set.
constexpr bool anyByteFromHighHalf(std::uint64_t word) {
    return (word & 0x8080808080808080U) != 0;
}

/// Whether some byte of `word` lies outside 0x20..0x7F; exact (see markOutsidePrintableAscii).
constexpr bool anyByteOutsidePrintableAscii(std::uint64_t word) {
    return markOutsidePrintableAscii(word) != 0;
}

/// The place in memory, 0..7, of the lowest marked byte of a word read by loadEightBytes. Clearing the
/// lowest set bit (`marks &= marks - 1`) moves on to the next one.
inline std::size_t lowestMarkedByte(std::uint64_t marks) {
    static_assert(std::endian::native == std::endian::little, "the first byte in memory is the lowest of a word");
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

/// The top bit of each byte of `word` that equals `byte`, and no other bit. Exact: the sum below never
/// carries from one byte into the next.
constexpr std::uint64_t markBytesEqualTo(std::uint64_t word, unsigned char byte) {
    constexpr std::uint64_t kOnes = 0x0101010101010101U;
    constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7FU;
    const std::uint64_t x = word ^ (byte * kOnes);
    return ~(((x & kLow) + kLow) | x) & ~kLow;
}

/// Whether every byte of `word` is an ASCII digit. Exact: below the lowest byte that is not a digit
/// nothing borrows or carries, and that byte sets its own top bit in one of the three terms.
constexpr bool allDigits(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101U;
    constexpr std::uint64_t kHigh = 0x8080808080808080U;
    return ((word | (word - 0x30 * kOnes) | (word + 0x46 * kOnes)) & kHigh) == 0;
}

/// `word` read by loadEightBytes with its bytes from place `count` on replaced by spaces, so that a test
/// of the whole word judges only its first `count` bytes (a space is printable ASCII, not a digit, not "|").
inline std::uint64_t firstBytesThenSpaces(std::uint64_t word, std::size_t count) {
    static_assert(std::endian::native == std::endian::little, "bytes are taken from the low end of a word");
    const std::uint64_t kept = count >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * count)) - 1;
    return (word & kept) | (0x2020202020202020U & ~kept);
}

/// The number of bits set, without a call: the baseline x86-64 has no instruction for it, and the
/// library's function costs a call where the records are counted (RecordList).
constexpr std::size_t countBits(std::uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555U);
    x = (x & 0x3333333333333333U) + ((x >> 2) & 0x3333333333333333U);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FU;
    return static_cast<std::size_t>((x * 0x0101010101010101U) >> 56);
}
static_assert(countBits(0) == 0 && countBits(~std::uint64_t{0}) == 64 && countBits(0x8000000000000001U) == 2);

/// Whether every byte of `bytes` lies in 0x20..0x7F.
inline bool allPrintableAscii(const char* bytes, std::size_t size) {
    std::size_t k = 0;
    for (; k + 8 <= size; k += 8) {
        if (anyByteOutsidePrintableAscii(loadEightBytes(bytes + k))) return false;
    }
    for (; k < size; ++k) {
        const auto b = static_cast<unsigned char>(bytes[k]);
        if (b < 0x20 || b > 0x7F) return false;
    }
    return true;
}

} // namespace quarvel
