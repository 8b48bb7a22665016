#include "load/LoadedFile.h"

#include "check/CheckTexts.h"
#include "load/LoadTexts.h"

namespace quarvel {

LoadedFile::LoadedFile() : m_toOriginal(&ConversionMap(WINDOWS_EE, WINDOWS_EE)) {
    setConversion(WINDOWS_EE, false);
}

void LoadedFile::setConversion(CodePageId source, bool replaceControl) {
    m_source = source;
    m_replaceControl = replaceControl;
    m_toOriginal = &ConversionMap(source, WINDOWS_EE);
    for (int b = 0; b < 256; ++b) {
        const bool replace = replaceControl && b < 0x20;
        m_rawToValue[b] = replace ? std::uint8_t{'?'} : (*m_toOriginal)[b];
        m_fixToValue[b] = replace ? std::uint8_t{'?'} : static_cast<std::uint8_t>(b);
    }
}

std::size_t LoadedFile::rawFieldOffset(const TRecOfFile& r, std::size_t j) const {
    std::size_t offset = r.rawOffset;
    for (std::size_t k = 0; k < j; ++k) offset += r.rawLength[k];
    return offset;
}

std::string_view LoadedFile::rawValue(const TRecOfFile& r, std::size_t j) const {
    return {rawBytes.data() + rawFieldOffset(r, j), r.rawLength[j]};
}

namespace {
ShortText translate(std::string_view bytes, const ByteMap& map) {
    ShortText out;
    out.resize(bytes.size());
    for (std::size_t k = 0; k < out.size(); ++k) out.data()[k] = static_cast<char>(map[static_cast<std::uint8_t>(bytes[k])]);
    return out;
}
} // namespace

ShortText LoadedFile::originalValue(std::size_t i, std::size_t j) const {
    return translate(rawValue(i, j), *m_toOriginal);
}

ValueBytes LoadedFile::valueBytes(const TRecOfFile& r, std::size_t j) const {
    // A field past the record's fields holds nothing.
    ValueBytes found{{}, &m_rawToValue};
    forEachValue(r, [&found, j](std::size_t k, const ValueBytes& value) {
        if (k == j) found = value;
    }, j + 1);
    return found;
}

ShortText LoadedFile::value(std::size_t i, std::size_t j) const {
    const ValueBytes v = valueBytes(i, j);
    return translate(v.bytes, *v.map);
}

std::vector<std::string> LoadedFile::fieldErrors(std::size_t i, std::size_t j) const {
    std::vector<std::string> messages;
    const TRecOfFile& r = records[i];
    const std::uint8_t bits = r.fieldErrorBits[j];
    const TTabStruc& layout = LayoutFor(kind);
    const std::int32_t maxLength = j < layout.size() ? layout[j].maxLength : 0;
    const std::size_t length = bits != 0 ? valueBytes(i, j).bytes.size() : 0;
    for (std::uint8_t bit = 1; bit != 0 && bit <= kBadAmount; bit = static_cast<std::uint8_t>(bit << 1)) {
        if (bits & bit) messages.push_back(FieldErrorText(static_cast<FieldErrorBit>(bit), length, maxLength));
    }
    return messages;
}

std::vector<std::string> LoadedFile::lineErrors(std::size_t i) const {
    std::vector<std::string> messages;
    const std::uint8_t bits = records[i].lineErrorBits;
    if (bits & kNoData) messages.push_back(LineErrorText(kNoData, lineNumber(i)));
    if (bits & kTooManyFields) messages.push_back(LineErrorText(kTooManyFields, lineNumber(i)));
    return messages;
}

void LoadedFile::clearRecords() {
    // Swapping with empty vectors gives the memory of a large file back at once.
    records.clear();
    std::vector<char>().swap(rawBytes);
    std::vector<char>().swap(fixBytes);
    amountsRead = 0;
}

void ResetLoadedFile(LoadedFile& file, WindowState& state) {
    state.StringGridWczytane.visible = false;
    state.StringGridWczytane.rows.clear(); // the rows name records that are about to go
    file.clearRecords();
    state.cbZamienNiedozwoloneZnaki.checked = false;
    state.bPokazLog.enabled = false;
    file.validCount = 0;
    file.invalidCount = 0;
    state.ComboBoxStrona.selected = -1;
    state.LabelStatOKKwota.text.clear();
    state.ShapeInnaStronaKodowaWPliku.visible = false;
}

void AddLineError(LoadedFile& file, std::size_t i, LineErrorBit error) {
    file.records.toChange(i).lineErrorBits |= error;
}

std::string_view BlankToSpace(std::string_view text) {
    return text.empty() ? std::string_view(" ") : text;
}

std::string FieldErrorText(FieldErrorBit error, std::size_t length, std::int32_t maxLength) {
    switch (error) {
    case kRequiredEmpty: return texts::kRequiredEmpty;
    case kTooLong:
        return texts::kTooLongPrefix + std::to_string(length) + texts::kTooLongMaximum + std::to_string(maxLength);
    case kNotPermittedChars: return texts::kNotPermittedChars;
    case kBadNrb: return texts::kBadNrb;
    case kBadDate: return texts::kBadDate;
    case kBadAmount: return texts::kBadAmount;
    }
    return {};
}

std::string LineErrorText(LineErrorBit error, std::uint64_t lineNumber) {
    const std::string& prefix = error == kNoData ? texts::kNoDataInLine : texts::kTooManyFieldsInLine;
    return prefix + std::to_string(lineNumber);
}

} // namespace quarvel
