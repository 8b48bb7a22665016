#include "AccountTotals.h"

#include "Validation.h"

#include <functional>
#include <limits>
#include <string_view>
#include <unordered_map>

namespace quarvel {
namespace {

// Lets the map be asked with a string_view, so that an account already seen costs no allocation.
struct TextHash {
    using is_transparent = void; // NOLINT(readability-identifier-naming): the name the standard library asks
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

} // namespace

std::optional<std::vector<AccountTotal>> totalsPerDebitedAccount(const LoadedFile& file, std::size_t maxAccounts) {
    std::vector<AccountTotal> totals;
    if (file.kind != FileKind::Orders) return totals;
    std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> positionOf;
    std::string account;
    // Lines without data are never valid; the records of the others are walked in file order, so that
    // each account's total is rounded exactly as ValidateRecords rounds the grand total.
    for (const Record& record : file.records().withData()) {
        if (!record.isValid()) continue;
        const ValueBytes value = file.valueBytes(record, kOrderDebitedAccount);
        account.clear();
        for (char c : value.bytes)
            account.push_back(static_cast<char>((*value.map)[static_cast<std::uint8_t>(c)]));
        auto at = positionOf.find(std::string_view(account));
        if (at == positionOf.end()) {
            if (totals.size() == maxAccounts) return std::nullopt;
            at = positionOf.emplace(account, totals.size()).first;
            totals.push_back(AccountTotal{account, 0, 0, {}});
        }
        AccountTotal& batch = totals[at->second];
        ++batch.records;
        batch.total += record.amount;
    }
    for (AccountTotal& batch : totals)
        batch.totalText = formatTotal(batch.total);
    return totals;
}

std::vector<AccountTotal> totalsPerDebitedAccount(const LoadedFile& file) {
    return *totalsPerDebitedAccount(file, std::numeric_limits<std::size_t>::max());
}

} // namespace quarvel
