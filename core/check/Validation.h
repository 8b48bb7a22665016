#pragma once

#include "Session.h"

#include <string>
#include <string_view>

namespace quarvel {

/// Judges every record (field checks, then account, date and amount checks), counts the valid and
/// invalid records, sums the valid amounts, and shows the results in the statistics.
void ValidateAllRecords(Session& session);

/// The judging and counting of ValidateAllRecords, without the statistics. Judges the values of the last
/// correction run, and takes the verdict on a raw amount from it.
void ValidateRecords(LoadedFile& file, std::chrono::year currentYear);

/// Shows the counts and the total in the statistics and enables saving when a record is valid.
void ShowStatistics(const LoadedFile& file, WindowState& state);

/// Exactly 26 decimal digits.
bool IsNrbNumber(std::string_view text);

/// The amount in the pattern "### ### ### ### ##0.00" followed by " PLN", for example "   1 234,50 PLN".
std::string FormatTotal(double amount);

} // namespace quarvel
