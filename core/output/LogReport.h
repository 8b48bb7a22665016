#pragma once

#include "LoadedFile.h"
#include "AtomicFile.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quarvel {

/// The lines of the log report (Windows-1250): statistics, then every error of every skipped record.
std::vector<std::string> logReportLines(const LoadedFile& file);

/// The files a saved log report must never replace: the input of the report and its output file.
std::vector<ProtectedFile> filesOfReport(const LoadedFile& file);

/// Hands the lines of the log report to `emit` one by one, without line ends, as they are built: the
/// report is never held whole.
void forEachLogLine(const LoadedFile& file, const std::function<void(std::string_view)>& emit);

/// Writes log lines to a file, each followed by CR LF, in Windows-1250, completely or not at all; never
/// over one of the `untouchable` files.
WriteResult saveLogFile(const std::vector<std::string>& lines, const std::filesystem::path& target,
                        const std::vector<ProtectedFile>& untouchable = {}, const OutputOpener& open = openFileOutput);

/// Writes the log file of `file` (the lines of logReportLines, each followed by CR LF) as it is built;
/// the blocks of the skipped records are made side by side.
Producer logReportProducer(const LoadedFile& file);

/// Writes the log report of `file` (the lines of logReportLines) to a file as it is built, completely or
/// not at all; the report is never held whole.
WriteResult saveLogReport(const LoadedFile& file, const std::filesystem::path& target,
                          const OutputOpener& open = openFileOutput);

} // namespace quarvel
