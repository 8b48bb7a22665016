#pragma once

#include "LoadedFile.h"
#include "AtomicFile.h"

#include <filesystem>
#include <string>

namespace quarvel {

/// The input's name without its extension, plus "_doVexa.txt", in the input's folder.
std::filesystem::path OutputFileName(const std::filesystem::path& input);

/// Whether the value at position p of record r is written. With IsSeparatorWritten, the reference form of
/// the format's rule, a value at a time: the writer makes each line at once, and the tests check it
/// against these.
bool IsFieldWritten(const LoadedFile& file, std::size_t r, std::size_t p);
/// Whether "|" follows position p of record r.
bool IsSeparatorWritten(const LoadedFile& file, std::size_t r, std::size_t p);

/// The header line of the output file, without its line end.
std::string OutputHeader(FileKind kind);
/// The output line of a valid record (ISO-8859-2), without its line end.
std::string OutputLine(const LoadedFile& file, std::size_t r);

/// Writes the output file of the valid records: its header, then a line per valid record, in chunks made
/// side by side.
Producer OutputProducer(const LoadedFile& file);

/// Writes the output file of the valid records to `target`, completely or not at all; never over the input.
WriteResult WriteOutputFile(const LoadedFile& file, const std::filesystem::path& target,
                            const OutputOpener& open = OpenFileOutput);

/// Writes the output file of the valid records beside the input; refuses a target that is the input itself.
WriteResult SaveValidRecords(const LoadedFile& file, const OutputOpener& open = OpenFileOutput);

} // namespace quarvel
