#include "RecordStore.h"

#include "Platform.h"

#include <algorithm>

namespace quarvel {

RecordStore::RecordStore() : m_toOriginal(&conversionMap(CodePage::WindowsEe, CodePage::WindowsEe)) {
    setConversion(CodePage::WindowsEe, false);
}

void RecordStore::setConversion(CodePage source, bool replaceControl) {
    m_source = source;
    m_replaceControl = replaceControl;
    m_toOriginal = &conversionMap(source, CodePage::WindowsEe);
    for (int b = 0; b < 256; ++b) {
        const bool replace = replaceControl && b < 0x20;
        m_rawToValue[b] = replace ? std::uint8_t{'?'} : (*m_toOriginal)[b];
        m_fixToValue[b] = replace ? std::uint8_t{'?'} : static_cast<std::uint8_t>(b);
    }
}

namespace {
ShortText translate(std::string_view bytes, const ByteMap& map) {
    ShortText out;
    out.resize(bytes.size());
    for (std::size_t k = 0; k < out.size(); ++k)
        out.data()[k] = static_cast<char>(map[static_cast<std::uint8_t>(bytes[k])]);
    return out;
}
} // namespace

ShortText RecordStore::originalValue(std::size_t i, std::size_t j) const {
    if (!decodesUtf8()) return translate(rawValue(i, j), *m_toOriginal);
    ShortText out;
    out.resize(static_cast<std::size_t>(originalInto(m_records[i], j, out.data()) - out.data()));
    return out;
}

char* RecordStore::originalInto(const Record& r, std::size_t j, char* out) const {
    const std::string_view raw = rawValue(r, j);
    if (decodesUtf8()) return cp1250FromUtf8Into(raw, out);
    return std::transform(raw.begin(), raw.end(), out,
                          [this](char c) { return static_cast<char>((*m_toOriginal)[static_cast<std::uint8_t>(c)]); });
}

bool RecordStore::anyDecodedValueChanged(const Record& r) const {
    for (std::size_t j = 0; j < r.fieldCount; ++j) {
        if (valueChanged(r, j)) return true;
    }
    return false;
}

ValueBytes RecordStore::valueBytes(const Record& r, std::size_t j) const {
    // A field past the record's fields holds nothing.
    ValueBytes found{{}, &m_rawToValue};
    forEachValue(
        r,
        [&found, j](std::size_t k, const ValueBytes& value) {
            if (k == j) found = value;
        },
        j + 1);
    return found;
}

ShortText RecordStore::value(std::size_t i, std::size_t j) const {
    const ValueBytes v = valueBytes(i, j);
    return translate(v.bytes, *v.map);
}

namespace {
// Room reserved at once and written from front to back: in large pages, a fault brings 2 MiB instead of
// 4 KiB. What the last large page holds beyond the bytes written goes back to the system once they are.
template <class Vector> void adviseLargePages(Vector& v) {
    platform::adviseLargePages(v.data(), v.capacity() * sizeof(*v.data()));
}
template <class Vector> void releaseRoomAfterUse(Vector& v) {
    platform::releasePages(v.data() + v.size(), (v.capacity() - v.size()) * sizeof(*v.data()));
}
} // namespace

void RecordStore::reserveFor(std::uint64_t bytes) {
    constexpr std::uint64_t kMaxReserve = std::uint64_t{1} << 32;
    constexpr std::uint64_t kMaxRawBytesPerRecord = kMaxFieldCount * kMaxFieldBytes;
    m_raw.reserve(static_cast<std::size_t>(std::min(bytes, kMaxReserve)));
    // A record needs at least its line feed; a typical line is far longer than 64 bytes.
    m_records.reserve(static_cast<std::size_t>(std::min(bytes / 64 + 16, kMaxReserve / kMaxRawBytesPerRecord)));
    adviseLargePages(m_raw);
    adviseLargePages(m_records.withData());
}

void RecordStore::append(const std::vector<Record>& records, std::string_view raw) {
    m_records.append(records, m_raw.size());
    m_raw.insert(m_raw.end(), raw.begin(), raw.end());
}

namespace {
// A shrink copies what was kept, which for an ordinary file would cost more than the untouched room,
// whose pages are given back instead.
template <class Vector> void releaseUnusedRoomOf(Vector& v) {
    if (v.size() < v.capacity() / 8) {
        v.shrink_to_fit();
    } else {
        releaseRoomAfterUse(v);
    }
}
} // namespace

void RecordStore::releaseUnusedRoom() {
    releaseUnusedRoomOf(m_raw);
    releaseUnusedRoomOf(m_records.withData());
}

void ValueRewrites::reserve(std::size_t bytes) {
    m_bytes.reserve(bytes);
    adviseLargePages(m_bytes);
}

std::vector<ValueRewrites> RecordStore::startRewrites(const Slices& slices) {
    m_fix.parts.clear();
    m_fix.starts.assign(slices.count(), nullptr);
    std::vector<ValueRewrites> parts(slices.count());
    for (std::size_t k = 0; k < parts.size(); ++k)
        parts[k].m_part = std::uint64_t{k} << kFixPartShift;
    return parts;
}

// The most bytes the rewritten values of records [begin, end) can take: a text is never longer than the
// raw value it replaces, and a record has at most three, each with its length byte (an entry naming a
// part of the raw value takes two bytes, and such a raw value has at least two); decoded from UTF-8, every
// value of a record may be rewritten. Reserved at once, they are never moved as they grow, and the room
// beyond them is never touched.
std::size_t RecordStore::rewriteRoom(std::size_t begin, std::size_t end) const {
    const std::vector<Record>& withData = m_records.withData();
    const auto rawStart = [&](std::size_t i) {
        const std::size_t k = i < m_records.size() ? m_records.dataBefore(i) : withData.size();
        return k < withData.size() ? withData[k].rawOffset : m_raw.size();
    };
    const std::size_t entries = decodesUtf8() ? kMaxFieldCount : 3;
    return static_cast<std::size_t>(rawStart(end) - rawStart(begin)) + entries * (end - begin);
}

// The slices' bytes stay where each was written: joining them would copy them all once more, and hold
// them twice meanwhile.
void RecordStore::joinRewrites(std::vector<ValueRewrites>& parts) {
    m_amountsKnown = m_records.size();
    m_fix.parts.resize(parts.size());
    for (std::size_t k = 0; k < parts.size(); ++k) {
        // A swap keeps the bytes where they are, and so m_fix.starts[k] right.
        m_fix.parts[k].swap(parts[k].m_bytes);
        releaseRoomAfterUse(m_fix.parts[k]);
    }
}

void RecordStore::clearRecords() {
    // Swapping with empty vectors gives the memory of a large file back at once.
    m_records.clear();
    std::vector<char>().swap(m_raw);
    m_fix = {};
    m_amountsKnown = 0;
}

std::size_t RecordStore::bytesUsed() const {
    return m_records.size() * sizeof(Record) + m_raw.size() + rewrittenBytes();
}

std::size_t RecordStore::rewrittenBytes() const {
    std::size_t bytes = 0;
    for (const UninitialisedBytes& part : m_fix.parts)
        bytes += part.size();
    return bytes;
}

std::size_t RecordStore::bytesReserved() const {
    std::size_t fixRoom = 0;
    for (const UninitialisedBytes& part : m_fix.parts)
        fixRoom += part.capacity();
    return m_records.capacity() * sizeof(Record) + m_raw.capacity() + fixRoom;
}

} // namespace quarvel
