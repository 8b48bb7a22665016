#pragma once

#include "Platform.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::detail {

namespace fs = std::filesystem;

// The intent file: one record per change, fields ended by NUL (no name holds one). "K", the target and
// its backup: the earlier file is kept under the backup's name. "N", the target and the identity of its
// new file: there was none before.
struct IntentRecord {
    char kind = 'K';
    fs::path target;
    fs::path backup;
    platform::FileId made;
};

std::string intentText(const std::vector<IntentRecord>& records);

std::optional<std::vector<IntentRecord>> parseIntent(std::string_view text);

// Puts back what a run that ended part way had replaced, as its intent records it; 0, or the error that
// stopped it (the intent then stays for a later run).
int restoreFromIntent(const std::vector<IntentRecord>& records);

} // namespace quarvel::detail
