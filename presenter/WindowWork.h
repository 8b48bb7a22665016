#pragma once

#include "MainWindowPresenter.h"
#include "Session.h"
#include "WorkProgress.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quarvel {

/// Messages the engine reports while it works away from the window, kept in order to be shown there once
/// the work has ended.
class KeptMessages final : public MessageSink {
public:
    void showMessage(MessageKind kind, std::string_view text) override { m_kept.emplace_back(kind, std::string(text)); }
    /// Shows the kept messages through `sink`, in the order they came.
    void showTo(MessageSink& sink) const {
        for (const auto& [kind, text] : m_kept) sink.showMessage(kind, text);
    }

private:
    std::vector<std::pair<MessageKind, std::string>> m_kept;
};

/// A command's long work, in three steps: prepared from the session on the window's thread, run on
/// another thread (writing only what it owns, reading the session's loaded file at most), and shown on
/// the window's thread, which alone writes the session. Nothing of the session changes before finish():
/// a work given up leaves the window as it was.
class WindowWork {
public:
    virtual ~WindowWork() = default;
    WindowWork(const WindowWork&) = delete;
    WindowWork& operator=(const WindowWork&) = delete;

    /// The work itself, on any thread.
    virtual void run() = 0;
    /// Writes what the work found into the session; on the window's thread, once run() has returned.
    /// A work given up changes nothing.
    virtual void finish(Session& session) = 0;

    /// Whether the user may give the work up (a load may, a re-run and a save run to their end).
    bool cancellable() const { return m_cancellable; }
    /// Asks a cancellable work to stop; it ends within a block of the file.
    void cancel() {
        if (m_cancellable) m_progress.cancel();
    }
    bool cancelled() const { return m_progress.cancelled(); }
    /// Whether finish() may change the records and the grid's rows (a save only reads them).
    virtual bool changesRecords() const { return true; }
    /// Whether finish() gave the log window a new report to show.
    virtual bool renewedLogReport() const { return false; }
    const WorkProgress& progress() const { return m_progress; }

protected:
    explicit WindowWork(bool cancellable) : m_cancellable(cancellable) {}
    WorkProgress m_progress;

private:
    bool m_cancellable;
};

/// The open command's load of `chosen` into a file of its own, which replaces the session's loaded file
/// once it is shown; cancellable.
std::unique_ptr<WindowWork> loadWork(Session& session, const std::filesystem::path& chosen);
/// The re-run of the corrections and checks after an option or the code page changed (`codePage`: the
/// marker of another code page is shown again), on a copy of the loaded file that then replaces it.
std::unique_ptr<WindowWork> rerunWork(Session& session, bool codePage);
/// The save command's writing of the output file and its log report.
std::unique_ptr<WindowWork> saveWork(Session& session);

/// How long a work runs before its progress row shows.
inline constexpr std::chrono::milliseconds kProgressDelay{300};

/// Marks the window working: the commands that would interfere are off until endWork.
void beginWork(WindowState& state, const WindowWork& work);
/// Shows the work's stage and how far it has come; the row shows once the work has lasted kProgressDelay.
void showProgress(WindowState& state, const WindowWork& work, std::chrono::milliseconds lasted);
/// The work has ended: the commands are back, the row is gone.
void endWork(WindowState& state);

} // namespace quarvel
