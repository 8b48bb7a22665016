#include "FieldChecks.h"

#include "AsciiWords.h"

#include <algorithm>

namespace quarvel {

bool isPermittedByte(std::uint8_t b) {
    if (b < 0x20) return false; // LF and CR are in the allowed set, but never permitted in a value
    return b <= 0x7F || isAllowedChar(b);
}

PermittedTable permittedAfter(const ByteMap& map) {
    PermittedTable table{};
    for (int b = 0; b < 256; ++b) table[b] = isPermittedByte(map[b]);
    return table;
}

namespace {

bool permitsPrintableAscii(const PermittedTable& table) {
    for (int b = 0x20; b < 0x80; ++b) {
        if (!table[b]) return false;
    }
    return true;
}

// Whether every byte is permitted; where all of printable ASCII is, eight such bytes at a time pass
// without being looked up.
bool allPermitted(std::string_view bytes, const PermittedTable& table, bool asciiPermitted) {
    const char* in = bytes.data();
    const char* const end = in + bytes.size();
    if (asciiPermitted) {
        for (; end - in >= 8; in += 8) {
            for (std::uint64_t marks = markOutsidePrintableAscii(loadEightBytes(in)); marks != 0; marks &= marks - 1) {
                if (!table[static_cast<std::uint8_t>(in[lowestMarkedByte(marks)])]) return false;
            }
        }
    }
    for (; in < end; ++in) {
        if (!table[static_cast<std::uint8_t>(*in)]) return false;
    }
    return true;
}

} // namespace

FieldChecker::FieldChecker(LoadedFile& file, const Layout& layout)
    : m_file(file), m_count(std::min(layout.size(), kMaxFieldCount)), m_afterRaw(permittedAfter(file.rawToValue())),
      m_afterFix(permittedAfter(file.fixToValue())), m_rawAsciiPermitted(permitsPrintableAscii(m_afterRaw)),
      m_fixAsciiPermitted(permitsPrintableAscii(m_afterFix)) {
    for (std::size_t j = 0; j < m_count; ++j) {
        m_maxLength[j] = layout[j].maxLength;
        m_required[j] = layout[j].required;
    }
}

void FieldChecker::check(std::size_t i) const {
    if (m_file.records().hasData(i)) check(m_file.toChange(i)); // a line without data has no field
}

void FieldChecker::check(Record& record) const {
    std::uint16_t invalid = 0;
    m_file.forEachValue(record, [&](std::size_t j, const ValueBytes& value) {
        if (j >= m_count) return;
        const std::size_t length = value.bytes.size();
        std::uint8_t bits = 0;
        if (m_required[j] && length == 0) bits |= kRequiredEmpty;
        if (static_cast<std::int64_t>(length) > m_maxLength[j]) bits |= kTooLong;
        // The bytes need a look only where the reader did not find printable ASCII in the raw value, or
        // correction rewrote it.
        const bool raw = value.map == &m_file.rawToValue();
        const bool asciiRaw = raw && m_rawAsciiPermitted && record.rawIsAscii(j);
        if (!asciiRaw &&
            !allPermitted(value.bytes, raw ? m_afterRaw : m_afterFix, raw ? m_rawAsciiPermitted : m_fixAsciiPermitted)) {
            bits |= kNotPermittedChars;
        }
        record.fieldErrorBits[j] = bits;
        if (bits != 0) invalid = static_cast<std::uint16_t>(invalid | (1U << j));
    });
    record.invalidMask = invalid;
}

} // namespace quarvel
