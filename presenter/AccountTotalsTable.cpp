#include "AccountTotalsTable.h"

#include "AccountTotals.h"

namespace quarvel {

bool hasAccountTotals(const LoadedFile& file) {
    return file.kind == FileKind::Orders && file.validCount > 0;
}

std::vector<AccountTotalsRow> accountTotalsRows(const LoadedFile& file) {
    std::vector<AccountTotalsRow> rows;
    for (const AccountTotal& batch : totalsPerDebitedAccount(file)) {
        // The statistics pad the total to a fixed width; a column aligns it on its own.
        const std::size_t start = batch.totalText.find_first_not_of(' ');
        rows.push_back({batch.account, std::to_string(batch.records),
                        start == std::string::npos ? std::string() : batch.totalText.substr(start)});
    }
    return rows;
}

} // namespace quarvel
