#pragma once

#include "Pipeline.h"
#include "Session.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

/// The settings of a run as the window state holds them now (with no code page selected, the identified one).
RunSettings currentRunSettings(const Session& session);
/// The settings a new file is loaded with: the options as they stand, but no code page chosen for the
/// file before it and no "?" replacement, which a load turns off (resetLoadControls).
RunSettings settingsForLoad(const Session& session);

/// The window's load: reads the named file into the session, then shows its kind, code page, statistics
/// and records.
LoadOutcome loadIntoWindow(Session& session, const std::filesystem::path& fileName);

/// What loadIntoWindow shows once the file is read: its kind, code page, statistics and records.
LoadOutcome showLoadResult(Session& session, const LoadResult& result, const std::filesystem::path& fileName);

/// Brings the controls that show a loaded file back to the state of no file loaded.
void resetLoadControls(WindowState& state);

/// Shows the counts and the total in the statistics and enables saving when a record is valid.
void showStatistics(const LoadedFile& file, WindowState& state);

/// Rebuilds the log window's text from the loaded file, notes which records the save left out, and
/// enables "Pokaż plik &LOG".
void buildLogReport(Session& session);

/// The open command: asks for a file, loads it, and shows the number of records and the file name.
void chooseAndOpenFile(Session& session);

/// The open command's dialog: the file chosen, or nothing when the user cancelled.
std::optional<std::filesystem::path> askFileToOpen(Session& session);

/// The open command's steps after its dialog, for a file chosen there or given by another road.
void openChosenFile(Session& session, const std::filesystem::path& chosen);
/// openChosenFile's steps before and after its load: the counts and the file name, the warnings.
void startShowingLoad(Session& session, const std::filesystem::path& chosen);
void finishShowingLoad(Session& session, const std::filesystem::path& chosen, LoadOutcome outcome);

/// The one file among files given outside the dialog that is to be opened, made whole; more than one is
/// refused with a message.
std::optional<std::filesystem::path> givenFileToOpen(Session& session, const std::vector<std::filesystem::path>& files);

/// Files given to the program outside its dialog (named at start, dropped on the window): one is opened
/// as the open command opens a chosen file, more than one is refused with a message, none does nothing.
void openGivenFiles(Session& session, const std::vector<std::filesystem::path>& files);

/// What the save command wrote, with the log report it made of the file (none when it did not fit).
struct SavedFiles {
    struct Report {
        std::vector<std::string> lines;
        std::vector<bool> skipped;
    };
    WriteResult written;
    std::optional<Report> report;
};

/// The save command's work: the output file of `file`, then its log report; reads the file only.
SavedFiles saveFiles(const LoadedFile& file, const OutputOpener& openOutput);
/// The save command: writes the output file beside the input, rebuilds the log report and confirms the
/// save; on failure shows the error and changes nothing else.
WriteResult saveValidRecordsAndLog(Session& session);
/// What the save command shows of its work: the error, or the warning, the log report and the confirmation.
WriteResult showSaved(Session& session, SavedFiles saved);

/// The trim option was switched (its new state is in the window state): correct, validate, refill.
void trimFieldsToggled(Session& session);
/// The replace option was switched: correct, validate, refill.
void replaceControlToggled(Session& session);
/// The option of the NRB check digits was switched: correct, validate, refill.
void checkNrbDigitsToggled(Session& session);
/// The option of the NIP check digits was switched: correct, validate, refill.
void checkNipDigitsToggled(Session& session);
/// The user chose another code page: correct, validate, refill, and show the marker while the choice
/// differs from the identified code page.
void codePageChosen(Session& session);
/// The user chose another display filter: refill the grid.
void filterChosen(Session& session);

/// Shows the marker while the chosen code page differs from the identified one.
void showCodePageMarker(Session& session);

/// Correction, validation and the grid refill, in that order.
void rerunCorrection(Session& session);
/// A re-run that ran out of memory: the file is dropped, and the user told.
void dropAfterFailedRerun(Session& session);

/// The height a row of the options takes: the third and fourth options, "Sprawdzaj cyfry kontrolne numerów
/// NRB" and "… NIP", add one each to the two the window was designed with, at 180 and 606 pixels of client
/// height.
inline constexpr int kOptionRowHeight = 20;
inline constexpr int kAddedOptionRows = 2;
inline constexpr int kCompactClientHeight = 180 + kAddedOptionRows * kOptionRowHeight;
inline constexpr int kDetailsClientHeight = 606 + kAddedOptionRows * kOptionRowHeight;

/// A rectangle in the window system's coordinates.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

/// How far the window manager's frame (title bar, borders) reaches beyond the client area on each side.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

/// The screen a window is on: its whole area, the part windows may use (without panels and docks), and
/// the frame the window manager gives the window.
struct ScreenInfo {
    ScreenRect geometry;
    ScreenRect available;
    FrameMargins frame;
};

/// Where a window goes: the top-left corner of its frame, and the size of its client area.
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

/// Moves a window, frame included, into the available area of its screen; where the frame is larger than
/// that area, the client area shrinks to fit and the frame starts at the area's edge. An empty area (no
/// screen known) leaves the placement as it is.
WindowPlacement keepOnScreen(WindowPlacement wanted, const FrameMargins& frame, const ScreenRect& available);

/// Where the window goes when the details are shown or hidden.
struct DetailsLayout {
    WindowPlacement placement;
    bool detailsVisible = false;
};

/// The geometry part of showing or hiding the details, for a window whose normal placement is `current`:
/// client height kCompactClientHeight or kDetailsClientHeight, the width unchanged, the top edge at screen height / 2 -
/// client height / 2; then kept on the screen, which a tall client area on a small or scaled screen would otherwise
/// leave (title bar and buttons out of reach). The window applies it to its normal state; a maximised window stays
/// maximised and takes the placement when it is restored.
DetailsLayout layOutDetails(const WindowState& state, const WindowPlacement& current, const ScreenInfo& screen);

/// What the layout of the statistics group needs to know of what it shows, measured in the fonts used, in
/// pixels from the group's top-left corner.
struct StatisticsMeasures {
    int contentsTop = 0;               ///< where the style lets the group's contents begin
    std::array<int, 3> captionRight{}; ///< right edges of the three captions
    std::array<int, 3> valueWidth{};   ///< widths of the three counts' texts
    int widestGroup = 0;               ///< how wide the group may grow: to the edge of the strip at design
    /// The widest total the pattern writes (widestPatternTotal) at the smallest size: the group makes room
    /// for it beyond `widestGroup` where the font is that wide, and the window's layout widens the window.
    int widestTotalAtSmallest = 0;
    int detailsHeight = 0;             ///< height of the check box "Pokaż szczegóły"
};

/// Where the statistics group's controls go. The design's places hold wherever the texts fit in them.
struct StatisticsLayout {
    std::array<int, 3> rowTop{}; ///< tops of the three rows (captions and counts)
    int valueRight = 0;          ///< the counts' common right edge (the third stands a pixel further right)
    int totalLeft = 0;
    int totalTop = 0;
    int totalWidth = 0;
    double totalPoints = 10; ///< the total's font size
    bool totalCut = false;   ///< too wide even at the smallest size: its front gives way to an ellipsis
    int detailsTop = 0;      ///< top of the check box "Pokaż szczegóły"
    int groupWidth = 0;
    int groupHeight = 0;
};

/// Lays out the statistics for counts and a total of the given widths: rows below the group's border,
/// counts clear of their captions, and the total whole wherever it can be. A total wider than the room
/// from its place to the group's edge widens the group (as far as `widestGroup`, or as the widest total of
/// the pattern needs at the smallest size), then moves closer to the
/// counts, then is drawn smaller (down to 8 points). `totalWidthAt` gives the total's width at a size.
StatisticsLayout statisticsLayout(const StatisticsMeasures& measures,
                                  const std::function<int(double points)>& totalWidthAt);

/// The size a total too wide for its place is drawn down to before its front gives way to an ellipsis.
inline constexpr double kSmallestTotalPoints = 8;

/// The widest total the total's pattern writes: all fifteen digit places, negative.
std::string widestPatternTotal();

/// What sharing the details' height between the grid and the strips under the splitter bar needs to
/// know, in pixels.
struct DetailsSplitMeasures {
    int available = 0;          ///< the splitter's height without its bar
    int recordsWithoutRows = 0; ///< the record area's height taken by other than rows (filter, titles, header, scroll bar)
    int rowHeight = 0;
    int belowDesign = 0;  ///< the original value and the information at their design heights
    int belowMinimum = 0; ///< the least they can be drawn in
};

struct DetailsSplit {
    int records = 0;
    int below = 0;
};

/// How many grid rows a short window keeps before the strips under the bar give up their design height:
/// those the window shows at its design size.
inline constexpr int kGridRowsKept = 9;

/// The design's split where the grid keeps kGridRowsKept rows in it; otherwise the strips under the bar
/// shrink (to their minimum at most) until it does.
DetailsSplit detailsSplit(const DetailsSplitMeasures& measures);

/// What the log window's save dialogs propose: a name after the input file's, in its folder (or the
/// nearest that still exists); the name alone before any load.
std::filesystem::path proposedLogFile(const LoadedFile& file);
std::filesystem::path proposedRejectedLinesFile(const LoadedFile& file);

/// The folder the open dialog starts in: that of the file loaded last in this run, or the nearest folder
/// above it that still exists; empty before the first load (the dialog then starts where the platform starts).
std::filesystem::path openDialogFolder(const LoadedFile& file);

} // namespace quarvel
