#pragma once

#include <string_view>

namespace quarvel {

/// Whether `text` (Windows-1250) is a NIP with the right check digit: spaces and hyphens anywhere and a
/// leading "PL" (any case) left out, 10 digits whose first nine, weighted 6 5 7 2 3 4 5 6 7, sum to the
/// tenth modulo 11. An empty text is no NIP.
bool isValidNip(std::string_view text);

/// Whether the value of an optional NIP field passes: a field left blank (empty, or only spaces, as the
/// reader stores a blank field) has no NIP to check; any other value must be a valid NIP.
bool nipFieldPasses(std::string_view value);

} // namespace quarvel
