#include "BackgroundTask.h"

#include <QMetaObject>

#include <utility>

namespace quarvel {

BackgroundTask::~BackgroundTask() {
    cancel();
    // The thread's last call is queued to this object; joined first, none comes after the object is gone.
    join();
}

void BackgroundTask::start(std::unique_ptr<WindowWork> work) {
    join();
    m_work = std::move(work);
    m_clock.start();
    WindowWork* running = m_work.get();
    m_thread = std::thread([this, running] {
        try {
            running->run();
        } catch (...) {
            // Handed to the window's thread, where a command's exception has always surfaced.
            m_failure = std::current_exception();
        }
        QMetaObject::invokeMethod(
            this,
            [this] {
                join();
                std::shared_ptr<WindowWork> done = std::move(m_work);
                emit ended(std::move(done), std::exchange(m_failure, nullptr));
            },
            Qt::QueuedConnection);
    });
}

void BackgroundTask::cancel() {
    if (m_work) m_work->cancel();
}

void BackgroundTask::join() {
    if (m_thread.joinable()) m_thread.join();
}

} // namespace quarvel
