#pragma once

#include "Session.h"
#include "io/AtomicFile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quarvel {

/// The lines of the log report (Windows-1250): statistics, then every error of every skipped record.
std::vector<std::string> LogReportLines(const LoadedFile& file);

/// Rebuilds the log window's text from the loaded file and enables "Pokaż plik &LOG".
void BuildLogReport(Session& session);

/// Writes log lines to a file, each followed by CR LF, in Windows-1250, completely or not at all.
WriteResult SaveLogFile(const std::vector<std::string>& lines, const std::filesystem::path& target,
                        const WriteFaults& faults = {});

/// Writes the log report of `file` (the lines of LogReportLines) to a file as it is built, completely or
/// not at all; the report is never held whole.
WriteResult SaveLogReport(const LoadedFile& file, const std::filesystem::path& target, const WriteFaults& faults = {});

} // namespace quarvel
