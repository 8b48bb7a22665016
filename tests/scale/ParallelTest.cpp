#include "Parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
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
            if (minPerSlice > 0) {
                EXPECT_LE(slices.count(), std::max<std::size_t>(1, total / minPerSlice));
            }
            EXPECT_EQ(slices.begin(0), 0U);
            EXPECT_EQ(slices.end(slices.count() - 1), total);
            for (std::size_t k = 0; k < slices.count(); ++k) {
                const std::size_t size = slices.end(k) - slices.begin(k);
                EXPECT_LE(size, total / slices.count() + 1);
                EXPECT_GE(size, total / slices.count());
                if (k + 1 < slices.count()) {
                    EXPECT_EQ(slices.end(k), slices.begin(k + 1));
                }
            }
        }
    }
}

TEST(RunSlices, VisitsEveryIndexOnce) {
    const Slices slices(100000, 1000);
    std::vector<int> visits(100000, 0);
    std::vector<int> sliceRuns(slices.count(), 0);
    runSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
        ++sliceRuns[k];
        for (std::size_t i = begin; i < end; ++i)
            ++visits[i];
    });
    EXPECT_EQ(std::count(visits.begin(), visits.end(), 1), 100000);
    EXPECT_EQ(std::count(sliceRuns.begin(), sliceRuns.end(), 1), static_cast<std::ptrdiff_t>(slices.count()));
}

TEST(RunSlices, RethrowsAFailureOnlyAfterEverySliceEnded) {
    const Slices slices(100000, 1000);
    std::atomic<int> ended{0};
    const auto run = [&] {
        runSlices(slices, [&](std::size_t k, std::size_t, std::size_t) {
            ended += 1;
            if (k + 1 == slices.count()) throw std::runtime_error("the last slice");
        });
    };
    EXPECT_THROW(run(), std::runtime_error);
    EXPECT_EQ(ended.load(), static_cast<int>(slices.count()));
}

TEST(RunInBackground, GivesTheResultOrTheFailure) {
    EXPECT_EQ(runInBackground([] { return 42; }).get(), 42);
    std::future<int> failing = runInBackground([]() -> int { throw std::runtime_error("no"); });
    EXPECT_THROW(failing.get(), std::runtime_error);
}

TEST(BackgroundResult, GivesTheResultMadeInTheBackgroundOrWhenAskedFor) {
    const std::thread::id caller = std::this_thread::get_id();
    for (const bool worthAThread : {true, false}) {
        BackgroundResult<std::thread::id> made;
        EXPECT_FALSE(made.started());
        made.start([] { return std::this_thread::get_id(); }, worthAThread);
        EXPECT_TRUE(made.started());
        // Not worth a thread: made on the thread that asks for it.
        if (!worthAThread) {
            EXPECT_EQ(made.get(), caller);
        }
    }
    BackgroundResult<int> failing;
    failing.start([]() -> int { throw std::runtime_error("no"); }, true);
    EXPECT_THROW(failing.get(), std::runtime_error);
    // One never asked for and not worth a thread is never made.
    bool ran = false;
    {
        BackgroundResult<int> unasked;
        unasked.start([&ran] { return ran = true, 1; }, false);
    }
    EXPECT_FALSE(ran);
}

// A job of the pipeline test: its number, and what its work wrote.
struct Job {
    std::size_t number = 0;
    std::string worked;
};

struct PipelineRun {
    std::vector<std::size_t> finished; ///< job numbers in the order they were finished
    std::string failure;
    std::size_t mostAhead = 0;    ///< the most jobs made and not finished when the next was made
    std::set<const Job*> objects; ///< the job objects handed to `next`
    int workAfterEnd = 0;         ///< work that ran after the pipeline returned
};

enum class Fails { Never, InNext, InWork, InFinish };

// Runs `count` jobs; job k is worked on a worker, here or not at all by k % 3. With `fails`, job `failAt`
// throws in that stage.
PipelineRun runPipeline(std::size_t count, std::size_t lookAhead, std::size_t workers, Fails fails,
                        std::size_t failAt) {
    PipelineRun run;
    std::size_t made = 0;
    std::atomic<bool> ended{false};
    std::atomic<int> lateWork{0};
    try {
        runOrderedPipeline<Job>(
            lookAhead, workers,
            [&](Job& job) {
                if (made == count) return JobStep::End;
                if (fails == Fails::InNext && made == failAt) throw std::runtime_error("next " + std::to_string(made));
                run.mostAhead = std::max(run.mostAhead, made - run.finished.size() + 1);
                run.objects.insert(&job);
                job.number = made++;
                job.worked.clear();
                const std::size_t kind = job.number % 3;
                return kind == 0 ? JobStep::OnWorker : kind == 1 ? JobStep::Here : JobStep::Ready;
            },
            [&](Job& job) {
                if (ended) ++lateWork;
                if (fails == Fails::InWork && job.number == failAt)
                    throw std::runtime_error("work " + std::to_string(failAt));
                job.worked = std::to_string(job.number);
            },
            [&](Job& job) {
                if (fails == Fails::InFinish && job.number == failAt)
                    throw std::runtime_error("finish " + std::to_string(failAt));
                const bool wanted = job.number % 3 != 2;
                if (job.worked != (wanted ? std::to_string(job.number) : "")) throw std::logic_error("not worked");
                run.finished.push_back(job.number);
            });
    } catch (const std::runtime_error& e) {
        run.failure = e.what();
    }
    ended = true;
    run.workAfterEnd = lateWork;
    return run;
}

// Jobs come out in the order they were made, each worked once when it asked to be, with no more than
// the look-ahead between making and finishing and their objects reused; a failure in any stage ends the
// run with it, and no job after the failed one is finished.
TEST(OrderedPipeline, FinishesEveryJobInOrderAndStopsAtTheFirstFailure) {
    struct Case {
        std::size_t count;
        Fails fails;
        std::size_t failAt;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {0, Fails::Never, 0, ""},
        {1, Fails::Never, 0, ""},
        {2, Fails::Never, 0, ""},
        {500, Fails::Never, 0, ""},
        {500, Fails::InNext, 0, "next 0"},
        {500, Fails::InNext, 250, "next 250"},
        {500, Fails::InWork, 0, "work 0"},
        {500, Fails::InWork, 301, "work 301"},
        {500, Fails::InWork, 499, "work 499"},
        {500, Fails::InFinish, 0, "finish 0"},
        {500, Fails::InFinish, 123, "finish 123"},
    };
    for (const Case& c : cases) {
        for (const std::size_t lookAhead : {1, 2, 5}) {
            for (const std::size_t workers : {0, 1, 2, 4}) {
                const PipelineRun run = runPipeline(c.count, lookAhead, workers, c.fails, c.failAt);
                SCOPED_TRACE(testing::Message() << c.count << " jobs, failing: " << c.failure << ", " << lookAhead
                                                << " ahead, " << workers << " workers");
                EXPECT_EQ(run.failure, c.failure);
                const std::size_t finished = c.fails == Fails::Never ? c.count : c.failAt;
                if (c.fails == Fails::Never || c.fails == Fails::InFinish) {
                    EXPECT_EQ(run.finished.size(), finished);
                } else {
                    // A failure in making or working a job ends the run with the jobs before it finished
                    // or not: at most the look-ahead of them are left.
                    EXPECT_LE(run.finished.size(), finished);
                    if (c.fails == Fails::InNext) {
                        EXPECT_GE(run.finished.size() + lookAhead - 1, finished);
                    }
                }
                for (std::size_t k = 0; k < run.finished.size(); ++k)
                    EXPECT_EQ(run.finished[k], k);
                EXPECT_LE(run.mostAhead, lookAhead);
                EXPECT_LE(run.objects.size(), lookAhead);
                EXPECT_EQ(run.workAfterEnd, 0);
            }
        }
    }
}

} // namespace
} // namespace quarvel
