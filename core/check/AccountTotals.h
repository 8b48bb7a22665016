#pragma once

#include "LoadedFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

/// The valid payment orders of one debited account: the batch the bank makes of them and asks the user
/// to confirm.
struct AccountTotal {
    std::string account;      ///< the debited account number as corrected, Windows-1250
    std::int32_t records = 0; ///< valid orders from it
    double total = 0;         ///< their amounts, summed in file order as the grand total sums them
    std::string totalText;    ///< the total as the grand total is shown, for example "   1 234,50 PLN"

    friend bool operator==(const AccountTotal&, const AccountTotal&) = default;
};

/// The count and total of the valid payment orders per debited account, in the order the accounts first
/// appear. Empty for other kinds of file.
std::vector<AccountTotal> totalsPerDebitedAccount(const LoadedFile& file);

/// totalsPerDebitedAccount when the valid orders come from at most `maxAccounts` debited accounts; none
/// as soon as one more appears, so that a file of countless accounts costs a few records' work.
std::optional<std::vector<AccountTotal>> totalsPerDebitedAccount(const LoadedFile& file, std::size_t maxAccounts);

} // namespace quarvel
