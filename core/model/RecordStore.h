#pragma once

#include "Parallel.h"
#include "CodePages.h"
#include "DefaultInitAllocator.h"
#include "ShortText.h"
#include "RecordList.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace quarvel {

/// A length per field, for what a value keeps.
using FieldLengths = std::array<std::uint8_t, kMaxFieldCount>;

/// Lengths that keep every value whole.
constexpr FieldLengths wholeValues() {
    FieldLengths lengths{};
    for (std::uint8_t& length : lengths)
        length = std::numeric_limits<std::uint8_t>::max();
    return lengths;
}

/// The bytes of a corrected value before the final byte translation (code page and "?" replacement).
struct ValueBytes {
    std::string_view bytes;
    const ByteMap* map = nullptr;
};

/// The rewritten values of one slice of records, written by one thread during a correction run; the
/// store keeps the slices' bytes where they were written (RecordStore::rewriteInSlices). A cache line of
/// its own, as it changes with every value.
class alignas(64) ValueRewrites {
public:
    /// The value of field j of the current record becomes `text`. A record's fields are rewritten in
    /// field order.
    void rewrite(std::size_t j, std::string_view text) {
        endRewrite(j, std::copy(text.begin(), text.end(), beginRewrite(text.size())));
    }
    /// Room for a rewritten value of at most `length` bytes; endRewrite() takes the end of what was written.
    char* beginRewrite(std::size_t length) {
        m_entry = m_bytes.size();
        m_bytes.resize(m_entry + 1 + length);
        return m_bytes.data() + m_entry + 1;
    }
    void endRewrite(std::size_t j, const char* end) {
        const auto length = static_cast<std::size_t>(end - (m_bytes.data() + m_entry + 1));
        m_bytes.resize(m_entry + 1 + length);
        m_bytes[m_entry] = static_cast<char>(length);
        markRewritten(j);
    }
    /// The value of field j of the current record becomes its raw value from byte `start` on, without a copy.
    void useRawPart(std::size_t j, std::size_t start);
    /// The value of field j of the current record becomes its raw value decoded and nothing more, written
    /// by `decode(char* out)`, which returns the end of what it wrote, at most `length` bytes: the checks
    /// then know it changed only where it is cut shorter or its control bytes replaced.
    template <class Decode> void rewriteDecoded(std::size_t j, std::size_t length, Decode&& decode) {
        endRewrite(j, decode(beginRewrite(length)));
        m_record->decodedMask = static_cast<std::uint16_t>(m_record->decodedMask | (1U << j));
    }

private:
    friend class RecordStore;
    void startRecord(Record& record) {
        m_record = &record;
        record.fixOffset = m_part | m_bytes.size();
        record.fixedMask = 0;
        record.decodedMask = 0;
    }
    void reserve(std::size_t bytes);
    void markRewritten(std::size_t j) {
        m_record->fixedMask = static_cast<std::uint16_t>(m_record->fixedMask | (1U << j));
    }

    UninitialisedBytes m_bytes; ///< grown for each value before it is written: never cleared
    std::uint64_t m_part = 0; ///< the slice's number, in the high bits of a record's fixOffset
    Record* m_record = nullptr;
    std::size_t m_entry = 0; ///< where the entry being written starts in m_bytes
};

/// The records of a file and their values. A record holds no text: its raw values lie one after another
/// in one array, and the values a correction run rewrote in another, each an entry of a length byte and
/// the text, or of kRawPartEntry and where in the raw value the value starts. Only the store knows where
/// a record's values lie; the reader appends records, the correction rewrites values, and the checks and
/// writers read them, through the operations below.
class RecordStore {
public:
    /// Fewer records than this are corrected and checked on one thread: another would cost more than it saves.
    static constexpr std::size_t kMinRecordsPerSlice = 16384;

    RecordStore();

    const RecordList& records() const { return m_records; }
    std::size_t fieldCount(std::size_t i) const { return m_records[i].fieldCount; }
    /// The record of a line with data, for the checks to set their verdicts.
    Record& toChange(std::size_t line) { return m_records.toChange(line); }
    /// Calls `fn(line, Record&)` for the lines with data among [begin, end), in order.
    template <class Fn> void forEachLineWithData(std::size_t begin, std::size_t end, Fn&& fn) {
        m_records.forEachLineWithData(begin, end, std::forward<Fn>(fn));
    }
    /// The records cut into the slices of the passes that run on every core.
    Slices slices() const { return Slices(m_records.size(), kMinRecordsPerSlice); }

    /// The value as read, in the file's own code page.
    std::string_view rawValue(std::size_t i, std::size_t j) const { return rawValue(m_records[i], j); }
    std::string_view rawValue(const Record& r, std::size_t j) const {
        const char* at = m_raw.data() + r.rawOffset;
        for (std::size_t k = 0; k < j; ++k)
            at += r.rawLength[k];
        return {at, r.rawLength[j]};
    }
    /// The raw value converted to Windows-1250.
    ShortText originalValue(std::size_t i, std::size_t j) const;
    /// The corrected value, Windows-1250.
    ShortText value(std::size_t i, std::size_t j) const;
    /// The corrected value's bytes with the translation that turns them into the value.
    ValueBytes valueBytes(std::size_t i, std::size_t j) const { return valueBytes(m_records[i], j); }
    ValueBytes valueBytes(const Record& r, std::size_t j) const;
    /// Calls `fn(j, ValueBytes)` for every field of record i in order, or its first `count` fields;
    /// cheaper than valueBytes per field.
    template <class Fn> void forEachValue(std::size_t i, Fn&& fn, std::size_t count = kMaxFieldCount) const {
        forEachValue(m_records[i], std::forward<Fn>(fn), count);
    }
    /// forEachValue for a record at hand, which spares finding it again.
    template <class Fn> void forEachValue(const Record& r, Fn&& fn, std::size_t count = kMaxFieldCount) const;
    /// Whether the value of field j is its whole raw value (before the final translation): neither rewritten
    /// nor cut shorter.
    bool valueIsRaw(const Record& r, std::size_t j) const {
        return !r.isRewritten(j) && r.rawLength[j] <= m_keptLength[j];
    }
    /// Whether the corrected value of field j differs from its original value, reading as little as possible.
    bool valueChanged(const Record& r, std::size_t j) const;
    /// Whether some corrected value of the record differs from its original value.
    bool anyValueChanged(const Record& r) const;

    /// Sets the translations of the current correction run: from `source` to Windows-1250, with control
    /// bytes turned into "?" when `replaceControl` is set.
    void setConversion(CodePage source, bool replaceControl);
    /// Sets the most bytes the value of each field keeps of its raw value or rewritten text: the layout's
    /// lengths when over-long values are trimmed; every byte until then.
    void setKeptLengths(const FieldLengths& lengths) { m_keptLength = lengths; }
    std::uint8_t keptLength(std::size_t j) const { return m_keptLength[j]; }
    CodePage conversionSource() const { return m_source; }
    /// Whether the values are decoded from UTF-8: a raw value holding a byte from 0x80 up is then never
    /// read through the byte translations, but always rewritten as its decoded text.
    bool decodesUtf8() const { return m_source == CodePage::Utf8; }
    bool replacesControl() const { return m_replaceControl; }
    const ByteMap& toOriginal() const { return *m_toOriginal; }
    const ByteMap& rawToValue() const { return m_rawToValue; }
    const ByteMap& fixToValue() const { return m_fixToValue; }

    /// Room for the records of a file of `bytes` bytes: reserving address space costs no memory until it
    /// is written, and spares the copies of growing arrays.
    void reserveFor(std::uint64_t bytes);
    /// Appends records built elsewhere, with their raw values, which start at the front of `raw`.
    void append(const std::vector<Record>& records, std::string_view raw);
    /// Gives back the room reserved for the file when its lines kept only a small part of it.
    void releaseUnusedRoom();

    /// Forgets every rewritten value and calls `correct(ValueRewrites&, line, Record&)` for every line
    /// with data, in slices side by side, each slice writing its own rewritten values; joined in slice
    /// order they are the bytes a single pass writes. Each slice calls a `correct` of its own, made by
    /// `makeCorrector()`. A record's values read through the store are its corrected ones from its
    /// correction on, in that slice.
    template <class MakeCorrector> void rewriteInSlices(MakeCorrector&& makeCorrector);
    /// Whether a correction run has read the raw amount of the line: it depends on the raw value alone,
    /// so a re-run need not read it again.
    bool amountKnown(std::size_t line) const { return line < m_amountsKnown; }

    /// Discards every record and its values, and gives the memory back.
    void clearRecords();
    /// Bytes the records and values use, and the bytes reserved for them.
    std::size_t bytesUsed() const;
    std::size_t bytesReserved() const;
    /// The raw values of all records as they are kept, one after another; with the bytes reserved for
    /// them, and the bytes the rewritten values take.
    std::string_view allRawValues() const { return {m_raw.data(), m_raw.size()}; }
    std::size_t rawBytesReserved() const { return m_raw.capacity(); }
    std::size_t rewrittenBytes() const;

private:
    static bool hasControlByte(std::string_view bytes) {
        return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    }
    /// The original value of field j, Windows-1250, at `out` (room for kMaxFieldBytes); returns its end.
    char* originalInto(const Record& r, std::size_t j, char* out) const;
    bool anyDecodedValueChanged(const Record& r) const;
    std::vector<ValueRewrites> startRewrites(const Slices& slices);
    std::size_t rewriteRoom(std::size_t begin, std::size_t end) const;
    void joinRewrites(std::vector<ValueRewrites>& parts);

    RecordList m_records;
    std::vector<char> m_raw; ///< raw values of all records, one after another
    /// A record's rewritten values lie in the bytes of its slice of the last correction run: the slice's
    /// number is in the high bits of its fixOffset, the place in those bytes in the low ones.
    static constexpr unsigned kFixPartShift = 56;
    static constexpr std::uint64_t kFixPlaceMask = (std::uint64_t{1} << kFixPartShift) - 1;
    const char* rewrittenValues(const Record& r) const {
        return m_fix.starts[r.fixOffset >> kFixPartShift] + (r.fixOffset & kFixPlaceMask);
    }
    /// The values the last correction run rewrote, a part per slice, and where each part's bytes start: set
    /// as soon as its room is reserved, as a record's rewritten values are read through the store while its
    /// slice is still being corrected. A copy reads its own bytes; a move keeps them where they are.
    struct RewrittenParts {
        std::vector<UninitialisedBytes> parts;
        std::vector<const char*> starts;

        RewrittenParts() = default;
        RewrittenParts(const RewrittenParts& other) : parts(other.parts) { startAtParts(); }
        RewrittenParts& operator=(const RewrittenParts& other) {
            if (this != &other) {
                parts = other.parts;
                startAtParts();
            }
            return *this;
        }
        RewrittenParts(RewrittenParts&&) noexcept = default;
        RewrittenParts& operator=(RewrittenParts&&) noexcept = default;
        ~RewrittenParts() = default;

        void startAtParts() {
            starts.clear();
            for (const UninitialisedBytes& part : parts)
                starts.push_back(part.data());
        }
    };
    RewrittenParts m_fix;
    std::size_t m_amountsKnown = 0;
    CodePage m_source = CodePage::WindowsEe;
    FieldLengths m_keptLength = wholeValues();
    bool m_replaceControl = false;
    const ByteMap* m_toOriginal;
    ByteMap m_rawToValue{};
    ByteMap m_fixToValue{};
};

/// The first byte of an entry of rewritten values that holds no text, but names the part of the raw value
/// from the byte after it on (no rewritten text is this long).
inline constexpr std::uint8_t kRawPartEntry = 0xFF;

inline void ValueRewrites::useRawPart(std::size_t j, std::size_t start) {
    m_bytes.push_back(static_cast<char>(kRawPartEntry));
    m_bytes.push_back(static_cast<char>(start));
    markRewritten(j);
}

// Inline, as the rewriting and the checks of every record ask them.
inline bool RecordStore::valueChanged(const Record& r, std::size_t j) const {
    if (r.isRewritten(j)) {
        // A rewritten value: compared with the original byte by byte, each through its own translation.
        if (r.isOnlyDecoded(j)) {
            // The decoded text is never longer than the raw value: while that is not cut, only the
            // replacement of control bytes (which decoding keeps as they are) can change it.
            if (r.rawLength[j] <= m_keptLength[j]) return m_replaceControl && hasControlByte(rawValue(r, j));
        }
        const ValueBytes value = valueBytes(r, j);
        if (decodesUtf8()) {
            // The original is the decoded raw value, no translation of it.
            char original[kMaxFieldBytes];
            const std::string_view decoded(original, static_cast<std::size_t>(originalInto(r, j, original) - original));
            if (value.bytes.size() != decoded.size()) return true;
            for (std::size_t k = 0; k < decoded.size(); ++k) {
                if ((*value.map)[static_cast<std::uint8_t>(value.bytes[k])] != static_cast<std::uint8_t>(decoded[k])) {
                    return true;
                }
            }
            return false;
        }
        const std::string_view raw = rawValue(r, j);
        if (value.bytes.size() != raw.size()) return true;
        for (std::size_t k = 0; k < raw.size(); ++k) {
            if ((*value.map)[static_cast<std::uint8_t>(value.bytes[k])] !=
                (*m_toOriginal)[static_cast<std::uint8_t>(raw[k])]) {
                return true;
            }
        }
        return false;
    }
    if (r.rawLength[j] > m_keptLength[j]) return true; // trimmed
    return m_replaceControl && hasControlByte(rawValue(r, j));
}

inline bool RecordStore::anyValueChanged(const Record& r) const {
    // Decoding shortens a value without changing it: the raw lengths tell nothing then.
    if (decodesUtf8()) return anyDecodedValueChanged(r);
    // A value cut shorter than its raw value has changed whatever it holds: all fields are looked at once
    // for that (past the record's fields the raw lengths are zero).
    bool trimmed = false;
    for (std::size_t j = 0; j < kMaxFieldCount; ++j)
        trimmed |= r.rawLength[j] > m_keptLength[j];
    if (trimmed) return true;
    if (r.fixedMask == 0 && !m_replaceControl) return false;
    for (std::size_t j = 0; j < r.fieldCount; ++j) {
        if (valueChanged(r, j)) return true;
    }
    return false;
}

template <class Fn> void RecordStore::forEachValue(const Record& r, Fn&& fn, std::size_t count) const {
    const char* raw = m_raw.data() + r.rawOffset;
    const char* fix = r.fixedMask != 0 ? rewrittenValues(r) : nullptr;
    const std::size_t fields = std::min<std::size_t>(r.fieldCount, count);
    for (std::size_t j = 0; j < fields; ++j) {
        if (r.isRewritten(j)) {
            const auto head = static_cast<std::uint8_t>(fix[0]);
            if (head == kRawPartEntry) {
                const auto start = static_cast<std::uint8_t>(fix[1]);
                const auto length = static_cast<std::uint8_t>(r.rawLength[j] - start);
                fn(j, ValueBytes{{raw + start, std::min(length, m_keptLength[j])}, &m_rawToValue});
                fix += 2;
            } else {
                fn(j, ValueBytes{{fix + 1, std::min(head, m_keptLength[j])}, &m_fixToValue});
                fix += 1 + head;
            }
        } else {
            fn(j, ValueBytes{{raw, std::min(r.rawLength[j], m_keptLength[j])}, &m_rawToValue});
        }
        raw += r.rawLength[j];
    }
}

// Kept out of its caller: inlined into the correction run, GCC 12 compiles the per-record work about a tenth
// slower (user time over 838 000 orders).
template <class MakeCorrector> [[gnu::noinline]] void RecordStore::rewriteInSlices(MakeCorrector&& makeCorrector) {
    const Slices slices = this->slices();
    std::vector<ValueRewrites> parts = startRewrites(slices);
    runSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
        ValueRewrites& part = parts[k];
        part.reserve(rewriteRoom(begin, end));
        m_fix.starts[k] = part.m_bytes.data();
        auto correct = makeCorrector();
        m_records.forEachLineWithData(begin, end, [&](std::size_t line, Record& record) {
            part.startRecord(record);
            correct(part, line, record);
        });
    });
    joinRewrites(parts);
}

} // namespace quarvel
