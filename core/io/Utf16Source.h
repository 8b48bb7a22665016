#pragma once

#include "ByteSource.h"

#include <filesystem>
#include <memory>

namespace quarvel {

/// `source` as the input file is read: a file that starts with FF FE or FE FF (UTF-16, little or big
/// endian, as spreadsheet programs save "Unicode text") is handed on decoded to UTF-8, before any line
/// rule applies: its mark becomes EF BB BF, the mark of a UTF-8 file; a lone surrogate and an odd last
/// byte become U+FFFD. Any other file is handed on as it is.
std::unique_ptr<ByteSource> decodeUtf16(std::unique_ptr<ByteSource> source);

/// Opens an input file with `open`, handed on as decodeUtf16 hands it on. Every reading of an input file
/// (the records, the identification, the rejected lines) goes through it, so all read the same text.
OpenedSource openInputText(const SourceOpener& open, const std::filesystem::path& path);

} // namespace quarvel
