#pragma once

#include "LoadedFile.h"
#include "RecordNote.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

/// Notes on valid payment orders whose debited account, credited account, amount and four title fields
/// equal those of an earlier valid order, each naming the line of the first such order; in record order.
/// None for other kinds of file.
std::vector<RecordNote> findPossibleDoublePayments(const LoadedFile& file);

/// The hash the double-payment search files a valid order under: alike for orders alike in every compared
/// field, and apart, but for a rare collision, for orders that differ in any of them, a title's text too.
std::uint64_t sameOrderHash(const LoadedFile& file, const Record& record);

/// The 32 bits of sameOrderHash that the search files a valid order under. The checks keep them in the
/// record (Record::sameOrderTag) while its values are at hand, and the search reads them from there: it
/// must run after the checks, on the values they judged.
std::uint32_t sameOrderTag(const LoadedFile& file, const Record& record);

/// Notes on valid payment orders whose execution date is a Saturday, a Sunday or a public holiday (as the
/// validation flagged them), each with the business day the bank executes it on; in record order. The date
/// is read as the checks read it, a short year in the century of `currentYear`. None for other kinds of file.
std::vector<RecordNote> findExecutionOnDaysOff(const LoadedFile& file, std::chrono::year currentYear);

/// Both kinds of note, in record order, a record's possible double payment before its day off.
std::vector<RecordNote> findNotes(const LoadedFile& file, std::chrono::year currentYear);

/// The Polish text of a note (Windows-1250).
std::string noteText(const RecordNote& note);

} // namespace quarvel
