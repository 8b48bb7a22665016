#pragma once

#include "Workspace.h"
#include "LineScanner.h"
#include "Record.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// Records built from lines, with their raw values one after another from the front of `raw`: the records
/// of a block of lines, built away from the file and appended to it in one go.
struct BuiltLines {
    std::vector<Record> records;
    std::vector<char> raw;
};

/// Whether the byte is stripped from both ends of a value: every byte up to 0x20.
inline bool isStrippable(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

/// Counts the "|" of non-empty `bytes` past a record's last field into `separators`, and tells whether
/// bytes follow the last of them: the surplus pieces of a line only count. Inline, so that the builders
/// keep their counts in registers.
inline void countSurplus(std::string_view bytes, std::uint64_t& separators, bool& bytesSinceSeparator) {
    const std::size_t last = bytes.rfind('|');
    if (last == std::string_view::npos) {
        bytesSinceSeparator = true;
        return;
    }
    separators += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '|'));
    bytesSinceSeparator = last + 1 < bytes.size();
}

/// Reads the next line of `input` and appends its record to `lines`, keeping only what the record needs
/// (the first `fieldCount` fields, each cut to kMaxFieldBytes bytes, and the number of "|"), in bounded
/// memory whatever the line's length; false when there was no further line.
bool readLineInto(BuiltLines& lines, LineScanner& input, std::size_t fieldCount);

/// Reads the next line of the opened file and appends its record; false when there was no further line.
bool readRecordLine(Workspace& session, LineScanner& input);

} // namespace quarvel
