#include "BlockReader.h"

#include "Parallel.h"
#include "AsciiWords.h"
#include "LineReader.h"

#include <cstring>
#include <memory>

namespace quarvel {
namespace {

// A block shorter than this is built on the reading thread: starting a thread would cost more.
constexpr std::size_t kMinBytesPerThread = std::size_t{1} << 16;
// Bytes past the end of a block, and past the raw values built from it, that the word-wise copy of a
// short field may read and write.
constexpr std::size_t kWordSlack = 16;
// Lines of a block's rest built before they are joined to the file.
constexpr std::size_t kRestBatch = 4096;

// The first "|" in [begin, end), or nullptr. Fields are short: a word at a time spares the start of a
// general search; up to 7 bytes past `end` are read (the block's slack).
const char* findSeparator(const char* begin, const char* end) {
    for (const char* at = begin; at < end; at += 8) {
        const std::uint64_t bars = markBytesEqualTo(loadEightBytes(at), '|');
        if (bars != 0) {
            const char* bar = at + lowestMarkedByte(bars);
            return bar < end ? bar : nullptr;
        }
    }
    return nullptr;
}

// Stores the bytes [begin, end) of a field as readLineInto stores a piece: the first 250 of them,
// stripped, or a single space when none is left; returns the end of what was written at `out`. Up to
// kWordSlack bytes after `end` are read, and after what is written overwritten.
// Inlined: it runs for every field, and a call costs about as much as a short field.
[[gnu::always_inline]] inline char* storeField(const char* begin, const char* end, Record& record, std::size_t j,
                                               char* out) {
    if (static_cast<std::size_t>(end - begin) > kMaxFieldBytes) end = begin + kMaxFieldBytes;
    while (begin < end && isStrippable(*begin))
        ++begin;
    while (end > begin && isStrippable(end[-1]))
        --end;
    auto n = static_cast<std::size_t>(end - begin);
    bool ascii = true;
    if (n == 0) {
        *out = ' ';
        n = 1;
    } else if (n <= 2 * sizeof(std::uint64_t)) {
        // Most fields are short: two words are copied whatever follows the field, and only the field's
        // own bytes are judged.
        const std::uint64_t first = loadEightBytes(begin);
        const std::uint64_t second = loadEightBytes(begin + 8);
        std::memcpy(out, &first, sizeof first);
        std::memcpy(out + 8, &second, sizeof second);
        ascii = !anyByteOutsidePrintableAscii(firstBytesThenSpaces(first, n)) &&
                (n <= 8 || !anyByteOutsidePrintableAscii(firstBytesThenSpaces(second, n - 8)));
    } else {
        // Judged from the source: reading the copy back would wait for the copy's stores to land.
        ascii = allPrintableAscii(begin, n);
        std::memcpy(out, begin, n);
    }
    record.rawLength[j] = static_cast<std::uint8_t>(n);
    if (ascii) record.markRawAscii(j);
    return out + n;
}

// Builds the record of the line [begin, end), which holds no line feed, carriage return or 0x1A, as
// readLineInto builds it from the same bytes; its raw values are written at `out`, whose offset from
// `rawStart` the record keeps. Returns the end of what was written. The raw values are never longer
// than the line: a field becomes at most its bytes, or one space standing for its separator.
char* buildPlainLine(const char* begin, const char* end, std::size_t fieldCount, Record& record,
                     const char* rawStart, char* out) {
    record.rawOffset = static_cast<std::uint64_t>(out - rawStart);
    std::uint64_t separators = 0;
    std::size_t piece = 0;
    for (; piece < fieldCount; ++piece) {
        const char* bar = findSeparator(begin, end);
        if (bar == nullptr) break;
        out = storeField(begin, bar, record, piece, out);
        ++separators;
        begin = bar + 1;
    }
    const std::string_view rest(begin, static_cast<std::size_t>(end - begin));
    bool bytesAfterLastSeparator = false;
    if (!rest.empty() && piece < fieldCount) {
        out = storeField(rest.data(), end, record, piece, out);
        bytesAfterLastSeparator = true;
    } else if (!rest.empty()) {
        // Surplus pieces only count.
        countSurplus(rest, separators, bytesAfterLastSeparator);
    }
    const std::uint64_t pieces = separators + (bytesAfterLastSeparator ? 1 : 0);
    if (pieces == 0) {
        record.lineErrorBits |= kNoData;
    } else {
        record.setFieldCount(fieldCount);
        if (pieces > fieldCount) record.lineErrorBits |= kTooManyFields;
    }
    return out;
}

// Whole lines of the file and the records built from them, with raw offsets from the block's start; or,
// for a line longer than a block, the record read from it in pieces.
struct LineBlock {
    // Made on first use, so that a small file touches only the room of the blocks it needs.
    void makeRoom(std::size_t capacity) {
        if (bytes) return;
        bytes.reset(new char[capacity + kWordSlack]());
        // A record needs at least its line feed; a typical line is far longer than 64 bytes.
        built.records.reserve(capacity / 64 + 16);
        built.raw.reserve(capacity + kWordSlack);
    }

    void build(std::size_t fieldCount) {
        built.records.clear();
        const std::string_view text(bytes.get(), length);
        if (text.find('\x1A') == std::string_view::npos) {
            buildWithoutEndMark(text, fieldCount);
            return;
        }
        built.raw.clear();
        LineScanner lines(text);
        // The records never outgrow their room: a block of very short lines is built only in part.
        const std::size_t room = built.records.capacity();
        while (built.records.size() < room && readLineInto(built, lines, fieldCount)) {
        }
        rawUsed = built.raw.size();
        endsFile = lines.endMarkSeen();
        rest = lines.unread();
    }

    // The lines of a block without end mark, as LineScanner splits them: most are built straight from
    // the block's bytes, and the few holding a carriage return other than at their end by readLineInto.
    void buildWithoutEndMark(std::string_view text, std::size_t fieldCount) {
        endsFile = false;
        // The raw values are never longer than the lines. The room is kept from block to block, so it
        // is cleared only once.
        std::vector<char>& raw = built.raw;
        const std::size_t room = text.size() + kWordSlack;
        if (raw.size() < room) raw.resize(room);
        char* out = raw.data();
        const char* line = text.data();
        const char* const end = line + text.size();
        const bool mayHoldCr = text.find('\r') != std::string_view::npos;
        const std::size_t recordRoom = built.records.capacity();
        while (line < end && built.records.size() < recordRoom) {
            const auto* lf = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
            const char* next = lf != nullptr ? lf + 1 : end;
            const char* lineEnd = lf != nullptr ? lf : end;
            if (mayHoldCr) {
                while (lineEnd > line && lineEnd[-1] == '\r')
                    --lineEnd;
                if (lf == nullptr && lineEnd == line) break; // a last line of carriage returns only is none
                if (std::memchr(line, '\r', static_cast<std::size_t>(lineEnd - line)) != nullptr) {
                    out =
                        buildWithCarriageReturns({line, static_cast<std::size_t>(next - line)}, fieldCount, out, room);
                    line = next;
                    continue;
                }
            }
            out = buildPlainLine(line, lineEnd, fieldCount, built.records.emplace_back(), raw.data(), out);
            line = next;
        }
        rawUsed = static_cast<std::size_t>(out - raw.data());
        rest = std::string_view(line, static_cast<std::size_t>(end - line));
    }

    // Builds one line by readLineInto after the raw values up to `out`; returns their new end.
    char* buildWithCarriageReturns(std::string_view line, std::size_t fieldCount, char* out, std::size_t room) {
        std::vector<char>& raw = built.raw;
        raw.resize(static_cast<std::size_t>(out - raw.data()));
        LineScanner one(line);
        readLineInto(built, one, fieldCount);
        const std::size_t used = raw.size();
        raw.resize(room);
        return raw.data() + used;
    }

    // Reads the next line of `input`, one longer than a block, in pieces; false when there was none.
    bool readLongLine(LineScanner& input, std::size_t fieldCount) {
        built.records.clear();
        built.raw.clear();
        endsFile = false;
        rest = {};
        if (!readLineInto(built, input, fieldCount)) return false;
        rawUsed = built.raw.size();
        return true;
    }

    std::unique_ptr<char[]> bytes; ///< room for a block's bytes and kWordSlack more
    std::size_t length = 0;
    BuiltLines built; ///< the records, and their raw values in the first rawUsed bytes
    std::size_t rawUsed = 0;
    bool endsFile = false; ///< a 0x1A at a line start: the lines after it are not part of the file
    std::string_view rest; ///< lines left unbuilt for want of room
};

// Joins the lines that a block left unbuilt to the file: far more lines than bytes would make a block's
// records larger than the file's, so they are built a few at a time. True when an end mark ended the file.
bool appendRest(LoadedFile& file, std::string_view rest, std::size_t fieldCount) {
    LineScanner lines(rest);
    BuiltLines built;
    for (bool more = true; more;) {
        built.records.clear();
        built.raw.clear();
        while (built.records.size() < kRestBatch && (more = readLineInto(built, lines, fieldCount))) {
        }
        file.append(built.records, {built.raw.data(), built.raw.size()});
    }
    return lines.endMarkSeen();
}

} // namespace

ReadEnd readRecords(Workspace& session, LineScanner& input) {
    LoadedFile& file = session.file;
    const auto tooManyLines = [&file] { return file.records().size() > file.maxLines; };
    const std::size_t fieldCount = fieldCountFor(file.kind);
    bool ended = false; // an end mark in a block ended the file
    // While blocks are built on other threads, the next one is read; they are joined to the file in order.
    // Most of the joining's time goes to the system's first touch of the new memory; it stays on the
    // reading thread, as the other cores are busy building the blocks after it.
    runOrderedPipeline<LineBlock>(
        Slices::cores() + 1, Slices::cores(),
        [&](LineBlock& block) {
            if (ended || tooManyLines() || stopAsked(session.progress)) return JobStep::End;
            block.makeRoom(input.blockSize());
            block.length = input.readWholeLines(block.bytes.get());
            reportDone(session.progress, input.bytesRead());
            if (block.length >= kMinBytesPerThread) return JobStep::OnWorker;
            if (block.length > 0) return JobStep::Here;
            // A line longer than a block, or the end.
            return block.readLongLine(input, fieldCount) ? JobStep::Ready : JobStep::End;
        },
        [fieldCount](LineBlock& block) { block.build(fieldCount); },
        [&](LineBlock& block) {
            if (ended) return;
            file.append(block.built.records, {block.built.raw.data(), block.rawUsed});
            ended = block.endsFile;
            if (!ended && !block.rest.empty()) ended = appendRest(file, block.rest, fieldCount);
        });
    if (tooManyLines()) return {kTooManyLines, false};
    ended = ended || input.endMarkSeen();
    // A file ended by its end mark was read without failure, whatever a read beyond the mark met.
    return {ended ? 0 : input.error(), ended};
}

} // namespace quarvel
