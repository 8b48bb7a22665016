#pragma once

#include "Session.h"

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

/// Settings the batch command gives for the first correction run, as a user would choose them after the
/// load: the records come out as after that load and one re-run, at the cost of one run.
struct LoadSettings {
    std::optional<CodePageId> codePage; ///< instead of the identified one
    bool replaceControl = false;
};

/// The load driver: reads the named file into the session's model, then corrects and validates it.
LoadOutcome WczytajDane(Session& session, const std::filesystem::path& fileName, const LoadSettings& settings = {});

/// The warning that an end mark at the start of a line left data of the file unread (Windows-1250).
std::string UnreadTailMessage(const std::filesystem::path& fileName, const UnreadTail& tail);

/// The warning that a tie of the letter counts chose the code page among `tied`, which read the file's
/// letters differently (Windows-1250).
std::string TieWarningMessage(const std::vector<CodePageId>& tied);

} // namespace quarvel
