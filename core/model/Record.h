#pragma once

#include "Layout.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quarvel {

/// The messages a field can carry, one bit each, in the order the checks add them.
enum FieldErrorBit : std::uint8_t {
    kRequiredEmpty = 1 << 0,
    kTooLong = 1 << 1,
    kNotPermittedChars = 1 << 2,
    kBadNrb = 1 << 3,
    kBadDate = 1 << 4,
    kBadAmount = 1 << 5,
    kBadNrbCheckDigits = 1 << 6, ///< told in the place of kBadNrb, which it never comes with
    kBadNip = 1 << 7,
};

/// The messages about a whole line, one bit each.
enum LineErrorBit : std::uint8_t {
    kNoData = 1 << 0,
    kTooManyFields = 1 << 1,
};

/// The most bytes of a field's raw value a record keeps; the rest of a longer field is never read.
inline constexpr std::size_t kMaxFieldBytes = 250;

/// One data line of the input file.
///
/// A million lines must fit in little more than the file's own size, so a record holds no texts itself:
/// its values lie in the RecordStore, which alone knows where (the offsets below are its own); its
/// messages are bits from which the Polish texts are rebuilt. Every pass over the records reads them all,
/// so a record is kept to one cache line.
struct Record {
    std::uint64_t rawOffset = 0; ///< the store's: first byte of the raw values
    std::uint64_t fixOffset = 0; ///< the store's: first entry of the rewritten values
    double amount = 0;
    std::array<std::uint8_t, kMaxFieldCount> rawLength{};
    std::array<std::uint8_t, kMaxFieldCount> fieldErrorBits{};
    std::uint16_t fixedMask = 0;   ///< fields the last correction run rewrote (see isRewritten)
    std::uint16_t invalidMask = 0; ///< fields whose fieldValid is false
    std::uint16_t asciiMask = 0;   ///< fields whose raw value holds only bytes 0x20..0x7F (see rawIsAscii)
    std::uint16_t decodedMask = 0; ///< rewritten fields whose value is their raw value decoded from UTF-8, no more
    std::uint8_t lineErrorBits = 0;
    std::uint8_t fieldCount : 4 = 0; ///< 13, 11, or 0 for a line without data
    bool hasFieldErrors : 1 = false;
    bool changed : 1 = false;
    bool amountRead : 1 = false;        ///< the raw amount value reads as an amount (set by the correction)
    bool executionOnDayOff : 1 = false; ///< a valid order dated on a day off (set by the validation)
    /// Of a valid payment order, the tag its same-order hash is filed under in the search for double
    /// payments, made by the checks while its values are at hand (see sameOrderTag); 0 otherwise.
    std::uint32_t sameOrderTag = 0;

    bool fieldValid(std::size_t j) const { return ((invalidMask >> j) & 1U) == 0; }
    /// Whether the last correction run gave field j a value other than its raw value: a rewritten text, or
    /// a part of the raw value.
    bool isRewritten(std::size_t j) const { return ((fixedMask >> j) & 1U) != 0; }
    /// Whether the raw value of field j holds only printable ASCII (0x20..0x7F), as the reader found while
    /// the bytes were at hand, so that the checks and the writer need not look at them again.
    bool rawIsAscii(std::size_t j) const { return ((asciiMask >> j) & 1U) != 0; }
    /// Whether the last correction run rewrote field j with its decoded raw value and nothing else.
    bool isOnlyDecoded(std::size_t j) const { return ((decodedMask >> j) & 1U) != 0; }
    void markRawAscii(std::size_t j) { asciiMask = static_cast<std::uint16_t>(asciiMask | (1U << j)); }
    /// Sets fieldCount, which is at most kMaxFieldCount.
    void setFieldCount(std::size_t count) { fieldCount = count & 0xFU; }
    /// Valid: no line error and no field error. The counts, the grid, the output and the log use this rule.
    bool isValid() const { return lineErrorBits == 0 && !hasFieldErrors; }
};
static_assert(sizeof(Record) <= 64, "a record fits in one cache line");
static_assert(kMaxFieldCount < 16, "a field count fits in its four bits");

} // namespace quarvel
