#pragma once

#include "LoadedFile.h"

#include <string>
#include <vector>

namespace quarvel {

/// One row of the table of totals per debited account, as the window shows it (Windows-1250).
struct AccountTotalsRow {
    std::string account; ///< the debited account number as corrected
    std::string records; ///< the count of valid orders from it
    std::string total;   ///< their total, formatted as the grand total of the statistics, without its padding

    friend bool operator==(const AccountTotalsRow&, const AccountTotalsRow&) = default;
};

/// Whether the totals per debited account have anything to show: a file of payment orders with a valid one.
bool hasAccountTotals(const LoadedFile& file);

/// The table of totals per debited account of the loaded file: one row per account, in the order the
/// accounts first appear among the valid orders; none for other kinds of file.
std::vector<AccountTotalsRow> accountTotalsRows(const LoadedFile& file);

} // namespace quarvel
