#include "Batch.h"
#include "io/Platform.h"

#include <iostream>
#include <streambuf>
#include <string>

namespace {

// Text for a console window, given to it whole: a console on Windows shows UTF-8 bytes in its own code
// page ("uÅ¼yta"), so the text goes out in the console's characters. Kept until a line ends or the
// stream is flushed, and never cut inside a character.
class ConsoleBuffer final : public std::streambuf {
public:
    explicit ConsoleBuffer(int stream) : m_stream(stream) {}
    ~ConsoleBuffer() override { ConsoleBuffer::sync(); }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        m_text.push_back(traits_type::to_char_type(c));
        if (c == '\n' && sync() != 0) return traits_type::eof();
        return c;
    }

    int sync() override {
        // The bytes of a character not yet complete wait for the rest.
        std::size_t end = m_text.size();
        std::size_t start = end;
        while (start > 0 && (static_cast<unsigned char>(m_text[start - 1]) & 0xC0U) == 0x80U)
            --start;
        if (start > 0 && static_cast<unsigned char>(m_text[start - 1]) >= 0xC0U) {
            const auto lead = static_cast<unsigned char>(m_text[start - 1]);
            const std::size_t length = lead >= 0xF0U ? 4 : lead >= 0xE0U ? 3 : 2;
            if (end - (start - 1) < length) end = start - 1;
        }
        const bool written = quarvel::platform::WriteToConsole(m_stream, std::string_view(m_text).substr(0, end));
        m_text.erase(0, end);
        return written || end == 0 ? 0 : -1;
    }

private:
    int m_stream;
    std::string m_text;
};

} // namespace

int main(int argc, char** argv) {
    quarvel::platform::UseBinaryStandardStreams();
    ConsoleBuffer outConsole(1);
    ConsoleBuffer errConsole(2);
    std::ostream out(quarvel::platform::IsConsole(1) ? &outConsole : std::cout.rdbuf());
    std::ostream err(quarvel::platform::IsConsole(2) ? &errConsole : std::cerr.rdbuf());
    err.setf(std::ios::unitbuf);
    const int status = quarvel::runBatch(quarvel::platform::ProgramArguments(argc, argv), out, err);
    err.flush();
    return status;
}
