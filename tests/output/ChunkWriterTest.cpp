#include "ChunkWriter.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace quarvel {
namespace {

constexpr std::size_t kNever = static_cast<std::size_t>(-1);

struct ChunkRun {
    std::string written;
    std::string failure; ///< the message of the exception that came out, if one did
};

// Chunk k's text is "<k>;" repeated k % 5 + 1 times, so that chunks differ in length and time.
ChunkRun writeChunks(std::size_t count, std::size_t makeFailsAt, std::size_t writeFailsAt) {
    ChunkRun run;
    std::size_t writes = 0;
    try {
        writeChunksInOrder(
            count,
            [&](std::size_t k, LineBuffer& text) {
                if (k == makeFailsAt) throw std::runtime_error("make " + std::to_string(k));
                for (std::size_t n = 0; n <= k % 5; ++n) text.appendLine(std::to_string(k) + ";");
            },
            [&](std::string_view bytes) {
                if (writes++ == writeFailsAt) throw std::runtime_error("write " + std::to_string(writeFailsAt));
                run.written += bytes;
            });
    } catch (const std::runtime_error& e) {
        run.failure = e.what();
    }
    return run;
}

std::string expectedText(std::size_t chunks) {
    std::string text;
    for (std::size_t k = 0; k < chunks; ++k) {
        for (std::size_t n = 0; n <= k % 5; ++n) text += std::to_string(k) + ";\r\n";
    }
    return text;
}

// Chunks made on several threads come out whole and in order, however many there are; a failure in
// making or writing stops the run, is rethrown, and nothing after the failed chunk is written.
TEST(ChunkWriter, WritesEveryChunkInOrderAndStopsAtTheFirstFailure) {
    struct Case {
        std::size_t count;
        std::size_t makeFailsAt;
        std::size_t writeFailsAt;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {0, kNever, kNever, ""},      {1, kNever, kNever, ""},     {2, kNever, kNever, ""},
        {7, kNever, kNever, ""},      {1000, kNever, kNever, ""},  {1, 0, kNever, "make 0"},
        {1000, 0, kNever, "make 0"},  {1000, 500, kNever, "make 500"}, {1000, 999, kNever, "make 999"},
        {1000, kNever, 0, "write 0"}, {1000, kNever, 321, "write 321"}, {3, kNever, 2, "write 2"},
    };
    for (const Case& c : cases) {
        for (int round = 0; round < 20; ++round) {
            const ChunkRun run = writeChunks(c.count, c.makeFailsAt, c.writeFailsAt);
            EXPECT_EQ(run.failure, c.failure) << c.count << " chunks";
            if (c.writeFailsAt != kNever) {
                EXPECT_EQ(run.written, expectedText(c.writeFailsAt)) << c.failure;
            } else if (c.makeFailsAt != kNever) {
                // The chunks before the failed one may or may not be written by then, but only whole and in order.
                bool wholeChunks = false;
                for (std::size_t n = 0; n <= c.makeFailsAt && !wholeChunks; ++n) wholeChunks = run.written == expectedText(n);
                EXPECT_TRUE(wholeChunks) << c.failure;
            } else {
                EXPECT_EQ(run.written, expectedText(c.count)) << c.count << " chunks";
            }
        }
    }
}

} // namespace
} // namespace quarvel
