#pragma once

#include <atomic>
#include <cstdint>

namespace quarvel {

/// How far a long piece of work has come, and whether the one who started it wants it stopped. The thread
/// doing the work writes the stage and the count; the one that started it reads them and may ask for a
/// stop, which the work notices at its next block or stage. Every member is atomic and relaxed: the
/// figures are only shown, and a stop asked a block late costs one block.
class WorkProgress {
public:
    enum class Stage : int { Waiting, Reading, Checking, Writing };

    /// Starts a stage of `total` units (bytes, steps), none of them done.
    void begin(Stage stage, std::uint64_t total) {
        m_done.store(0, std::memory_order_relaxed);
        m_total.store(total, std::memory_order_relaxed);
        m_stage.store(stage, std::memory_order_relaxed);
    }
    void setDone(std::uint64_t done) { m_done.store(done, std::memory_order_relaxed); }

    Stage stage() const { return m_stage.load(std::memory_order_relaxed); }
    std::uint64_t done() const { return m_done.load(std::memory_order_relaxed); }
    std::uint64_t total() const { return m_total.load(std::memory_order_relaxed); }

    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<Stage> m_stage{Stage::Waiting};
    std::atomic<std::uint64_t> m_done{0};
    std::atomic<std::uint64_t> m_total{0};
    std::atomic<bool> m_cancelled{false};
};

/// The pipeline's calls on an optional WorkProgress: none given (the batch command), nothing is done.
inline void beginStage(WorkProgress* progress, WorkProgress::Stage stage, std::uint64_t total) {
    if (progress != nullptr) progress->begin(stage, total);
}
inline void reportDone(WorkProgress* progress, std::uint64_t done) {
    if (progress != nullptr) progress->setDone(done);
}
inline bool stopAsked(const WorkProgress* progress) {
    return progress != nullptr && progress->cancelled();
}

} // namespace quarvel
