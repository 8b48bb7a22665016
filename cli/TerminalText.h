#pragma once

#include <streambuf>

namespace quarvel {

/// A stream buffer for a terminal: passes UTF-8 text on to `target`, with every control character
/// but the line feed and the tab shown as "\xNN" (the C1 controls U+0080 to U+009F as "\u0080"…). A file
/// name holding an escape sequence could otherwise move the cursor, retitle the window or hide what
/// follows it.
class TerminalText final : public std::streambuf {
public:
    explicit TerminalText(std::streambuf* target) : m_target(target) {}
    TerminalText(const TerminalText&) = delete;
    TerminalText& operator=(const TerminalText&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char_type* text, std::streamsize count) override;
    int sync() override;

private:
    bool put(unsigned char c);

    std::streambuf* m_target;
    bool m_afterC2 = false; ///< the byte before was C2, the lead byte of the C1 controls
};

} // namespace quarvel
