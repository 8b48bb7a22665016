#include "view/MainWindow.h"

#include "check/Correction.h"
#include "check/Validation.h"
#include "load/LoadDriver.h"
#include "load/LoadTexts.h"
#include "output/LogReport.h"
#include "output/OutputTexts.h"
#include "output/OutputWriter.h"
#include "view/BusyCursor.h"
#include "view/RecordGrid.h"
#include "view/ViewTexts.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace quarvel {

void bOtworzPlikClick(Session& session) {
    const std::vector<FileFilter> filters = {{texts::kOpenFilterTxt, "*.txt"}, {texts::kOpenFilterAll, "*.*"}};
    const std::optional<std::filesystem::path> chosen =
        session.ui.chooseFileToOpen(filters, OpenDialogFolder(session.file));
    if (chosen) OpenChosenFile(session, *chosen);
}

void OpenChosenFile(Session& session, const std::filesystem::path& chosen) {
    BusyCursor busy(session.ui);
    WindowState& state = session.state;
    state.LabelStatAll.text = "0";
    state.LabelStatOK.text = "0";
    state.LabelStatZle.text = "0";
    session.file.fileName = chosen;
    const LoadOutcome outcome = WczytajDane(session, chosen);
    // Whatever the outcome: a vanished file leaves the earlier records, and their number is shown.
    state.LabelStatAll.text = std::to_string(session.file.records().size());
    state.LabelNazwaPliku.text = PathForMessage(chosen.filename());
    if (outcome == LoadOutcome::Loaded && session.file.unreadTail) {
        // The records before the mark are loaded; what follows it is not: a warning.
        session.ui.showMessage(MessageKind::Warning, UnreadTailMessage(chosen, *session.file.unreadTail));
    }
    if (outcome == LoadOutcome::Loaded && !session.file.tiedCodePages.empty()) {
        // Every record may be valid under a wrong code page: only the user can tell by the letters, and
        // the code-page list is where they put it right.
        session.ui.showMessage(MessageKind::Warning, TieWarningMessage(session.file.tiedCodePages));
    }
}

void OpenGivenFiles(Session& session, const std::vector<std::filesystem::path>& files) {
    if (files.empty()) return;
    if (files.size() > 1) {
        session.ui.showMessage(MessageKind::Warning, texts::kOnlyOneFile);
        return;
    }
    // The dialog always answers with a whole path; a name given relative to the working folder is made
    // whole the same way, so that the output lands beside the input and the messages name it fully.
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(files.front(), ec);
    OpenChosenFile(session, ec ? files.front() : whole);
}

WriteResult bZapiszTylkoPrawidloweClick(Session& session) {
    const std::filesystem::path target = OutputFileName(session.file.fileName);
    WriteResult result;
    {
        const BusyCursor busy(session.ui);
        result = SaveValidRecords(session.file, session.openOutput);
    }
    if (!result.ok) {
        session.ui.showMessage(MessageKind::Error, result.message);
        return result;
    }
    if (!result.warning.empty()) session.ui.showMessage(MessageKind::Warning, result.warning);
    try {
        BuildLogReport(session);
    } catch (const std::bad_alloc&) {
        // The output is written; the report of a huge file may not fit beside the records.
        session.state.RichEditLOG.lines.clear();
        session.state.bPokazLog.enabled = false;
        // The output is saved; only the report is missing.
        session.ui.showMessage(MessageKind::Warning, texts::kOutOfMemoryForLog);
    }
    session.ui.showMessage(MessageKind::Information, texts::kSaved + "\r" + PathForMessage(target));
    return result;
}

void cbPrzytnijPolaClick(Session& session) {
    RerunCorrection(session);
}

void cbZamienNiedozwoloneZnakiClick(Session& session) {
    RerunCorrection(session);
}

void cbSprawdzajCyfryKontrolneClick(Session& session) {
    RerunCorrection(session);
}

void ComboBoxStronaChange(Session& session) {
    RerunCorrection(session);
    const int selected = session.state.ComboBoxStrona.selected;
    // With no item selected the correction uses the identified code page, so nothing differs from it.
    session.state.ShapeInnaStronaKodowaWPliku.visible = selected >= 0 && selected != session.file.identifiedCodePage;
}

void RadioGroupRodzajDanychClick(Session& session) {
    WypelnijStringGridWczytane(session);
}

void RerunCorrection(Session& session) {
    try {
        // Correction always starts again from the raw values, so re-runs never build on one another.
        RunCorrectionPass(session);
        ValidateAllRecords(session);
        WypelnijStringGridWczytane(session);
    } catch (const std::bad_alloc&) {
        // Records half corrected cannot be shown or saved: the file is dropped, as after a failed load.
        WindowState& state = session.state;
        state.StringGridWczytane.visible = false;
        state.StringGridWczytane.rows.clear();
        session.file.clearRecords();
        session.file.skippedAtSave.clear();
        session.file.validCount = 0;
        session.file.invalidCount = 0;
        state.bZapiszTylkoPrawidlowe.enabled = false;
        state.LabelStatOK.text = "0";
        state.LabelStatZle.text = "0";
        state.LabelStatAll.text = "0";
        session.ui.showMessage(MessageKind::Error, texts::kOutOfMemoryRerun + PathForMessage(session.file.fileName) +
                                                       "\r" + texts::kLoadAborted);
    }
}

namespace {

// Moves a span of `size` into [start, start + room), shrinking it to `room` when it is larger; returns the
// new start and size.
std::pair<int, int> fitSpan(int position, int size, int start, int room) {
    if (size >= room) return {start, room};
    return {std::clamp(position, start, start + room - size), size};
}

} // namespace

WindowPlacement KeepOnScreen(WindowPlacement wanted, const FrameMargins& frame, const ScreenRect& available) {
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

DetailsLayout PokazUkryjSzczegoly(const WindowState& state, const WindowPlacement& current, const ScreenInfo& screen) {
    DetailsLayout layout;
    layout.detailsVisible = state.cbPokazSzczegoly.checked;
    WindowPlacement wanted = current;
    wanted.clientHeight = layout.detailsVisible ? kDetailsClientHeight : kCompactClientHeight;
    wanted.top = screen.geometry.top + screen.geometry.height / 2 - wanted.clientHeight / 2;
    layout.placement = KeepOnScreen(wanted, screen.frame, screen.available);
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
constexpr double kSmallestTotalPoints = 8;
constexpr double kTotalPointsStep = 0.5;

} // namespace

StatisticsLayout LayOutStatistics(const StatisticsMeasures& measures,
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
        std::clamp(designLeft + textWidth + kGroupInner, kStatWidth, std::max(kStatWidth, measures.widestGroup));
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

std::filesystem::path OpenDialogFolder(const LoadedFile& file) {
    if (file.fileName.empty()) return {};
    std::error_code ec;
    // A folder removed since the load: the dialog starts as near to it as the file system still allows.
    for (std::filesystem::path folder = file.fileName.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (std::filesystem::is_directory(folder, ec)) return folder;
        if (folder == folder.root_path()) break;
    }
    return {};
}

} // namespace quarvel
