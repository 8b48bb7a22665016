#pragma once

#include "Typy/FieldDefs.h"

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
};

/// The messages about a whole line, one bit each.
enum LineErrorBit : std::uint8_t {
    kNoData = 1 << 0,
    kTooManyFields = 1 << 1,
};

/// One data line of the input file.
///
/// A million lines must fit in little more than the file's own size, so a record holds no texts itself:
/// its raw values lie one after another in LoadedFile::rawBytes; a corrected value is its raw value or,
/// where correction wrote a new text, an entry of LoadedFile::fixBytes, either cut to the length the
/// correction keeps (LoadedFile::keptLength); its messages are bits from which LoadedFile rebuilds the
/// Polish texts. LoadedFile reads every field as text. Every pass over the records reads them all, so
/// a record is kept to one cache line.
struct TRecOfFile {
    std::uint64_t rawOffset = 0; ///< first byte of the raw values in LoadedFile::rawBytes
    std::uint64_t fixOffset = 0; ///< first entry of the rewritten values in LoadedFile::fixBytes
    double amount = 0;
    std::array<std::uint8_t, kMaxFieldCount> rawLength{};
    std::array<std::uint8_t, kMaxFieldCount> fieldErrorBits{};
    std::uint16_t fixedMask = 0;   ///< fields with an entry in fixBytes (a rewritten text, or a part of the raw value)
    std::uint16_t invalidMask = 0; ///< fields whose fieldValid is false
    std::uint16_t asciiMask = 0;   ///< fields whose raw value holds only bytes 0x20..0x7F (set by the reader)
    std::uint8_t fieldCount = 0;   ///< 13, 11, or 0 for a line without data
    std::uint8_t lineErrorBits = 0;
    bool hasFieldErrors = false;
    bool changed = false;
    bool amountRead = false; ///< the raw amount value reads as an amount (set by the correction)

    bool fieldValid(std::size_t j) const { return ((invalidMask >> j) & 1U) == 0; }
    /// Valid: no line error and no field error. The counts, the grid, the output and the log use this rule.
    bool isValid() const { return lineErrorBits == 0 && !hasFieldErrors; }
};
static_assert(sizeof(TRecOfFile) <= 64, "a record fits in one cache line");

} // namespace quarvel
