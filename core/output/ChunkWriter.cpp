#include "output/ChunkWriter.h"

#include "Parallel.h"

#include <condition_variable>
#include <exception>
#include <future>
#include <mutex>
#include <vector>

namespace quarvel {
namespace {

// Chunks made by worker threads into a ring of buffers and written from it in order. A chunk is taken by
// the next free worker, so no thread waits for a slower one as long as the ring has room; the writer makes
// a chunk itself only when no one has taken the one it needs (so it still ends when no thread could start).
class ChunkRing {
public:
    ChunkRing(std::size_t count, std::size_t slots, const std::function<void(std::size_t, LineBuffer&)>& make)
        : m_count(count), m_make(make), m_text(slots), m_made(slots, kNone) {}

    /// A worker's loop: makes the next chunk while its buffer is free.
    void work() {
        std::unique_lock lock(m_mutex);
        while (!m_stopped && m_taken < m_count) {
            if (m_taken < m_written + m_text.size()) {
                makeChunk(lock, m_taken++);
            } else {
                m_changed.wait(lock);
            }
        }
    }

    /// The writer's loop: writes each chunk once it is made.
    void writeAll(const std::function<void(std::string_view)>& write) {
        std::unique_lock lock(m_mutex);
        while (!m_stopped && m_written < m_count) {
            const std::size_t slot = m_written % m_text.size();
            if (m_made[slot] == m_written) {
                lock.unlock();
                try {
                    write(m_text[slot].bytes());
                } catch (...) {
                    lock.lock();
                    stop(std::current_exception());
                    break;
                }
                lock.lock();
                ++m_written;
                m_changed.notify_all();
            } else if (m_taken == m_written) {
                makeChunk(lock, m_taken++);
            } else {
                m_changed.wait(lock);
            }
        }
    }

    std::exception_ptr failure() {
        const std::lock_guard lock(m_mutex);
        return m_failure;
    }

    /// Stops every loop; `failure` is rethrown at the end unless an earlier one was kept.
    void fail(std::exception_ptr failure) {
        const std::lock_guard lock(m_mutex);
        stop(std::move(failure));
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Makes chunk k with the lock released; its slot is free, as no chunk before it is held unwritten there.
    void makeChunk(std::unique_lock<std::mutex>& lock, std::size_t k) {
        const std::size_t slot = k % m_text.size();
        lock.unlock();
        try {
            m_text[slot].clear();
            m_make(k, m_text[slot]);
        } catch (...) {
            lock.lock();
            stop(std::current_exception());
            return;
        }
        lock.lock();
        m_made[slot] = k;
        m_changed.notify_all();
    }

    // With the lock held.
    void stop(std::exception_ptr failure) {
        if (!m_failure) m_failure = std::move(failure);
        m_stopped = true;
        m_changed.notify_all();
    }

    const std::size_t m_count;
    const std::function<void(std::size_t, LineBuffer&)>& m_make;
    std::vector<LineBuffer> m_text;   ///< chunk k is made into slot k % slots
    std::vector<std::size_t> m_made;  ///< per slot, the chunk made there and not yet overwritten
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_taken = 0;   ///< chunks [0, m_taken) are made or being made
    std::size_t m_written = 0; ///< chunks [0, m_written) are written
    bool m_stopped = false;
    std::exception_ptr m_failure;
};

} // namespace

void WriteChunksInOrder(std::size_t count, const std::function<void(std::size_t, LineBuffer&)>& make,
                        const std::function<void(std::string_view)>& write) {
    if (count == 0) return;
    if (count == 1) {
        LineBuffer text;
        make(0, text);
        write(text.bytes());
        return;
    }
    const std::size_t workers = std::min(Slices::cores(), count);
    // Two buffers per worker: each can make its next chunk while the writer writes its last.
    ChunkRing ring(count, 2 * workers, make);
    std::vector<std::future<void>> started;
    try {
        started.reserve(workers);
        for (std::size_t k = 0; k < workers; ++k) started.push_back(RunBeside([&ring] { ring.work(); }));
        ring.writeAll(write);
    } catch (...) {
        // The workers started must not wait for a writer that has gone.
        ring.fail(std::current_exception());
    }
    // A worker that could not be started runs here, and finds nothing left to do.
    for (std::future<void>& worker : started) worker.get();
    if (std::exception_ptr failure = ring.failure()) std::rethrow_exception(failure);
}

} // namespace quarvel
