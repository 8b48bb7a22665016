#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvel {

/// The three bytes that mark a file as UTF-8 when it starts with them.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

/// The byte a character of a UTF-8 value becomes when Windows-1250 lacks it, and each byte of an
/// ill-formed or cut sequence: undefined in Windows-1250, so the character check reports the field
/// and nothing foreign is ever written.
inline constexpr std::uint8_t kNotInCp1250 = 0x81;

/// Tells whether lines of bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
/// U+10FFFF) and whether they hold one of the 18 Polish letters, fed in pieces as they are read.
///
/// A line feed must not cut a sequence; a carriage return is no part of a line, so it is passed over
/// wherever it stands, as the reader drops it. Once ill-formed, the rest is not looked at.
class Utf8Judge {
public:
    /// Takes in further bytes of the lines.
    void add(std::string_view bytes);
    /// The end of a line whose line feed was not among the bytes added.
    void endLine() {
        if (m_state != kBoundary) m_state = kIllFormed;
    }
    /// Whether every byte so far is well-formed UTF-8, and no sequence is left open.
    bool wellFormed() const { return m_state == kBoundary; }
    /// Whether a Polish letter was seen (meaningful while well-formed).
    bool sawPolishLetter() const { return m_letter; }
    /// Whether more bytes could still change the verdict.
    bool judging() const { return m_state != kIllFormed; }

    static constexpr std::uint8_t kBoundary = 0;
    static constexpr std::uint8_t kIllFormed = 1;

private:
    std::uint8_t m_state = kBoundary;
    bool m_letter = false;
};

/// Writes the Windows-1250 text of the UTF-8 bytes `utf8` at `out` and returns the end of what was written,
/// never more bytes than were read: each well-formed character becomes its Windows-1250 byte, or
/// kNotInCp1250 when the code page lacks it; each byte of an ill-formed or cut sequence becomes kNotInCp1250.
char* cp1250FromUtf8Into(std::string_view utf8, char* out);

/// cp1250FromUtf8Into as a text.
std::string cp1250FromUtf8Text(std::string_view utf8);

/// Whether some byte of `bytes` is 0x80 or above.
bool hasHighByte(std::string_view bytes);

} // namespace quarvel
