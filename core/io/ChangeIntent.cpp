#include "ChangeIntent.h"

#include "FileNames.h"

#include <cstdint>
#include <system_error>

namespace quarvel::detail {

std::string intentText(const std::vector<IntentRecord>& records) {
    std::string text(kIntentHeader);
    for (const IntentRecord& record : records) {
        text += record.kind;
        text += '\0';
        text += platform::utf8FromPath(record.target);
        text += '\0';
        text += platform::utf8FromPath(record.backup);
        text += '\0';
        text += std::to_string(record.made.volume);
        text += '\0';
        text += std::to_string(record.made.index);
        text += '\0';
    }
    return text;
}

std::optional<std::vector<IntentRecord>> parseIntent(std::string_view text) {
    if (!text.starts_with(kIntentHeader)) return std::nullopt;
    text.remove_prefix(kIntentHeader.size());
    std::vector<IntentRecord> records;
    const auto field = [&text]() -> std::optional<std::string_view> {
        const std::size_t end = text.find('\0');
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view value = text.substr(0, end);
        text.remove_prefix(end + 1);
        return value;
    };
    const auto number = [](std::string_view digits) {
        std::uint64_t value = 0;
        for (const char c : digits) value = value * 10 + static_cast<std::uint64_t>(c >= '0' && c <= '9' ? c - '0' : 0);
        return value;
    };
    while (!text.empty()) {
        const auto kind = field();
        const auto target = field();
        const auto backup = field();
        const auto volume = field();
        const auto index = field();
        if (!index || kind->size() != 1 || ((*kind)[0] != 'K' && (*kind)[0] != 'N')) return std::nullopt;
        records.push_back({(*kind)[0], platform::pathFromUtf8(*target), platform::pathFromUtf8(*backup),
                           {number(*volume), number(*index)}});
    }
    return records;
}

int restoreFromIntent(const std::vector<IntentRecord>& records) {
    int failed = 0;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const IntentRecord& record = *it;
        std::error_code ec;
        if (record.kind == 'N') {
            if (platform::identityOf(record.target, true) == record.made) fs::remove(record.target, ec);
            if (ec) failed = platform::errorNumber(ec);
            continue;
        }
        const std::optional<platform::FileId> kept = platform::identityOf(record.backup, true);
        if (!kept) continue; // put back already, or the run ended before keeping it
        if (platform::identityOf(record.target, true) == kept) {
            fs::remove(record.backup, ec); // the second name of a file still in place
        } else if (const int error = platform::renameFile(record.backup, record.target); error != 0) {
            failed = error;
        }
    }
    return failed;
}

} // namespace quarvel::detail
