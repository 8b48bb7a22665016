#pragma once

#include "Typy/CodePages.h"
#include "load/RecordList.h"
#include "Typy/FieldDefs.h"
#include "Typy/ShortText.h"
#include "WindowState.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarvel {

/// Data of a file that its end mark left unread.
struct UnreadTail {
    std::uint64_t line = 0;  ///< the line that starts with the mark
    std::uint64_t bytes = 0; ///< the bytes after the mark
};

/// The first byte of an entry of LoadedFile::fixBytes that holds no text, but names the part of the raw
/// value from the byte after it on (no rewritten text is this long).
inline constexpr std::uint8_t kRawPartEntry = 0xFF;

/// A length per field, for what a value keeps.
using FieldLengths = std::array<std::uint8_t, kMaxFieldCount>;

/// Lengths that keep every value whole.
constexpr FieldLengths WholeValues() {
    FieldLengths lengths{};
    for (std::uint8_t& length : lengths) length = std::numeric_limits<std::uint8_t>::max();
    return lengths;
}

/// The bytes of a corrected value before the final byte translation (code page and "?" replacement).
struct ValueBytes {
    std::string_view bytes;
    const ByteMap* map = nullptr;
};

/// The one loaded input file.
class LoadedFile {
public:
    RecordList records;
    std::filesystem::path fileName;
    FileKind kind = FileKind::None;
    CodePageId identifiedCodePage = MAZOVIA;
    CodePageId declaredCodePage = MAZOVIA;
    std::vector<std::string> loadMessages;
    /// Whether the header of the file named its code page (declaredCodePage keeps an earlier file's
    /// otherwise).
    bool codePageDeclared = false;
    /// Where a 0x1A at the start of a line ended the reading while more data followed it in the file.
    std::optional<UnreadTail> unreadTail;
    /// The most lines a file may have; tests set fewer.
    std::size_t maxLines = RecordList::kMaxLines;
    std::int32_t validCount = 0;
    std::int32_t invalidCount = 0;
    double validTotal = 0;

    /// Raw values of all records, one after another.
    std::vector<char> rawBytes;
    /// Records [0, amountsRead) hold the reading of their raw amount: it depends on the raw value alone,
    /// so a re-run of the correction does not read it again.
    std::size_t amountsRead = 0;
    /// Values set by the correction pass, per entry a length byte, then the bytes (Windows-1250); or
    /// kRawPartEntry, then where in the raw value the value starts.
    std::vector<char> fixBytes;

    LoadedFile();

    /// Line number of record i in the input file (the header is line 1).
    static std::uint64_t lineNumber(std::size_t i) { return i + 2; }

    std::size_t fieldCount(std::size_t i) const { return records[i].fieldCount; }
    /// The value as read, in the file's own code page.
    std::string_view rawValue(std::size_t i, std::size_t j) const { return rawValue(records[i], j); }
    std::string_view rawValue(const TRecOfFile& r, std::size_t j) const;
    /// The raw value converted to Windows-1250.
    ShortText originalValue(std::size_t i, std::size_t j) const;
    /// The corrected value, Windows-1250.
    ShortText value(std::size_t i, std::size_t j) const;
    /// The corrected value's bytes with the translation that turns them into the value.
    ValueBytes valueBytes(std::size_t i, std::size_t j) const { return valueBytes(records[i], j); }
    ValueBytes valueBytes(const TRecOfFile& r, std::size_t j) const;

    /// Calls `fn(j, ValueBytes)` for every field of record i in order, or its first `count` fields;
    /// cheaper than valueBytes per field.
    template <class Fn> void forEachValue(std::size_t i, Fn&& fn, std::size_t count = kMaxFieldCount) const {
        forEachValue(records[i], std::forward<Fn>(fn), count);
    }
    /// forEachValue for a record at hand, which spares finding it again.
    template <class Fn> void forEachValue(const TRecOfFile& r, Fn&& fn, std::size_t count = kMaxFieldCount) const;

    std::vector<std::string> fieldErrors(std::size_t i, std::size_t j) const;
    std::vector<std::string> lineErrors(std::size_t i) const;

    /// Sets the translations of the current correction run: from `source` to Windows-1250, with control
    /// bytes turned into "?" when `replaceControl` is set.
    void setConversion(CodePageId source, bool replaceControl);
    /// Sets the most bytes the value of each field keeps of its raw value or rewritten text: the layout's
    /// lengths when over-long values are trimmed; every byte until then.
    void setKeptLengths(const FieldLengths& lengths) { m_keptLength = lengths; }
    std::uint8_t keptLength(std::size_t j) const { return m_keptLength[j]; }
    CodePageId conversionSource() const { return m_source; }
    bool replacesControl() const { return m_replaceControl; }
    const ByteMap& toOriginal() const { return *m_toOriginal; }
    const ByteMap& rawToValue() const { return m_rawToValue; }
    const ByteMap& fixToValue() const { return m_fixToValue; }

    /// Discards every record and its values.
    void clearRecords();

private:
    std::size_t rawFieldOffset(const TRecOfFile& r, std::size_t j) const;

    CodePageId m_source = WINDOWS_EE;
    FieldLengths m_keptLength = WholeValues();
    bool m_replaceControl = false;
    const ByteMap* m_toOriginal;
    ByteMap m_rawToValue{};
    ByteMap m_fixToValue{};
};

template <class Fn> void LoadedFile::forEachValue(const TRecOfFile& r, Fn&& fn, std::size_t count) const {
    const char* raw = rawBytes.data() + r.rawOffset;
    const char* fix = fixBytes.data() + r.fixOffset;
    const std::size_t fields = std::min<std::size_t>(r.fieldCount, count);
    for (std::size_t j = 0; j < fields; ++j) {
        if ((r.fixedMask >> j) & 1U) {
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

/// Brings the model and the load-related controls back to the state of no file loaded.
void ResetLoadedFile(LoadedFile& file, WindowState& state);

/// Adds a line error to record i.
void AddLineError(LoadedFile& file, std::size_t i, LineErrorBit error);

/// An empty text becomes a single space; any other text stays as it is.
std::string_view BlankToSpace(std::string_view text);

/// The Polish text of one field message (Windows-1250); the length message names `length` and `maxLength`.
std::string FieldErrorText(FieldErrorBit error, std::size_t length, std::int32_t maxLength);

/// The Polish text of one line message, ending with the line number.
std::string LineErrorText(LineErrorBit error, std::uint64_t lineNumber);

} // namespace quarvel
