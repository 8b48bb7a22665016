#pragma once

// The only place of the core that starts threads and waits for them: the slices of a pass over the
// records, a result made in the background, and the ordered pipeline of the reader and the writers.

#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

namespace quarvel {

/// A range [0, total) cut into consecutive slices of nearly equal size, one per core.
class Slices {
public:
    /// At most one slice per core (and at most kMaxSlices), and none smaller than `minPerSlice`, so a
    /// small range stays whole and runs on the calling thread alone.
    Slices(std::size_t total, std::size_t minPerSlice);

    static constexpr std::size_t kMaxSlices = 8;
    /// The number of slices a large range is cut into.
    static std::size_t cores();

    std::size_t count() const { return m_count; }
    std::size_t begin(std::size_t k) const { return m_total * k / m_count; }
    std::size_t end(std::size_t k) const { return m_total * (k + 1) / m_count; }

private:
    std::size_t m_total;
    std::size_t m_count;
};

/// Starts `fn()` on a thread of its own and returns its future result; when no thread can be started, it
/// runs on the thread that asks for the result. Destroying the future of a started `fn` waits for its end.
template <class Fn> auto runInBackground(Fn fn) -> std::future<decltype(fn())> {
    try {
        return std::async(std::launch::async, fn);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, std::move(fn));
    }
}

/// Calls `fn(k, begin, end)` for every slice k, the slices after the first on threads of their own and the
/// first on the calling thread, and returns when all have ended. When a thread cannot be started its slice
/// runs on the calling thread. The first exception thrown by any slice is rethrown after all have ended.
template <class Fn> void runSlices(const Slices& slices, Fn&& fn) {
    std::vector<std::future<void>> others;
    others.reserve(slices.count());
    std::exception_ptr failure;
    for (std::size_t k = 1; k < slices.count(); ++k) {
        try {
            others.push_back(std::async(std::launch::async, [&fn, &slices, k] { fn(k, slices.begin(k), slices.end(k)); }));
        } catch (const std::system_error&) {
            others.emplace_back(); // no thread: run below, after the first slice
        }
    }
    try {
        fn(std::size_t{0}, slices.begin(0), slices.end(0));
    } catch (...) {
        failure = std::current_exception();
    }
    for (std::size_t k = 1; k < slices.count(); ++k) {
        std::future<void>& other = others[k - 1];
        try {
            if (other.valid()) {
                other.get();
            } else if (!failure) {
                fn(k, slices.begin(k), slices.end(k));
            }
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

/// A result made in the background: on a thread of its own when the work is worth one and a thread can be
/// started, otherwise on the thread that asks for it. Destroying it waits for a started one to end; one
/// that was never started and never asked for is never made.
template <class T> class BackgroundResult {
public:
    BackgroundResult() = default;
    BackgroundResult(const BackgroundResult&) = delete;
    BackgroundResult& operator=(const BackgroundResult&) = delete;
    ~BackgroundResult() {
        if (m_result.valid() && m_result.wait_for(std::chrono::seconds(0)) != std::future_status::deferred) {
            m_result.wait();
        }
    }

    /// Starts making the result with `fn()`; at most once.
    template <class Fn> void start(Fn fn, bool worthAThread) {
        m_result = worthAThread ? runInBackground(std::move(fn)) : std::async(std::launch::deferred, std::move(fn));
    }
    bool started() const { return m_result.valid(); }
    /// Waits for the result (or makes it here) and returns it, or rethrows its failure; only once.
    T get() { return m_result.get(); }

private:
    std::future<T> m_result;
};

/// What the first stage of an ordered pipeline made of the job it was handed.
enum class JobStep {
    End,      ///< there is no further job
    OnWorker, ///< the job's work is to be done on another thread
    Here,     ///< the job's work is to be done on the calling thread when its turn comes: not worth a thread
    Ready,    ///< the job needs no work
};

/// The threads and turns of an ordered pipeline, whatever its jobs are: jobs lie in `slots` places used
/// in turn, and up to `workers` threads, started as the first jobs that want one come, do their work.
class PipelineTurns {
public:
    PipelineTurns(std::size_t slots, std::size_t workers, std::function<void(std::size_t slot)> work);
    ~PipelineTurns();
    PipelineTurns(const PipelineTurns&) = delete;
    PipelineTurns& operator=(const PipelineTurns&) = delete;

    /// The slot of the next job, while fewer than `slots` jobs are unfinished; else none.
    bool hasRoom() const { return m_made - m_finished < m_slots; }
    std::size_t nextSlot() const { return m_made % m_slots; }
    /// Hands on the job just made in nextSlot(), as `step` says (not JobStep::End).
    void add(JobStep step);
    bool allFinished() const { return m_finished == m_made; }
    /// Waits until the oldest unfinished job is worked, doing its work here when no worker has taken it,
    /// and returns its slot; rethrows a worker's failure.
    std::size_t awaitOldest();
    /// The oldest job is finished: its slot can take a new job.
    void releaseOldest();
    /// Stops the workers after the job each is working on; `failure` is rethrown by end() unless an
    /// earlier one was kept.
    void fail(std::exception_ptr failure);
    /// Stops the workers, waits for them, and rethrows the first failure.
    void end();

private:
    class Shared;
    void startWorker();

    const std::size_t m_slots;
    std::size_t m_wantedWorkers;
    std::size_t m_made = 0;     ///< jobs handed on by add(); only the calling thread changes it
    std::size_t m_finished = 0; ///< jobs released; only the calling thread changes it
    std::unique_ptr<Shared> m_shared;
};

/// Runs jobs through three stages: `next(Job&)` fills the next job on the calling thread, one job after
/// another, and says what it needs (JobStep); `work(Job&)` runs on worker threads, several jobs side by
/// side; `finish(Job&)` takes the jobs on the calling thread in the order they were made. At most
/// `lookAhead` jobs are between `next` and `finish`: their objects are handed to `next` again, so that a
/// job's buffers are reused. Up to `workers` threads are started, only once a job wants one; when none can
/// be started, the calling thread does the work. The first exception thrown by any stage is rethrown once
/// every worker has stopped; no job is finished after it.
template <class Job, class Next, class Work, class Finish>
void runOrderedPipeline(std::size_t lookAhead, std::size_t workers, Next&& next, Work&& work, Finish&& finish) {
    std::vector<Job> jobs(lookAhead);
    PipelineTurns turns(lookAhead, workers, [&jobs, &work](std::size_t slot) { work(jobs[slot]); });
    try {
        bool more = true;
        for (;;) {
            if (more && turns.hasRoom()) {
                const JobStep step = next(jobs[turns.nextSlot()]);
                if (step == JobStep::End) {
                    more = false;
                } else {
                    turns.add(step);
                }
                continue;
            }
            if (turns.allFinished()) break;
            finish(jobs[turns.awaitOldest()]);
            turns.releaseOldest();
        }
    } catch (...) {
        turns.fail(std::current_exception());
    }
    turns.end();
}

} // namespace quarvel
