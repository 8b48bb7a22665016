#pragma once

#include "Correction.h"
#include "LoadedFile.h"

#include <chrono>

#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// Judges every record (field checks, then account, date and amount checks), counts the valid and
/// invalid records and sums the valid amounts. Judges the values of the last correction run, and takes the verdict on a raw amount from it. With `checkNrbDigits` an account number
/// of 26 digits must also have the check digits of the Polish IBAN it is; with `checkNipDigits` a contractor's
/// NIP, when given, must have its check digit. A valid payment order dated on a day off is flagged
/// (Record::executionOnDayOff) for the notes.
void validateRecords(LoadedFile& file, std::chrono::year currentYear, bool checkNrbDigits = false,
                     bool checkNipDigits = false);

/// A correction run (runCorrectionPass) and validateRecords in one pass over the records: each is judged
/// right after it is corrected. The same results as the two one after the other.
void correctAndValidate(LoadedFile& file, const CorrectionSettings& settings, std::chrono::year_month_day today,
                        bool checkNrbDigits, bool checkNipDigits);

/// The Polish texts of the checks' messages on field j of record i (Windows-1250), in the order the checks
/// add them: the field checks', then the content checks'.
std::vector<std::string> fieldErrors(const LoadedFile& file, std::size_t i, std::size_t j);

/// The Polish text of one field message (Windows-1250); the length message names `length` and `maxLength`.
std::string fieldErrorText(FieldErrorBit error, std::size_t length, std::int32_t maxLength);

/// Exactly 26 decimal digits.
bool isNrbNumber(std::string_view text);

/// Whether an account number that passes isNrbNumber has the check digits of the Polish IBAN it is
/// (ISO 13616): its 24 digits after the first two, then "2521" for "PL", then its first two digits, read
/// as one number, leave 1 when divided by 97.
bool hasNrbCheckDigits(std::string_view nrb);

/// The amount in the pattern "### ### ### ### ##0.00" followed by " PLN", for example "   1 234,50 PLN".
std::string formatTotal(double amount);

} // namespace quarvel
