#pragma once

#include <cstddef>
#include <exception>
#include <future>
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
template <class Fn> auto RunBeside(Fn fn) -> std::future<decltype(fn())> {
    try {
        return std::async(std::launch::async, fn);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, std::move(fn));
    }
}

/// Calls `fn(k, begin, end)` for every slice k, the slices after the first on threads of their own and the
/// first on the calling thread, and returns when all have ended. When a thread cannot be started its slice
/// runs on the calling thread. The first exception thrown by any slice is rethrown after all have ended.
template <class Fn> void RunSlices(const Slices& slices, Fn&& fn) {
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

} // namespace quarvel
