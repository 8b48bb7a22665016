#pragma once

#include "LoadedFile.h"
#include "RunSettings.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

/// What the batch command did besides loading: the files it wrote and what it warned of.
struct BatchOutcome {
    std::optional<std::filesystem::path> output;   ///< the output file, when written
    std::optional<std::filesystem::path> log;      ///< the log, when written
    std::optional<std::filesystem::path> rejected; ///< the rejected lines, when written
    std::vector<std::string> warnings;             ///< UTF-8
};

/// Writes the machine-readable report of a batch run to `out`: one JSON document (UTF-8) with the file,
/// its kind, code pages, counts, total, the files written, the warnings and, in file order, every
/// skipped record with its messages. The skipped records are written one by one as they are made, so
/// that a file of millions of them is never held whole.
void writeJsonReport(const LoadedFile& file, const RunSettings& settings, const std::filesystem::path& input,
                     const BatchOutcome& outcome,
                     std::ostream& out);

} // namespace quarvel
