#include "OutputWriter.h"

#include "AsciiWords.h"
#include "Platform.h"
#include "ChunkWriter.h"
#include "ByteSource.h"
#include "IoTexts.h"
#include "OutputTexts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <system_error>

namespace quarvel {
namespace {

// Records whose output lines one thread makes at a time (about half a megabyte of text: two chunks a core are held at a time).
constexpr std::size_t kRecordsPerChunk = 4096;

// The last fixed (always written) and the last optional position of each kind.
struct WrittenPositions {
    std::size_t lastFixed;
    std::size_t lastOptional;
};

WrittenPositions positionsFor(FileKind kind) {
    return kind == FileKind::Contractors ? WrittenPositions{kContractorLastRequired, kContractorFieldCount - 1}
                                         : WrittenPositions{kOrderLastRequired, kOrderFieldCount - 1};
}

bool isBlank(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

// Position of the last optional value that is not blank, or 0 when there is none. Only a test of
// blankness is needed, and translation never turns a byte above 0x20 into one below or back.
std::size_t lastFilledOptional(const LoadedFile& file, std::size_t r) {
    const WrittenPositions limits = positionsFor(file.kind);
    const std::size_t count = file.fieldCount(r);
    for (std::size_t p = std::min(limits.lastOptional + 1, count); p > limits.lastFixed + 1; --p) {
        if (!isBlank(file.value(r, p - 1))) return p - 1;
    }
    return 0;
}

// The bytes of a value as written: its own translation, then Windows-1250 to ISO-8859-2; and which
// bytes leave a value blank once translated.
struct OutputMaps {
    ByteMap fromRaw{};
    ByteMap fromFix{};
    std::array<bool, 256> blankFromRaw{};
    std::array<bool, 256> blankFromFix{};
    bool rawKeepsAscii = true; ///< fromRaw leaves every byte 0x20..0x7F as it is
    bool fixKeepsAscii = true;
    explicit OutputMaps(const LoadedFile& file) {
        const ByteMap& toIso = conversionMap(CodePage::WindowsEe, CodePage::IsoLatin2);
        for (int b = 0; b < 256; ++b) {
            fromRaw[b] = toIso[file.rawToValue()[b]];
            fromFix[b] = toIso[file.fixToValue()[b]];
            blankFromRaw[b] = file.rawToValue()[b] <= 0x20;
            blankFromFix[b] = file.fixToValue()[b] <= 0x20;
            if (b >= 0x20 && b < 0x80) {
                rawKeepsAscii = rawKeepsAscii && fromRaw[b] == b;
                fixKeepsAscii = fixKeepsAscii && fromFix[b] == b;
            }
        }
    }
};

// Writes the bytes translated by `map` at `out` and returns the end of what was written. Where the map
// keeps printable ASCII as it is, a value of eight bytes or more is copied a word at a time and only its
// other bytes are looked up; the last word may overlap the one before, which only repeats the same work.
char* translateInto(char* out, std::string_view bytes, const ByteMap& map, bool keepsAscii) {
    const char* in = bytes.data();
    const std::size_t n = bytes.size();
    const auto translated = [&map](char c) { return static_cast<char>(map[static_cast<std::uint8_t>(c)]); };
    if (!keepsAscii || n < 8) {
        std::transform(in, in + n, out, translated);
        return out + n;
    }
    const auto word = [&](std::size_t k) {
        const std::uint64_t w = loadEightBytes(in + k);
        std::memcpy(out + k, &w, sizeof w);
        for (std::uint64_t marks = markOutsidePrintableAscii(w); marks != 0; marks &= marks - 1) {
            const std::size_t at = k + lowestMarkedByte(marks);
            out[at] = translated(in[at]);
        }
    };
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) word(k);
    if (k < n) word(n - 8);
    return out + n;
}

// Copies n bytes by words that may overlap: for the few bytes of a value, a general copy costs more to
// start than the copy itself.
void copyBytes(char* out, const char* in, std::size_t n) {
    const auto copyWord = [out, in](auto word, std::size_t at) {
        std::memcpy(&word, in + at, sizeof word);
        std::memcpy(out + at, &word, sizeof word);
    };
    if (n >= 8) {
        std::size_t k = 0;
        for (; k + 8 <= n; k += 8) copyWord(std::uint64_t{}, k);
        if (k < n) copyWord(std::uint64_t{}, n - 8);
    } else if (n >= 4) {
        copyWord(std::uint32_t{}, 0);
        copyWord(std::uint32_t{}, n - 4);
    } else {
        for (std::size_t k = 0; k < n; ++k) out[k] = in[k];
    }
}

// Room for the longest output line: every value at its longest, a separator after each, CR LF.
constexpr std::size_t kMaxLineBytes = kMaxFieldCount * (std::numeric_limits<std::uint8_t>::max() + 1) + 2;

// Appends the output line of `record`, with CR LF when `lineEnd` is set.
void appendLine(const LoadedFile& file, const Record& record, const OutputMaps& maps, LineBuffer& out, bool lineEnd) {
    const std::size_t count = record.fieldCount;
    // NOLINTBEGIN(cppcoreguidelines-pro-type-member-init): filled below for the record's fields
    std::array<const char*, kMaxFieldCount> starts;
    std::array<std::uint8_t, kMaxFieldCount> lengths;
    // NOLINTEND(cppcoreguidelines-pro-type-member-init)
    std::uint16_t rewrittenMask = 0; // values whose bytes are rewritten texts, not raw bytes
    file.forEachValue(record, [&](std::size_t j, const ValueBytes& v) {
        starts[j] = v.bytes.data();
        lengths[j] = static_cast<std::uint8_t>(v.bytes.size());
        if (v.map != &file.rawToValue()) rewrittenMask = static_cast<std::uint16_t>(rewrittenMask | (1U << j));
    });
    const auto rewritten = [rewrittenMask](std::size_t j) { return ((rewrittenMask >> j) & 1U) != 0; };

    const WrittenPositions limits = positionsFor(file.kind);
    std::size_t lastFilled = 0; // the last optional value that is not blank; 0 when none is
    for (std::size_t p = std::min(limits.lastOptional + 1, count); p > limits.lastFixed + 1; --p) {
        const std::size_t j = p - 1;
        const auto& blank = rewritten(j) ? maps.blankFromFix : maps.blankFromRaw;
        if (!std::all_of(starts[j], starts[j] + lengths[j], [&](char c) { return blank[static_cast<std::uint8_t>(c)]; })) {
            lastFilled = j;
            break;
        }
    }

    // Every fixed value and the optional ones up to the last filled, each followed by a separator but
    // for the last optional one.
    const std::size_t written = std::min(count, std::max(limits.lastFixed, lastFilled) + 1);
    char* at = out.room(kMaxLineBytes);
    for (std::size_t j = 0; j < written; ++j) {
        const std::size_t n = lengths[j];
        const char* in = starts[j];
        if (n == 0) {
            *at++ = ' ';
        } else if (rewritten(j)) {
            at = translateInto(at, {in, n}, maps.fromFix, maps.fixKeepsAscii);
        } else if (maps.rawKeepsAscii && record.rawIsAscii(j)) {
            // The reader found only printable ASCII in the raw value, which the translation keeps.
            copyBytes(at, in, n);
            at += n;
        } else {
            at = translateInto(at, {in, n}, maps.fromRaw, maps.rawKeepsAscii);
        }
        *at++ = '|';
    }
    if (lastFilled > limits.lastFixed) --at;
    if (lineEnd) {
        *at++ = '\r';
        *at++ = '\n';
    }
    out.commit(at);
}

} // namespace

std::filesystem::path outputFileName(const std::filesystem::path& input) {
    // On the system's own characters: a name need not be text in any code page.
    std::filesystem::path::string_type name = input.filename().native();
    const std::size_t dot = name.rfind(std::filesystem::path::value_type('.'));
    if (dot != std::filesystem::path::string_type::npos) name.erase(dot);
    return input.parent_path() / (std::filesystem::path(name) += platform::pathFromUtf8(texts::kOutputSuffix));
}

bool isFieldWritten(const LoadedFile& file, std::size_t r, std::size_t p) {
    const WrittenPositions limits = positionsFor(file.kind);
    if (p <= limits.lastFixed) return true;
    if (p > limits.lastOptional) return false;
    return p <= lastFilledOptional(file, r);
}

bool isSeparatorWritten(const LoadedFile& file, std::size_t r, std::size_t p) {
    const WrittenPositions limits = positionsFor(file.kind);
    if (p <= limits.lastFixed) return true;
    return p < lastFilledOptional(file, r);
}

std::string outputHeader(FileKind kind) {
    return (kind == FileKind::Contractors ? texts::kHeaderContractors : texts::kHeaderOrders) +
           std::string(nameOf(CodePage::IsoLatin2));
}

std::string outputLineOf(const LoadedFile& file, std::size_t r) {
    LineBuffer line;
    appendLine(file, file.records()[r], OutputMaps(file), line, false);
    return std::string(line.bytes());
}

Producer outputProducer(const LoadedFile& file) {
    return [&file](FileOutput& out) {
        const OutputMaps maps(file);
        out.write(outputHeader(file.kind) + "\r\n");
        writeInChunks(out, file.records().size(), kRecordsPerChunk,
                      [&](std::size_t begin, std::size_t end, LineBuffer& text) {
                          for (std::size_t r = begin; r < end; ++r) {
                              const Record& record = file.records()[r];
                              if (record.isValid()) appendLine(file, record, maps, text, true);
                          }
                      });
    };
}

WriteResult writeOutputFile(const LoadedFile& file, const std::filesystem::path& target, const OutputOpener& open) {
    return writeFileAtomically(target, outputProducer(file), {{file.fileName, texts::kInputFileRole}}, open);
}

WriteResult saveValidRecords(const LoadedFile& file, const OutputOpener& open) {
    const std::filesystem::path target = outputFileName(file.fileName);
    std::error_code ec;
    // The name always differs from the input's, but a link can still make it the same file.
    if (std::filesystem::equivalent(target, file.fileName, ec)) {
        return {false, EEXIST, texts::kOutputIsInput + pathForMessage(target), {}};
    }
    return writeOutputFile(file, target, open);
}

} // namespace quarvel
