#pragma once

#include "WindowWork.h"

#include <QElapsedTimer>
#include <QObject>

#include <chrono>
#include <exception>
#include <memory>
#include <thread>

namespace quarvel {

/// Runs one command's work at a time on a thread of its own and tells the window's thread when it has
/// ended. Destroyed while a work runs, it gives up a cancellable one and waits for the thread: the work
/// reads the session, which must outlive it.
class BackgroundTask final : public QObject {
    Q_OBJECT

public:
    explicit BackgroundTask(QObject* parent = nullptr) : QObject(parent) {}
    ~BackgroundTask() override;
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    /// Starts `work` (none may be running); ended() follows on this object's thread.
    void start(std::unique_ptr<WindowWork> work);
    bool running() const { return m_work != nullptr; }
    /// The work running, or nullptr.
    const WindowWork* work() const { return m_work.get(); }
    /// Asks the work to stop, when it may.
    void cancel();
    /// How long the running work has taken so far.
    std::chrono::milliseconds lasted() const { return std::chrono::milliseconds(m_clock.elapsed()); }

signals:
    /// The work has run to its end (or given up, or thrown `failure`); the receiver takes it and shows it.
    void ended(std::shared_ptr<WindowWork> work, std::exception_ptr failure);

private:
    void join();

    std::unique_ptr<WindowWork> m_work;
    std::exception_ptr m_failure; ///< what the work threw, handed on with it
    std::thread m_thread;
    QElapsedTimer m_clock;
};

} // namespace quarvel
