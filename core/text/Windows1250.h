#pragma once

#include <string>
#include <string_view>

namespace quarvel {

/// Unicode code point of a Windows-1250 byte; 0 for the five bytes the code page leaves undefined.
char32_t unicodeFromCp1250(unsigned char byte);

/// UTF-8 text of Windows-1250 bytes; an undefined byte becomes U+FFFD.
std::string utf8FromCp1250(std::string_view cp1250);

/// Windows-1250 bytes of a UTF-8 text; a character the code page lacks (or a broken sequence) becomes "?".
std::string cp1250FromUtf8(std::string_view utf8);

} // namespace quarvel
