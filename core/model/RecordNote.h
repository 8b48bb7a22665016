#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quarvel {

/// What a note says about a record.
enum class NoteKind : std::uint8_t {
    PossibleDoublePayment, ///< the same order as an earlier one
    ExecutionOnDayOff,     ///< the execution date is a Saturday, a Sunday or a public holiday
};

/// A note on a record: something the user should look at before sending the file, which the bank would
/// accept all the same. A note never makes a record invalid and never reaches the output file or the log.
/// Kept in 16 bytes: a file of a million orders may hold a note on each.
struct RecordNote {
    std::uint32_t record = 0;      ///< the record's position in the file (its line number is LoadedFile::lineNumber)
    std::uint32_t earlierLine = 0; ///< PossibleDoublePayment: the line of the earlier order
    std::chrono::year_month_day businessDay{}; ///< ExecutionOnDayOff: the day the bank executes the order
    NoteKind kind = NoteKind::PossibleDoublePayment;

    friend bool operator==(const RecordNote&, const RecordNote&) = default;
};

static_assert(sizeof(RecordNote) <= 16);

} // namespace quarvel
