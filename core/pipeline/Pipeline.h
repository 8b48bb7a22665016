#pragma once

#include "ByteSource.h"
#include "RunSettings.h"
#include "Workspace.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

/// How a load ended.
enum class LoadOutcome {
    Missing,    ///< no file at that path: nothing was changed
    OpenFailed, ///< the file could not be opened: the records of the earlier file stay
    Stopped,    ///< the header stopped the load (the user was told)
    Empty,      ///< the file held no line: nothing to load, and nothing was said
    ReadFailed, ///< reading failed part way (the user was told); no record is kept
    Loaded,     ///< header read; records (possibly none) corrected and validated
};

/// What a load found out besides its outcome, for those who show it.
struct LoadResult {
    LoadOutcome outcome = LoadOutcome::Missing;
    bool headerJudged = false; ///< the header line was read and the file's kind decided
    bool identified = false;   ///< the file's code page was identified (LoadedFile::identifiedCodePage)
    bool cancelled = false;    ///< the workspace's progress asked the load to stop: it kept no record
};

/// An input opened for a load, or how the load ended before it began.
struct InputToLoad {
    std::filesystem::path fileName;
    OpenedSource opened;
    std::optional<LoadOutcome> refused; ///< Missing, or OpenFailed (the user was told)
};

/// Opens the named file for loadOpened; the loaded file stays as it is.
InputToLoad openForLoad(Workspace& workspace, const std::filesystem::path& fileName);

/// Reads an opened input into the workspace's loaded file (which it first empties), then corrects and
/// validates the records with `settings`. With a progress in the workspace it reports its stages (reading
/// the file's bytes, then the checks' steps) and stops, keeping no record, when asked to.
LoadResult loadOpened(Workspace& workspace, InputToLoad& input, const RunSettings& settings);

/// openForLoad, then loadOpened.
LoadResult loadFile(Workspace& workspace, const std::filesystem::path& fileName, const RunSettings& settings);

/// Corrects the loaded records again from their raw values, then judges and counts them, with `settings`.
/// A stop asked through the workspace's progress leaves them half checked: the caller gives them up.
void rerunChecks(Workspace& workspace, const RunSettings& settings);

/// Gives up the loaded records after a failure of the system's (an error code, or ENOMEM), and tells it.
void dropRecords(Workspace& workspace, const std::filesystem::path& fileName, int error);

/// The warning that an end mark at the start of a line left data of the file unread (Windows-1250).
std::string unreadTailMessage(const std::filesystem::path& fileName, const UnreadTail& tail);

/// The warning that a tie of the letter counts chose the code page among `tied`, which read the file's
/// letters differently (Windows-1250).
std::string tieWarningMessage(const std::vector<CodePage>& tied);

} // namespace quarvel
