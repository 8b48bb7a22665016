#pragma once

#include "LoadedFile.h"
#include "AtomicFile.h"

#include <filesystem>
#include <string>

namespace quarvel {

/// The input's name without its extension, plus "_doVexa.txt", in the input's folder.
std::filesystem::path outputFileName(const std::filesystem::path& input);

/// Whether the value at position p of record r is written. With isSeparatorWritten, the reference form of
/// the format's rule, a value at a time: the writer makes each line at once, and the tests check it
/// against these.
bool isFieldWritten(const LoadedFile& file, std::size_t r, std::size_t p);
/// Whether "|" follows position p of record r.
bool isSeparatorWritten(const LoadedFile& file, std::size_t r, std::size_t p);

/// The header line of the output file, without its line end.
std::string outputHeader(FileKind kind);
/// The output line of a valid record (ISO-8859-2), without its line end.
std::string outputLineOf(const LoadedFile& file, std::size_t r);

/// Writes the output file of the valid records: its header, then a line per valid record, in chunks made
/// side by side.
Producer outputProducer(const LoadedFile& file);

/// Writes the output file of the valid records to `target`, completely or not at all; never over the input.
WriteResult writeOutputFile(const LoadedFile& file, const std::filesystem::path& target,
                            const OutputOpener& open = openFileOutput);

/// Writes the output file of the valid records beside the input; refuses a target that is the input itself.
WriteResult saveValidRecords(const LoadedFile& file, const OutputOpener& open = openFileOutput);

} // namespace quarvel
