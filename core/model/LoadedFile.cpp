#include "LoadedFile.h"

#include "LoadTexts.h"

namespace quarvel {

std::vector<std::string> LoadedFile::lineErrors(std::size_t i) const {
    std::vector<std::string> messages;
    const std::uint8_t bits = records()[i].lineErrorBits;
    if (bits & kNoData) messages.push_back(LineErrorText(kNoData, lineNumber(i)));
    if (bits & kTooManyFields) messages.push_back(LineErrorText(kTooManyFields, lineNumber(i)));
    return messages;
}

void ResetLoadedFile(LoadedFile& file, WindowState& state) {
    state.StringGridWczytane.visible = false;
    state.StringGridWczytane.rows.clear(); // the rows name records that are about to go
    file.clearRecords();
    file.inputStamp.reset();
    file.skippedAtSave.clear();
    state.cbZamienNiedozwoloneZnaki.checked = false;
    state.bPokazLog.enabled = false;
    file.validCount = 0;
    file.invalidCount = 0;
    state.ComboBoxStrona.selected = -1;
    state.LabelStatOKKwota.text.clear();
    state.ShapeInnaStronaKodowaWPliku.visible = false;
}

std::string_view BlankToSpace(std::string_view text) {
    return text.empty() ? std::string_view(" ") : text;
}

std::string LineErrorText(LineErrorBit error, std::uint64_t lineNumber) {
    const std::string& prefix = error == kNoData ? texts::kNoDataInLine : texts::kTooManyFieldsInLine;
    return prefix + std::to_string(lineNumber);
}

} // namespace quarvel
