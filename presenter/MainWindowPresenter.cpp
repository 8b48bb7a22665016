#include "MainWindowPresenter.h"

#include "AccountTotalsTable.h"

#include "Correction.h"
#include "Validation.h"
#include "Pipeline.h"
#include "LoadTexts.h"
#include "LogReport.h"
#include "OutputTexts.h"
#include "OutputWriter.h"
#include "BusyCursor.h"
#include "RecordGrid.h"
#include "RejectedLines.h"
#include "ViewTexts.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace quarvel {

namespace {

void showKind(WindowState& state, FileKind kind) {
    PanelState& panel = state.kindPanel;
    panel.textColour = kWhite;
    switch (kind) {
    case FileKind::None:
        panel.text = texts::kKindNone;
        panel.background = kRed;
        break;
    case FileKind::Contractors:
        panel.text = texts::kKindContractors;
        panel.background = kGreen;
        break;
    case FileKind::Orders:
        panel.text = texts::kKindOrders;
        panel.background = kBlue;
        break;
    }
}

} // namespace

void resetLoadControls(WindowState& state) {
    state.grid.visible = false;
    state.grid.rows.clear(); // the rows name records that are about to go
    state.replaceControl.checked = false;
    state.showLogButton.enabled = false;
    state.accountTotalsButton.enabled = false;
    state.codePageList.selected = -1;
    state.validTotalLabel.text.clear();
    state.otherCodePageMarker.visible = false;
    // The details described a record of the file that is going.
    state.detailsMemo.lines.clear();
    state.originalValueEdit.text.clear();
    state.originalValueEdit.enabled = false;
}

RunSettings currentRunSettings(const Session& session) {
    const WindowState& state = session.state;
    const int selected = state.codePageList.selected;
    RunSettings settings;
    settings.codePage = codePageAtItem(selected);
    settings.trimFields = state.trimFields.checked;
    settings.replaceControl = state.replaceControl.checked;
    settings.checkNrbDigits = state.checkNrbDigits.checked;
    settings.checkNipDigits = state.checkNipDigits.checked;
    return settings;
}

RunSettings settingsForLoad(const Session& session) {
    RunSettings settings = currentRunSettings(session);
    settings.codePage.reset();
    settings.replaceControl = false;
    return settings;
}

void showStatistics(const LoadedFile& file, WindowState& state) {
    state.validCountLabel.text = std::to_string(file.validCount);
    state.invalidCountLabel.text = std::to_string(file.invalidCount);
    state.invalidCountLabel.textColour = file.invalidCount > 0 ? kRed : kGreen;
    if (file.kind == FileKind::Orders) state.validTotalLabel.text = formatTotal(file.validTotal);
    state.validTotalLabel.visible = file.kind == FileKind::Orders;
    state.saveButton.enabled = file.validCount > 0;
    state.accountTotalsButton.enabled = hasAccountTotals(file);
}

LoadOutcome loadIntoWindow(Session& session, const std::filesystem::path& fileName) {
    InputToLoad input = openForLoad(session, fileName);
    if (input.refused) return *input.refused;
    resetLoadControls(session.state);
    const LoadResult result = loadOpened(session, input, settingsForLoad(session));
    return showLoadResult(session, result, fileName);
}

LoadOutcome showLoadResult(Session& session, const LoadResult& result, const std::filesystem::path& fileName) {
    WindowState& state = session.state;
    const LoadedFile& file = session.file;
    if (result.headerJudged) {
        showKind(state, file.kind);
        if (file.kind != FileKind::None) state.codePageList.textColour = kWhite;
    }
    if (result.identified) {
        state.codePageList.background = file.identifiedCodePage == file.declaredCodePage ? kGreen : kRed;
        state.codePageList.selected = codePageItem(file.identifiedCodePage);
    }
    // No validation ran without records, so nothing can be valid: saving stays off until a load yields some.
    if (result.outcome != LoadOutcome::Loaded || file.records().empty()) {
        state.saveButton.enabled = false;
        return result.outcome;
    }
    try {
        showStatistics(file, state);
        setUpGridColumns(session);
        fillGrid(session);
    } catch (const std::bad_alloc&) {
        state.grid.visible = false;
        state.grid.rows.clear();
        dropRecords(session, fileName, ENOMEM);
        state.saveButton.enabled = false;
        return LoadOutcome::ReadFailed;
    }
    return result.outcome;
}

void buildLogReport(Session& session) {
    session.state.logText.lines = logReportLines(session.file);
    session.file.skippedAtSave = currentlySkipped(session.file);
    session.state.showLogButton.enabled = true;
}

std::optional<std::filesystem::path> askFileToOpen(Session& session) {
    const std::vector<FileFilter> filters = {{texts::kOpenFilterTxt, "*.txt"}, {texts::kOpenFilterAll, "*.*"}};
    return session.ui.chooseFileToOpen(filters, openDialogFolder(session.file));
}

void chooseAndOpenFile(Session& session) {
    if (const std::optional<std::filesystem::path> chosen = askFileToOpen(session)) openChosenFile(session, *chosen);
}

void startShowingLoad(Session& session, const std::filesystem::path& chosen) {
    WindowState& state = session.state;
    state.allCountLabel.text = "0";
    state.validCountLabel.text = "0";
    state.invalidCountLabel.text = "0";
    session.file.fileName = chosen;
}

void openChosenFile(Session& session, const std::filesystem::path& chosen) {
    BusyCursor busy(session.ui);
    startShowingLoad(session, chosen);
    finishShowingLoad(session, chosen, loadIntoWindow(session, chosen));
}

void finishShowingLoad(Session& session, const std::filesystem::path& chosen, LoadOutcome outcome) {
    WindowState& state = session.state;
    // Whatever the outcome: a vanished file leaves the earlier records, and their number is shown.
    state.allCountLabel.text = std::to_string(session.file.records().size());
    state.fileNameLabel.text = pathForMessage(chosen.filename());
    if (outcome == LoadOutcome::Loaded && session.file.unreadTail) {
        // The records before the mark are loaded; what follows it is not: a warning.
        session.ui.showMessage(MessageKind::Warning, unreadTailMessage(chosen, *session.file.unreadTail));
    }
    if (outcome == LoadOutcome::Loaded && !session.file.tiedCodePages.empty()) {
        // Every record may be valid under a wrong code page: only the user can tell by the letters, and
        // the code-page list is where they put it right.
        session.ui.showMessage(MessageKind::Warning, tieWarningMessage(session.file.tiedCodePages));
    }
}

std::optional<std::filesystem::path> givenFileToOpen(Session& session, const std::vector<std::filesystem::path>& files) {
    if (files.empty()) return std::nullopt;
    if (files.size() > 1) {
        session.ui.showMessage(MessageKind::Warning, texts::kOnlyOneFile);
        return std::nullopt;
    }
    // The dialog always answers with a whole path; a name given relative to the working folder is made
    // whole the same way, so that the output lands beside the input and the messages name it fully.
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(files.front(), ec);
    return ec ? files.front() : whole;
}

void openGivenFiles(Session& session, const std::vector<std::filesystem::path>& files) {
    if (const std::optional<std::filesystem::path> file = givenFileToOpen(session, files)) openChosenFile(session, *file);
}

SavedFiles saveFiles(const LoadedFile& file, const OutputOpener& openOutput) {
    SavedFiles saved;
    saved.written = saveValidRecords(file, openOutput);
    if (!saved.written.ok) return saved;
    try {
        saved.report = SavedFiles::Report{logReportLines(file), currentlySkipped(file)};
    } catch (const std::bad_alloc&) {
        saved.report.reset();
    }
    return saved;
}

WriteResult saveValidRecordsAndLog(Session& session) {
    SavedFiles saved;
    {
        const BusyCursor busy(session.ui);
        saved = saveFiles(session.file, session.openOutput);
    }
    return showSaved(session, std::move(saved));
}

WriteResult showSaved(Session& session, SavedFiles saved) {
    const std::filesystem::path target = outputFileName(session.file.fileName);
    const WriteResult& result = saved.written;
    if (!result.ok) {
        session.ui.showMessage(MessageKind::Error, result.message);
        return result;
    }
    if (!result.warning.empty()) session.ui.showMessage(MessageKind::Warning, result.warning);
    if (saved.report) {
        session.state.logText.lines = std::move(saved.report->lines);
        session.file.skippedAtSave = std::move(saved.report->skipped);
        session.state.showLogButton.enabled = true;
    } else {
        // The output is written; the report of a huge file may not fit beside the records.
        session.state.logText.lines.clear();
        session.state.showLogButton.enabled = false;
        // The output is saved; only the report is missing.
        session.ui.showMessage(MessageKind::Warning, texts::kOutOfMemoryForLog);
    }
    session.ui.showMessage(MessageKind::Information, texts::kSaved + "\r" + pathForMessage(target));
    return result;
}

void trimFieldsToggled(Session& session) {
    rerunCorrection(session);
}

void replaceControlToggled(Session& session) {
    rerunCorrection(session);
}

void checkNrbDigitsToggled(Session& session) {
    rerunCorrection(session);
}

void checkNipDigitsToggled(Session& session) {
    rerunCorrection(session);
}

void codePageChosen(Session& session) {
    rerunCorrection(session);
    showCodePageMarker(session);
}

void showCodePageMarker(Session& session) {
    const int selected = session.state.codePageList.selected;
    // With no item selected the correction uses the identified code page, so nothing differs from it.
    session.state.otherCodePageMarker.visible =
        selected >= 0 && selected != codePageItem(session.file.identifiedCodePage);
}

void filterChosen(Session& session) {
    fillGrid(session);
}

void rerunCorrection(Session& session) {
    try {
        // Correction always starts again from the raw values, so re-runs never build on one another.
        rerunChecks(session, currentRunSettings(session));
        showStatistics(session.file, session.state);
        fillGrid(session);
    } catch (const std::bad_alloc&) {
        dropAfterFailedRerun(session);
    }
}

void dropAfterFailedRerun(Session& session) {
    // Records half corrected cannot be shown or saved: the file is dropped, as after a failed load.
    WindowState& state = session.state;
    state.grid.visible = false;
    state.grid.rows.clear();
    session.file.clearRecords();
    session.file.skippedAtSave.clear();
    session.file.validCount = 0;
    session.file.invalidCount = 0;
    state.saveButton.enabled = false;
    state.validCountLabel.text = "0";
    state.invalidCountLabel.text = "0";
    state.allCountLabel.text = "0";
    session.ui.showMessage(MessageKind::Error, texts::kOutOfMemoryRerun + pathForMessage(session.file.fileName) +
                                                   "\r" + texts::kLoadAborted);
}

namespace {

// Moves a span of `size` into [start, start + room), shrinking it to `room` when it is larger; returns the
// new start and size.
std::pair<int, int> fitSpan(int position, int size, int start, int room) {
    if (size >= room) return {start, room};
    return {std::clamp(position, start, start + room - size), size};
}

} // namespace

WindowPlacement keepOnScreen(WindowPlacement wanted, const FrameMargins& frame, const ScreenRect& available) {
    if (available.width <= 0 || available.height <= 0) return wanted;
    const int frameWidth = frame.left + frame.right;
    const int frameHeight = frame.top + frame.bottom;
    const auto [left, outerWidth] =
        fitSpan(wanted.left, wanted.clientWidth + frameWidth, available.left, available.width);
    const auto [top, outerHeight] =
        fitSpan(wanted.top, wanted.clientHeight + frameHeight, available.top, available.height);
    wanted.left = left;
    wanted.top = top;
    wanted.clientWidth = std::max(0, outerWidth - frameWidth);
    wanted.clientHeight = std::max(0, outerHeight - frameHeight);
    return wanted;
}

DetailsLayout layOutDetails(const WindowState& state, const WindowPlacement& current, const ScreenInfo& screen) {
    DetailsLayout layout;
    layout.detailsVisible = state.showDetails.checked;
    WindowPlacement wanted = current;
    wanted.clientHeight = layout.detailsVisible ? kDetailsClientHeight : kCompactClientHeight;
    wanted.top = screen.geometry.top + screen.geometry.height / 2 - wanted.clientHeight / 2;
    layout.placement = keepOnScreen(wanted, screen.frame, screen.available);
    return layout;
}

namespace {

// The statistics group at design: its size, the tops of its three rows, the counts' right edge, the
// total's place and size, and the top of the check box below them.
constexpr int kStatWidth = 470;
constexpr int kStatHeight = 93;
constexpr std::array<int, 3> kStatRows{16, 32, 48};
constexpr int kStatValueRight = 270;
constexpr int kStatTotalLeft = 294;
constexpr int kStatTotalTop = 30;
constexpr double kStatTotalPoints = 10;
constexpr int kStatDetailsTop = 68;
// Room kept below the group's border, between a caption and its count, and inside the group's edges.
constexpr int kBelowBorder = 2;
constexpr int kStatGap = 6;
constexpr int kGroupInner = 4;
constexpr double kTotalPointsStep = 0.5;

} // namespace

StatisticsLayout statisticsLayout(const StatisticsMeasures& measures,
                                  const std::function<int(double points)>& totalWidthAt) {
    StatisticsLayout layout;
    const int shift = std::max(0, measures.contentsTop + kBelowBorder - kStatRows[0]);
    layout.valueRight = kStatValueRight;
    for (std::size_t k = 0; k < kStatRows.size(); ++k) {
        layout.rowTop[k] = kStatRows[k] + shift;
        layout.valueRight = std::max(layout.valueRight, measures.captionRight[k] + kStatGap + measures.valueWidth[k]);
    }

    int textWidth = totalWidthAt(kStatTotalPoints);
    const int designLeft = std::max(kStatTotalLeft, layout.valueRight + (kStatTotalLeft - kStatValueRight));
    layout.groupWidth =
        std::clamp(designLeft + textWidth + kGroupInner, kStatWidth,
                   std::max({kStatWidth, measures.widestGroup, designLeft + measures.widestTotalAtSmallest + kGroupInner}));
    const int right = layout.groupWidth - kGroupInner;
    layout.totalLeft = std::clamp(right - textWidth, layout.valueRight + 2 * kStatGap, designLeft);
    layout.totalWidth = right - layout.totalLeft;
    while (textWidth > layout.totalWidth && layout.totalPoints > kSmallestTotalPoints) {
        layout.totalPoints = std::max(kSmallestTotalPoints, layout.totalPoints - kTotalPointsStep);
        textWidth = totalWidthAt(layout.totalPoints);
    }
    layout.totalCut = textWidth > layout.totalWidth;
    layout.totalTop = kStatTotalTop + shift;

    layout.detailsTop = kStatDetailsTop + shift;
    layout.groupHeight = std::max(kStatHeight, layout.detailsTop + measures.detailsHeight + kGroupInner);
    return layout;
}

std::string widestPatternTotal() {
    return formatTotal(-999'999'999'999'999.0);
}

std::filesystem::path openDialogFolder(const LoadedFile& file) {
    if (file.fileName.empty()) return {};
    std::error_code ec;
    // A folder removed since the load: the dialog starts as near to it as the file system still allows.
    for (std::filesystem::path folder = file.fileName.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (std::filesystem::is_directory(folder, ec)) return folder;
        if (folder == folder.root_path()) break;
    }
    return {};
}

DetailsSplit detailsSplit(const DetailsSplitMeasures& m) {
    const int gridWanted = m.recordsWithoutRows + kGridRowsKept * m.rowHeight;
    const int below = std::clamp(m.available - gridWanted, std::min(m.belowMinimum, m.belowDesign), m.belowDesign);
    return {std::max(0, m.available - below), below};
}

namespace {

std::filesystem::path proposedBeside(const LoadedFile& file, const std::string& suffix) {
    std::filesystem::path name = file.fileName.empty() ? std::filesystem::path("plik") : file.fileName.stem();
    name += suffix;
    return openDialogFolder(file) / name;
}

} // namespace

std::filesystem::path proposedLogFile(const LoadedFile& file) {
    return proposedBeside(file, "_doVexa.log");
}

std::filesystem::path proposedRejectedLinesFile(const LoadedFile& file) {
    return proposedBeside(file, "_odrzucone.txt");
}

} // namespace quarvel
