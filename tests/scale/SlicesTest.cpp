#include "Parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace quarvel {
namespace {

TEST(Slices, CutTheWholeRangeIntoNearlyEqualConsecutiveParts) {
    for (const std::size_t total : {0UL, 1UL, 5UL, 16383UL, 16384UL, 32768UL, 100000UL, 1000003UL}) {
        for (const std::size_t minPerSlice : {0UL, 1UL, 16384UL}) {
            const Slices slices(total, minPerSlice);
            SCOPED_TRACE(testing::Message() << "total " << total << ", at least " << minPerSlice);
            ASSERT_GE(slices.count(), 1U);
            EXPECT_LE(slices.count(), Slices::cores());
            if (minPerSlice > 0) EXPECT_LE(slices.count(), std::max<std::size_t>(1, total / minPerSlice));
            EXPECT_EQ(slices.begin(0), 0U);
            EXPECT_EQ(slices.end(slices.count() - 1), total);
            for (std::size_t k = 0; k < slices.count(); ++k) {
                const std::size_t size = slices.end(k) - slices.begin(k);
                EXPECT_LE(size, total / slices.count() + 1);
                EXPECT_GE(size, total / slices.count());
                if (k + 1 < slices.count()) EXPECT_EQ(slices.end(k), slices.begin(k + 1));
            }
        }
    }
}

TEST(RunSlices, VisitsEveryIndexOnce) {
    const Slices slices(100000, 1000);
    std::vector<int> visits(100000, 0);
    std::vector<int> sliceRuns(slices.count(), 0);
    RunSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
        ++sliceRuns[k];
        for (std::size_t i = begin; i < end; ++i) ++visits[i];
    });
    EXPECT_EQ(std::count(visits.begin(), visits.end(), 1), 100000);
    EXPECT_EQ(std::count(sliceRuns.begin(), sliceRuns.end(), 1), static_cast<std::ptrdiff_t>(slices.count()));
}

TEST(RunSlices, RethrowsAFailureOnlyAfterEverySliceEnded) {
    const Slices slices(100000, 1000);
    std::atomic<int> ended{0};
    const auto run = [&] {
        RunSlices(slices, [&](std::size_t k, std::size_t, std::size_t) {
            ended += 1;
            if (k + 1 == slices.count()) throw std::runtime_error("the last slice");
        });
    };
    EXPECT_THROW(run(), std::runtime_error);
    EXPECT_EQ(ended.load(), static_cast<int>(slices.count()));
}

TEST(RunBeside, GivesTheResultOrTheFailure) {
    EXPECT_EQ(RunBeside([] { return 42; }).get(), 42);
    std::future<int> failing = RunBeside([]() -> int { throw std::runtime_error("no"); });
    EXPECT_THROW(failing.get(), std::runtime_error);
}

} // namespace
} // namespace quarvel
