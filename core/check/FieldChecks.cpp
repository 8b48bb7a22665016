#include "check/FieldChecks.h"

#include <algorithm>

namespace quarvel {

bool IsPermittedByte(std::uint8_t b) {
    if (b < 0x20) return false; // LF and CR are in the allowed set, but never permitted in a value
    return b <= 0x7F || IsAllowedChar(b);
}

PermittedTable PermittedAfter(const ByteMap& map) {
    PermittedTable table{};
    for (int b = 0; b < 256; ++b) table[b] = IsPermittedByte(map[b]);
    return table;
}

FieldChecker::FieldChecker(LoadedFile& file, const TTabStruc& layout)
    : m_file(file), m_layout(layout), m_afterRaw(PermittedAfter(file.rawToValue())),
      m_afterFix(PermittedAfter(file.fixToValue())) {}

void FieldChecker::check(std::size_t i) const {
    TRecOfFile& record = m_file.records[i];
    record.invalidMask = 0;
    const std::size_t count = m_layout.size();
    m_file.forEachValue(i, [&](std::size_t j, const ValueBytes& value) {
        if (j >= count) return;
        std::uint8_t bits = 0;
        const std::size_t length = value.bytes.size();
        if (m_layout[j].required && length == 0) bits |= kRequiredEmpty;
        if (static_cast<std::int64_t>(length) > m_layout[j].maxLength) bits |= kTooLong;
        const PermittedTable& table = value.map == &m_file.rawToValue() ? m_afterRaw : m_afterFix;
        if (!std::all_of(value.bytes.begin(), value.bytes.end(),
                         [&table](char c) { return table[static_cast<std::uint8_t>(c)]; })) {
            bits |= kNotPermittedChars;
        }
        record.fieldErrorBits[j] = bits;
        if (bits != 0) record.invalidMask = static_cast<std::uint16_t>(record.invalidMask | (1U << j));
    });
}

void CheckFields(LoadedFile& file, std::size_t i, const TTabStruc& layout) {
    FieldChecker(file, layout).check(i);
}

} // namespace quarvel
