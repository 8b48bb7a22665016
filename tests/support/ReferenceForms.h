#pragma once

// The format's rules spelled out plainly, a text at a time: what the tests check the engine's faster
// forms against.

#include <string>
#include <string_view>
#include <vector>

namespace quarvel::test {

/// Splits `text` at every `separator`: the part before each one (possibly empty), then the rest when it
/// is not empty. So "a|b|" gives "a", "b" and "|" gives one empty piece. Linear in the text's length.
/// The reference form of the format's rule: the reader splits its lines on the way, and the tests check
/// it against this.
std::vector<std::string> splitText(std::string_view text, std::string_view separator);

/// The text without its spaces (0x20), as the format names it: the reference the tests spell the account
/// rule with.
std::string withoutSpaces(std::string_view text);

} // namespace quarvel::test
