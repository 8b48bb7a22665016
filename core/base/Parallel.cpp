#include "Parallel.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quarvel {

std::size_t Slices::cores() {
    static const std::size_t count = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxSlices);
    return count;
}

Slices::Slices(std::size_t total, std::size_t minPerSlice) : m_total(total) {
    const std::size_t bySize = total / std::max<std::size_t>(minPerSlice, 1);
    m_count = std::clamp<std::size_t>(bySize, 1, cores());
}

namespace {

enum class SlotState {
    Free,    ///< no job, or one still with the calling thread
    Waiting, ///< a job for a worker, not yet taken
    Here,    ///< a job the calling thread works on when its turn comes
    Working, ///< being worked on
    Done,    ///< worked, waiting for its turn to be finished
};

} // namespace

// What the workers share with the calling thread, under one lock.
class PipelineTurns::Shared {
public:
    Shared(std::size_t slots, std::function<void(std::size_t)> work)
        : m_state(slots, SlotState::Free), m_work(std::move(work)) {}

    // A worker's loop: works on the oldest job that waits for one, until stopped.
    void workerLoop() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_stopped) return;
            const std::size_t slot = oldestWaiting();
            if (slot == kNone) {
                m_changed.wait(lock);
                continue;
            }
            m_state[slot] = SlotState::Working;
            lock.unlock();
            try {
                m_work(slot);
            } catch (...) {
                lock.lock();
                stop(std::current_exception());
                return;
            }
            lock.lock();
            m_state[slot] = SlotState::Done;
            m_changed.notify_all();
        }
    }

    void add(std::size_t slot, JobStep step, std::size_t made, std::size_t finished) {
        const std::lock_guard lock(m_mutex);
        m_state[slot] = step == JobStep::OnWorker ? SlotState::Waiting
                        : step == JobStep::Here ? SlotState::Here
                                                : SlotState::Done;
        m_made = made;
        m_finished = finished;
        if (step == JobStep::OnWorker) m_changed.notify_one();
    }

    void await(std::size_t slot) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_failure) std::rethrow_exception(m_failure);
            switch (m_state[slot]) {
            case SlotState::Done:
                return;
            case SlotState::Waiting:
            case SlotState::Here: {
                // Waiting for a worker would leave this thread idle; a job no worker took is worked here.
                m_state[slot] = SlotState::Working;
                lock.unlock();
                m_work(slot);
                lock.lock();
                m_state[slot] = SlotState::Done;
                return;
            }
            case SlotState::Free:
            case SlotState::Working:
                m_changed.wait(lock);
                break;
            }
        }
    }

    void release(std::size_t slot, std::size_t finished) {
        const std::lock_guard lock(m_mutex);
        m_state[slot] = SlotState::Free;
        m_finished = finished;
    }

    void fail(std::exception_ptr failure) {
        const std::lock_guard lock(m_mutex);
        stop(std::move(failure));
    }

    std::exception_ptr failure() {
        const std::lock_guard lock(m_mutex);
        return m_failure;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // With the lock held: the slot of the oldest job waiting for a worker, or kNone.
    std::size_t oldestWaiting() const {
        for (std::size_t n = m_finished; n < m_made; ++n) {
            const std::size_t slot = n % m_state.size();
            if (m_state[slot] == SlotState::Waiting) return slot;
        }
        return kNone;
    }

    // With the lock held.
    void stop(std::exception_ptr failure) {
        if (!m_failure) m_failure = std::move(failure);
        m_stopped = true;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<SlotState> m_state;
    std::function<void(std::size_t)> m_work;
    std::size_t m_made = 0; ///< the calling thread's count, as last told
    std::size_t m_finished = 0;
    bool m_stopped = false;
    std::exception_ptr m_failure;

public:
    std::vector<std::thread> threads; ///< only the calling thread starts and joins them
};

PipelineTurns::PipelineTurns(std::size_t slots, std::size_t workers, std::function<void(std::size_t slot)> work)
    : m_slots(std::max<std::size_t>(slots, 1)), m_wantedWorkers(workers),
      m_shared(std::make_unique<Shared>(m_slots, std::move(work))) {}

PipelineTurns::~PipelineTurns() {
    if (m_shared->threads.empty()) return;
    m_shared->fail(nullptr);
    for (std::thread& worker : m_shared->threads)
        worker.join();
}

void PipelineTurns::startWorker() {
    try {
        m_shared->threads.emplace_back([shared = m_shared.get()] { shared->workerLoop(); });
    } catch (const std::system_error&) {
        // No further thread can be started: the calling thread works on what the workers leave.
        m_wantedWorkers = m_shared->threads.size();
    }
}

void PipelineTurns::add(JobStep step) {
    const std::size_t slot = nextSlot();
    ++m_made;
    m_shared->add(slot, step, m_made, m_finished);
    if (step == JobStep::OnWorker && m_shared->threads.size() < m_wantedWorkers) startWorker();
}

std::size_t PipelineTurns::awaitOldest() {
    const std::size_t slot = m_finished % m_slots;
    m_shared->await(slot);
    return slot;
}

void PipelineTurns::releaseOldest() {
    const std::size_t slot = m_finished % m_slots;
    ++m_finished;
    m_shared->release(slot, m_finished);
}

void PipelineTurns::fail(std::exception_ptr failure) {
    m_shared->fail(std::move(failure));
}

void PipelineTurns::end() {
    // A stop without failure: the workers end once they have no job.
    m_shared->fail(nullptr);
    for (std::thread& worker : m_shared->threads)
        worker.join();
    m_shared->threads.clear();
    if (std::exception_ptr failure = m_shared->failure()) std::rethrow_exception(failure);
}

} // namespace quarvel
