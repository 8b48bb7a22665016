// Text for a console window: handed over in whole characters, whatever pieces the stream writes it in.

#include "ConsoleBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace quarvel {
namespace {

// Whether `text` is whole UTF-8 characters: no piece of one at either end.
bool wholeCharacters(std::string_view text) {
    for (std::size_t k = 0; k < text.size();) {
        const auto lead = static_cast<unsigned char>(text[k]);
        if ((lead & 0xC0U) == 0x80U) return false;
        const std::size_t length = lead >= 0xF0U ? 4 : lead >= 0xE0U ? 3 : lead >= 0xC0U ? 2 : 1;
        if (k + length > text.size()) return false;
        k += length;
    }
    return true;
}

struct Shown {
    std::vector<std::string> pieces;
    bool works = true;
    ConsoleBuffer::Writer writer() {
        return [this](std::string_view text) {
            pieces.emplace_back(text);
            return works;
        };
    }
    std::string joined() const {
        std::string all;
        for (const std::string& piece : pieces)
            all += piece;
        return all;
    }
};

TEST(ConsoleBuffer, HandsOverWholeLinesAndWholeCharacters) {
    // Letters of two, three and four bytes, a line's end, and a last line without one.
    const std::string text = "Łódź → 𝄞 ok\nZażółć";
    struct Case {
        const char* what;
        std::size_t piece;    // bytes the stream is given at once
        bool flushEveryPiece; // as a stream with unitbuf does
    };
    for (const Case c : {Case{"a byte at a time", 1, false}, Case{"a byte at a time, each flushed", 1, true},
                         Case{"3 bytes at a time, each flushed", 3, true}, Case{"5 bytes at a time", 5, false},
                         Case{"all at once", text.size(), false}}) {
        Shown shown;
        {
            ConsoleBuffer buffer(shown.writer());
            std::ostream out(&buffer);
            for (std::size_t k = 0; k < text.size(); k += c.piece) {
                out.write(text.data() + k, static_cast<std::streamsize>(std::min(c.piece, text.size() - k)));
                if (c.flushEveryPiece) out.flush();
            }
            out.flush();
            EXPECT_TRUE(out) << c.what;
        }
        for (const std::string& piece : shown.pieces) {
            EXPECT_FALSE(piece.empty()) << c.what;
            EXPECT_TRUE(wholeCharacters(piece)) << c.what << ": " << piece;
        }
        EXPECT_EQ(shown.joined(), text) << c.what;
        // Unflushed, a line goes out with the piece that ends it: never held back for the next line.
        if (!c.flushEveryPiece && c.piece < text.size()) {
            EXPECT_GE(shown.pieces.size(), 2U) << c.what;
            EXPECT_EQ(shown.pieces.front().rfind("Łódź → 𝄞 ok\n", 0), 0U) << c.what;
        }
    }
}

TEST(ConsoleBuffer, ACharacterCutShortAtTheEndIsStillWritten) {
    Shown shown;
    {
        ConsoleBuffer buffer(shown.writer());
        std::ostream out(&buffer);
        out << "koniec \xC5";
        out.flush();
        EXPECT_EQ(shown.joined(), "koniec ");
    }
    EXPECT_EQ(shown.joined(), "koniec \xC5");
}

TEST(ConsoleBuffer, AConsoleThatFailsFailsTheStream) {
    for (const bool whole : {true, false}) {
        Shown shown;
        shown.works = false;
        ConsoleBuffer buffer(shown.writer());
        std::ostream out(&buffer);
        if (whole)
            out << "tekst\n";
        else
            out.put('t').put('\n');
        EXPECT_FALSE(out) << (whole ? "written whole" : "a byte at a time");
    }
}

} // namespace
} // namespace quarvel
