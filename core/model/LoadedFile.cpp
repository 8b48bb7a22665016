#include "LoadedFile.h"

#include "LoadTexts.h"

namespace quarvel {

std::vector<std::string> LoadedFile::lineErrors(std::size_t i) const {
    std::vector<std::string> messages;
    const std::uint8_t bits = records()[i].lineErrorBits;
    if (bits & kNoData) messages.push_back(lineErrorText(kNoData, lineNumber(i)));
    if (bits & kTooManyFields) messages.push_back(lineErrorText(kTooManyFields, lineNumber(i)));
    return messages;
}

void resetLoadedFile(LoadedFile& file) {
    file.clearRecords();
    file.inputStamp.reset();
    file.skippedAtSave.clear();
    file.validCount = 0;
    file.invalidCount = 0;
}

std::string_view blankToSpace(std::string_view text) {
    return text.empty() ? std::string_view(" ") : text;
}

std::string lineErrorText(LineErrorBit error, std::uint64_t lineNumber) {
    const std::string& prefix = error == kNoData ? texts::kNoDataInLine : texts::kTooManyFieldsInLine;
    return prefix + std::to_string(lineNumber);
}

} // namespace quarvel
