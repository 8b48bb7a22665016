#pragma once

#include <functional>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>

namespace quarvel {

/// A stream buffer that hands UTF-8 text to `write` in whole characters: at each line's end and when the
/// stream is flushed, keeping back the bytes of a character not yet complete. A console window on Windows
/// takes text in its own characters (WriteConsoleW), and a character cut in two would show as two wrong ones.
class ConsoleBuffer final : public std::streambuf {
public:
    /// `write` gets the text and tells whether it was shown.
    using Writer = std::function<bool(std::string_view utf8)>;

    explicit ConsoleBuffer(Writer write) : m_write(std::move(write)) {}
    /// Writes what is left, a character cut short at the very end included.
    ~ConsoleBuffer() override;
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char_type* text, std::streamsize count) override;
    int sync() override;

private:
    Writer m_write;
    std::string m_text;
};

} // namespace quarvel
