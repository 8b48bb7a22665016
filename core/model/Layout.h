#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// Definition of one field of a data line.
struct FieldDef {
    std::string name; ///< Windows-1250, at most 100 characters
    char kindLetter = 'S';
    std::int32_t maxLength = 0;
    bool required = false;
};

/// A layout: the fields of a data line in their order.
using Layout = std::vector<FieldDef>;

/// Kind of the loaded file, decided by its header line.
enum class FileKind : int { None = 0, Contractors = 1, Orders = 2 };

/// The two layouts of the tool.
struct Layouts {
    Layout contractorLayout;
    Layout orderLayout;
};

inline constexpr std::size_t kContractorFieldCount = 13;
inline constexpr std::size_t kOrderFieldCount = 11;
inline constexpr std::size_t kMaxFieldCount = 13;

// The positions of the fields that the correction, the checks and the output writer treat on their own,
// in the layouts buildLayouts makes.
inline constexpr std::size_t kContractorAccount = 4;      ///< "NUMER KONTA"
inline constexpr std::size_t kContractorLastRequired = 8; ///< "ADRES BANKU2": the fields after it are optional
inline constexpr std::size_t kOrderDate = 0;              ///< "DATA"
inline constexpr std::size_t kOrderAmount = 1;            ///< "KWOTA"
inline constexpr std::size_t kOrderDebitedAccount = 2;    ///< "NUMER KONTA OBCIĄŻANEGO"
inline constexpr std::size_t kOrderCreditedAccount = 3;   ///< "NUMER KONTA UZNAWANEGO"
inline constexpr std::size_t kOrderLastRequired = 5;      ///< "TYTUŁEM2": the fields after it are optional

/// The length of an account number (NRB): 26 digits.
inline constexpr std::size_t kNrbLength = 26;

/// Appends one field definition; the name (Windows-1250) is cut to 100 characters.
void addFieldDef(Layout& layout, std::string_view name, char kindLetter, std::int32_t maxLength, bool required);

/// Empties both layouts and fills them with the 13 contractor and 11 payment-order fields.
void buildLayouts(Layouts& layouts);

/// The layouts as built at program start; constant for the whole run.
const Layouts& standardLayouts();

/// The layout of a file kind; empty for FileKind::None.
const Layout& layoutFor(FileKind kind);

/// Number of fields of a data line of that kind (0 for FileKind::None).
std::size_t fieldCountFor(FileKind kind);

} // namespace quarvel
