#include "WindowWork.h"

#include "Pipeline.h"
#include "RecordGrid.h"
#include "StoppableSource.h"
#include "ViewTexts.h"

#include <algorithm>
#include <new>
#include <optional>

namespace quarvel {
namespace {

// A workspace of the work's own, over the session's services; its messages are kept for later.
struct WorkSpace {
    WorkSpace(const Session& session, WorkProgress& progress) : workspace(kept, session.clock) {
        workspace.openInput = stoppableOpener(session.openInput, progress);
        workspace.readBlockSize = session.readBlockSize;
        workspace.openOutput = session.openOutput;
        workspace.progress = &progress;
    }
    KeptMessages kept;
    Workspace workspace;
};

// What a load into a file of its own keeps of the file loaded before, as a load into that file would:
// what the header and the identification leave as they were when they say nothing new.
void carryOver(const LoadedFile& current, LoadedFile& next) {
    next.kind = current.kind;
    next.identifiedCodePage = current.identifiedCodePage;
    next.declaredCodePage = current.declaredCodePage;
    next.codePageDeclared = current.codePageDeclared;
    next.tiedCodePages = current.tiedCodePages;
    next.loadMessages = current.loadMessages;
    next.maxLines = current.maxLines;
    next.validTotal = current.validTotal;
}

class LoadWork final : public WindowWork {
public:
    LoadWork(Session& session, std::filesystem::path chosen)
        : WindowWork(true), m_chosen(std::move(chosen)), m_settings(settingsForLoad(session)),
          m_space(session, m_progress) {
        carryOver(session.file, m_space.workspace.file);
        m_space.workspace.file.fileName = m_chosen;
    }

    void run() override {
        Workspace& workspace = m_space.workspace;
        InputToLoad input = openForLoad(workspace, m_chosen);
        if (input.refused) {
            m_refused = input.refused;
            return;
        }
        m_result = loadOpened(workspace, input, m_settings);
    }

    void finish(Session& session) override {
        if (cancelled() || m_result.cancelled) return;
        startShowingLoad(session, m_chosen);
        LoadOutcome outcome;
        if (m_refused) {
            // Nothing was read: the earlier records stay.
            m_space.kept.showTo(session.ui);
            outcome = *m_refused;
        } else {
            resetLoadControls(session.state);
            session.file = std::move(m_space.workspace.file);
            m_space.kept.showTo(session.ui);
            outcome = showLoadResult(session, m_result, m_chosen);
        }
        finishShowingLoad(session, m_chosen, outcome);
    }

private:
    std::filesystem::path m_chosen;
    RunSettings m_settings;
    WorkSpace m_space;
    std::optional<LoadOutcome> m_refused;
    LoadResult m_result;
};

class RerunWork final : public WindowWork {
public:
    RerunWork(Session& session, bool codePage)
        : WindowWork(false), m_session(session), m_settings(currentRunSettings(session)), m_codePage(codePage),
          m_space(session, m_progress) {
        m_progress.begin(WorkProgress::Stage::Checking, 0);
    }

    void run() override {
        try {
            // A copy, so that the window goes on showing the records while they are checked.
            m_space.workspace.file = m_session.file;
            rerunChecks(m_space.workspace, m_settings);
        } catch (const std::bad_alloc&) {
            m_outOfMemory = true;
            m_space.workspace.file.clearRecords();
        }
    }

    void finish(Session& session) override {
        if (m_outOfMemory) {
            dropAfterFailedRerun(session);
        } else {
            session.file = std::move(m_space.workspace.file);
            try {
                showStatistics(session.file, session.state);
                fillGrid(session);
            } catch (const std::bad_alloc&) {
                dropAfterFailedRerun(session);
            }
        }
        if (m_codePage) showCodePageMarker(session);
    }

private:
    const Session& m_session; // read only, while run() runs
    RunSettings m_settings;
    bool m_codePage;
    WorkSpace m_space;
    bool m_outOfMemory = false;
};

class SaveWork final : public WindowWork {
public:
    // How far the writing has come is not told: the row shows the stage alone.
    explicit SaveWork(Session& session) : WindowWork(false), m_session(session) {
        m_progress.begin(WorkProgress::Stage::Writing, 0);
    }

    void run() override {
        m_saved = saveFiles(m_session.file, m_session.openOutput);
    }

    void finish(Session& session) override { m_renewed = showSaved(session, std::move(m_saved)).ok; }
    bool changesRecords() const override { return false; }
    bool renewedLogReport() const override { return m_renewed; }

private:
    bool m_renewed = false;
    const Session& m_session; // read only, while run() runs
    SavedFiles m_saved;
};

int percentOf(const WorkProgress& progress) {
    const std::uint64_t total = progress.total();
    if (total == 0) return -1;
    return static_cast<int>(std::min<std::uint64_t>(100, progress.done() * 100 / total));
}

const std::string& stageText(WorkProgress::Stage stage) {
    switch (stage) {
    case WorkProgress::Stage::Checking:
        return texts::kStageChecking;
    case WorkProgress::Stage::Writing:
        return texts::kStageWriting;
    case WorkProgress::Stage::Waiting: // a load, opening its file
    case WorkProgress::Stage::Reading:
        break;
    }
    return texts::kStageReading;
}

} // namespace

std::unique_ptr<WindowWork> loadWork(Session& session, const std::filesystem::path& chosen) {
    return std::make_unique<LoadWork>(session, chosen);
}

std::unique_ptr<WindowWork> rerunWork(Session& session, bool codePage) {
    return std::make_unique<RerunWork>(session, codePage);
}

std::unique_ptr<WindowWork> saveWork(Session& session) {
    return std::make_unique<SaveWork>(session);
}

void beginWork(WindowState& state, const WindowWork& work) {
    state.progress = ProgressState{};
    state.progress.working = true;
    state.progress.cancellable = work.cancellable();
}

void showProgress(WindowState& state, const WindowWork& work, std::chrono::milliseconds lasted) {
    ProgressState& row = state.progress;
    if (!row.working) return;
    row.visible = row.visible || lasted >= kProgressDelay;
    const WorkProgress& progress = work.progress();
    row.stage = stageText(progress.stage());
    row.percent = percentOf(progress);
}

void endWork(WindowState& state) {
    state.progress = ProgressState{};
}

} // namespace quarvel
