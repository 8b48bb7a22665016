#pragma once

#include "AtomicFile.h"
#include "ByteSource.h"
#include "LoadedFile.h"

#include <filesystem>
#include <vector>

namespace quarvel {

/// Per record of the loaded file, whether it was skipped (left out of the output file).
using SkippedRecords = std::vector<bool>;

/// The records the current verdicts skip.
SkippedRecords currentlySkipped(const LoadedFile& file);

/// Writes the header line of `file`'s input and the line of every skipped record, as they stand in the
/// input: its own bytes, read again through `open` (a UTF-16 file decoded to UTF-8, as it was loaded),
/// each line with the line end it had, or CR LF when it had none; so that the user can correct them in an
/// editor and load them again. Fails, writing nothing, when the input is no longer the file that was loaded.
Producer rejectedLinesProducer(const LoadedFile& file, const SkippedRecords& skipped, const SourceOpener& open);

/// Writes the rejected lines to `target`, completely or not at all; never over the input or its output file.
WriteResult writeRejectedLines(const LoadedFile& file, const SkippedRecords& skipped,
                              const std::filesystem::path& target, const SourceOpener& open = openFileSource,
                              const OutputOpener& openOutput = openFileOutput);

} // namespace quarvel
